#include "sound/midi_synth.h"

namespace ruvel {

// The browser build has no MIDI synthesizer: a MIDI piece is refused with
// one clear message (the sound manager reports each file once) and stays
// silent, while MML music and effects play as usual.
std::string FindSoundfont(const std::string&) { return std::string(); }

TMidiSynth::TMidiSynth() = default;
TMidiSynth::~TMidiSynth() = default;

bool TMidiSynth::LoadSoundfont(const std::string&, std::string& error) {
  error = "ブラウザ版では MIDI ファイルを再生できません";
  return false;
}

bool TMidiSynth::Play(const std::string& midiPath, bool, const std::string& soundfont, std::string& error) {
  LoadSoundfont(soundfont, error);
  error += ": " + midiPath;
  return false;
}

void TMidiSynth::Stop() { sounding_ = false; }

// Nothing is ever loaded here, so nothing plays.
bool TMidiSynth::Playing() const { return fl_ && settings_ && synth_ && player_ && soundfontId_ >= 0; }

void TMidiSynth::Render(int16_t* out, size_t n) {
  for (size_t i = 0; i < n; ++i) out[i] = 0;
}

}  // namespace ruvel
