// TSndManager: the scripts' sound. It owns the main window's sequencer
// (buffer 20000 samples, effect delay 1000) and the audio device it plays
// on, and keeps the BGM mode, the MIDI loop flag and the sound switch that
// the SoundEffect, BGM and MediaPlayer natives use. Music comes from ".mlv"
// files, ".mml" files (compiled on load) and MIDI files, which FluidSynth
// renders into the same output (midi_synth.h). Effects are WAV files or ".sfx"
// files (rendered on load, sfx_wav.h). It also writes what is
// played to a WAV file on request.
//
// Owner of the process-wide instance: this module (SoundManager()); the
// shell attaches the device at start and calls ShutDownSound at exit.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "platform/audio_device.h"
#include "sound/melvane.h"
#include "sound/midi_synth.h"
#include "sound/wav_writer.h"

namespace ruvel {

enum class TBgmMode { kNone = 0, kMusic = 1, kMidi = 2 };

class TSndManager {
 public:
  static constexpr int kBufferSize = 20000;
  static constexpr int kDelay = 1000;

  // Until a device is attached the manager plays on a device that never
  // moves, so nothing is heard and nothing fails.
  TSndManager();
  ~TSndManager();

  TMelvane& Sequencer() { return *seq_; }
  // Replaces the device (the old one is closed first).
  void AttachDevice(std::unique_ptr<TWaveOut> device);
  TWaveOut* Device() const { return device_.get(); }

  // The script operations behind the natives.
  int32_t LoadEffect(const std::string& name);
  // An effect from a whole WAV file in memory (the effect maker plays
  // through this); 0 when it is not usable.
  int32_t LoadEffectBytes(const std::string& wavBytes) { return seq_->LoadEffectBytes(wavBytes); }
  void PlayEffect(int32_t id, int volume);
  void FreeEffect(int32_t id);
  // Plays a ".mlv" or ".mml" music file on the sequencer, or a ".mid" /
  // ".midi" file through the MIDI synthesizer with the loop flag. hasLoop:
  // a loop flag was given (else the previous one is kept).
  void PlayBgm(const std::string& name, bool hasLoop, bool loop);
  void Stop();
  // The sequencer music playing as BGM: the file it was started from (as
  // located, ".mml" or ".mlv"); empty when none plays.
  const std::string& MusicSource() const { return musicSource_; }
  // When path is the music playing as BGM, starts it again from its file
  // (an ".mml" is compiled anew); false otherwise.
  bool RestartMusic(const std::string& path);
  void SetEnable(bool on);
  // Switching sound off stops what plays.
  void SetSoundSwitch(bool on);
  bool SoundSwitch() const { return soundOn_; }
  TBgmMode Mode() const { return mode_; }
  bool MidiLoop() const { return midiLoop_; }
  TMidiSynth& Midi() { return midi_; }
  // The soundfont setting (project parameter or cookie "soundfont"); by
  // default read from the open project and the cookies.
  std::function<std::string()> soundfontSetting;

  // Where a sound file that cannot be found or read is told, once per
  // file (CP932); the line also goes to stderr. The script still sees what
  // it always did (an effect id of 0, no music).
  std::function<void(const std::string& cp932)> notice;

  // Writes every played sample to a WAV file until StopRecording.
  bool StartRecording(const std::string& path, std::string& error);
  bool StopRecording(std::string& error);

 private:
  std::unique_ptr<TWaveOut> device_;
  std::unique_ptr<TMelvane> seq_;
  TWavRecorder recorder_;
  TMidiSynth midi_;
  void ReportFile(const std::string& file, const std::string& what);

  std::string reportedFailure_;  // soundfont and file of the MIDI failure last reported
  std::set<std::string> reportedFiles_;  // sound files already told about
  std::string musicSource_;
  TBgmMode mode_ = TBgmMode::kNone;
  bool midiLoop_ = false;
  bool soundOn_ = true;
};

TSndManager& SoundManager();
// Stops the sound, finishes a recording and frees the device; a later
// SoundManager() starts afresh. False when the recording could not be
// completed (error says why).
bool ShutDownSound(std::string& error);

// A sound file named by a script: as given when absolute, else in the
// page's directory, the program directory or the current directory (letter
// case ignored). Empty when there is no such file.
std::string LocateSoundFile(const std::string& name);

}  // namespace ruvel
