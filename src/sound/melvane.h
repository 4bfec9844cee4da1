// TMelvane: the music sequencer. It loads the tone file "tones.wdt" and
// music files (".mlv": a version, ten channels of command bytes), starts
// and stops the channels on the engine, keeps the WAV effects that scripts
// load (each known by a small integer id), and renders sound whenever its
// timer comes due or the host services it.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sound/enveloper.h"
#include "sound/tone_file.h"

namespace ruvel {

enum TSoundStatus : uint8_t {
  kSoundOk = 0,
  kSoundCannotOpen = 1,
  kSoundNoFormat = 2,
  kSoundMalformed = 3,
  kSoundNoDevice = 4,
  kSoundNewerVersion = 5,
};

class TMelvane {
 public:
  static constexpr size_t kToneFileSize = 3072 + 512;
  static constexpr int32_t kNewestVersion = 1200;

  // The device is not owned. Loads "tones.wdt" from the current directory
  // when it exists.
  explicit TMelvane(TWaveOut* device);
  ~TMelvane();

  // Timer period in milliseconds (50 at creation).
  int Interval() const { return interval_; }
  void SetInterval(int ms) { interval_ = ms > 0 ? ms : interval_; }
  int BufferSize() const { return engine_.RequestedLength(); }
  void SetBufferSize(int n) { engine_.SetRequestedLength(n); }
  int Delay() const { return engine_.delay; }
  // Accepted only from 0 up to BufferSize - 10 (exclusive).
  bool SetDelay(int n);

  // Copies the wave and envelope tables of a tone file; false when the file
  // is missing or not a tone file.
  bool LoadTones(const std::string& path);
  // The engine's wave and envelope tables now, and replacing them all.
  TToneTables Tones() const;
  // The engine's own tables before any tone file.
  static TToneTables BuiltInTones();
  void ApplyTones(const TToneTables& tables);
  // Plays a command stream of its own on one channel (opening the device),
  // leaving the other channels as they are; the tone editor's notes.
  void PlayChannel(int ch, std::vector<uint8_t> commands);
  // Stops the music, frees the channels and reads a music file.
  TSoundStatus LoadMusic(const std::string& path);
  TSoundStatus LoadMusicBytes(const std::string& bytes);
  void PlayMusic();
  // Plays the loaded music from startTick ticks after its beginning.
  void PlayMusicFrom(int64_t startTick);
  void StopMusic();
  void SetEnable(bool on);
  // Reads a WAV effect; its id (above 0), or 0 with the status set.
  int32_t LoadEffect(const std::string& path);
  // The same for a whole WAV file already in memory (an effect made in
  // the program).
  int32_t LoadEffectBytes(const std::string& wavBytes);
  void PlayEffect(int32_t id, int volume);
  void FreeEffect(int32_t id);
  bool HasEffect(int32_t id) const;

  // Fills when the device is usable.
  void Service();
  // The timer: services when Interval milliseconds passed since the last.
  void Tick(double nowMs);

  TSoundStatus Status() const { return status_; }
  TEnveloper& Engine() { return engine_; }

 private:
  int32_t AddEffect(std::unique_ptr<TWavLoader> wav);
  struct TEffect {
    int32_t id;
    std::unique_ptr<TWavLoader> wav;
  };
  void FreeBlocks();

  TEnveloper engine_;
  std::vector<std::vector<uint8_t>> blocks_;
  std::vector<TEffect> effects_;
  int32_t nextEffectId_ = 1;
  TSoundStatus status_ = kSoundOk;
  int interval_ = 50;
  double lastTick_ = -1e300;
};

}  // namespace ruvel
