// TMidiSynth: MIDI files rendered inside the program with FluidSynth and a
// General MIDI soundfont, so that MIDI music goes through the same output
// as the synthesizer (the sound switch, recordings and the fixed clock
// cover it). The player's clock is the rendered samples themselves.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct _fluid_hashtable_t;
struct _fluid_synth_t;
struct _fluid_player_t;

namespace ruvel {

struct TFluidLibrary;

class TMidiSynth {
 public:
  static constexpr int kRate = 44100;

  TMidiSynth();
  ~TMidiSynth();
  TMidiSynth(const TMidiSynth&) = delete;
  TMidiSynth& operator=(const TMidiSynth&) = delete;

  // Starts the MIDI file with the soundfont (loaded when it differs from
  // the last one). loop: play it again and again. False with a reason
  // (UTF-8) when the soundfont or the file cannot be used; nothing plays.
  bool Play(const std::string& midiPath, bool loop, const std::string& soundfont, std::string& error);
  // Stops the piece and silences every sounding note at once.
  void Stop();
  // A piece is playing (not yet at its end).
  bool Playing() const;
  // Renders n mono samples, written over out (silence when nothing plays).
  void Render(int16_t* out, size_t n);
  const std::string& Soundfont() const { return soundfontPath_; }

 private:
  bool LoadSoundfont(const std::string& path, std::string& error);

  const TFluidLibrary* fl_ = nullptr;  // loaded with the first soundfont
  _fluid_hashtable_t* settings_ = nullptr;
  _fluid_synth_t* synth_ = nullptr;
  _fluid_player_t* player_ = nullptr;
  std::string soundfontPath_;
  int soundfontId_ = -1;
  bool sounding_ = false;  // notes may still ring after the piece ended
  std::vector<float> left_;
  std::vector<float> right_;
};

// The soundfont to use: the project parameter or cookie "soundfont" when
// set (resolved against the program directory), else the first General MIDI
// soundfont installed in the usual system place; empty when there is none.
std::string FindSoundfont(const std::string& setting);

}  // namespace ruvel
