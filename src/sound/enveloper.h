// TEnveloper: the synthesis engine. On top of the output buffer it keeps
// the envelope, sine and step tables, ten channels that play command
// streams (sequence_commands.cpp runs their commands), sixteen sample
// tones loaded from WAV files and ten one-shot effect slots, and renders
// every sample from the write position up to the device's play position.
// Integer arithmetic only while rendering; channels and effects are summed
// in 8-bit level steps and written as 16-bit samples with headroom.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sound/sound_generator.h"
#include "sound/wav_loader.h"

namespace ruvel {

enum class TChannelState : uint8_t { kPlaying = 0, kStopped = 1, kWaiting = 2 };

struct TVoice {
  const uint8_t* seq = nullptr;  // the channel's command block (not owned)
  size_t seqLength = 0;
  size_t pos = 0;  // the next command's offset in the block
  TChannelState state = TChannelState::kStopped;
  int64_t next = 0;  // tick of the next event
  bool mute = false;
  bool tie = false;
  bool oneShot = false;
  int tone = 0;
  int shift = 5;
  int volume = 0;
  int envTable = 0;
  uint16_t envPos = 0;
  int envSpeed = 5;
  int8_t detune = 0;
  uint32_t portFrom = 0;
  uint32_t portTo = 0;
  int64_t portLength = 0;
  int64_t portFromPerTick = 0;  // portFrom / portLength, fixed for the glide
  int64_t portToPerTick = 0;    // portTo / portLength
  bool vibSwitch = false;
  uint32_t vibSpeed = 0;
  int vibDepth = 0;
  uint32_t vibPhase = 0;
  int jumps = 0;  // jumps taken while rendering the current sample
};

struct TEffectSlot {
  const uint8_t* data = nullptr;
  size_t remaining = 0;
  int volume = 0;
};

class TEnveloper : public TSoundGenerator {
 public:
  static constexpr int kEnvelopes = 16;
  static constexpr int kSampleTones = 16;
  static constexpr int kFirstSampleTone = 96;
  static constexpr int kEffectSlots = 10;
  static constexpr int kRest = 99;

  explicit TEnveloper(TWaveOut* device);

  bool Open() override;
  void Close() override;

  // Renders from the write position up to the play position (only while
  // usable).
  void Fill();
  // Starts a one-shot effect and mixes at once what falls Delay samples
  // after the play position within the part already rendered.
  void StartEffect(const uint8_t* data, size_t count, int volume);
  // Forgets effects that still read from [data, data + n).
  void DropEffects(const uint8_t* data, size_t n);
  // Loads a WAV as sample tone (96 to 111).
  void LoadSampleTone(const std::string& file, int tone);

  // Channel control for the sequencer.
  void SetSequence(int ch, const uint8_t* data, size_t length);
  void StartChannel(int ch);
  void StopChannel(int ch);
  void NoteOn(int ch, int note, bool tie);
  void SelectTone(int ch, int tone);
  // A silenced channel runs its commands on but adds nothing to the
  // output (the music editor's mute and solo).
  void SetSilenced(int ch, bool on) { silenced_[size_t(ch)] = on; }
  bool Silenced(int ch) const { return silenced_[size_t(ch)]; }
  // Runs the playing channels' commands up to tick target without
  // rendering, as if that much music had played (starting mid-song).
  void SkipTo(int64_t target);

  static uint32_t StepOf(int note);
  static const std::array<uint16_t, kTones>& Periods();
  int8_t Sine(int i) const { return sine_[i]; }
  const uint8_t* Envelope(int e) const { return env_[e].data(); }
  void SetEnvelope(int e, const uint8_t* bytes);  // values over 15 become 15
  uint32_t Step(int ch) const { return step_[ch]; }
  uint32_t Phase(int ch) const { return phase_[ch]; }
  const TVoice& Voice(int ch) const { return voices_[ch]; }
  TVoice& Voice(int ch) { return voices_[ch]; }
  const TEffectSlot& Effect(int i) const { return effects_[i]; }
  const TWavLoader* SampleTone(int tone) const;

  int tempo = 120;
  int64_t tick = 0;
  int64_t tickRemainder = 0;
  int delay = 1000;
  double lastFillMs = 0.0;
  std::string marker;
  std::string fileText;
  // Another source mixed into the output (MIDI): asked once per fill for
  // the n samples about to be rendered, as 16-bit output samples.
  std::function<void(int16_t* out, size_t n)> extraSource;

 private:
  // One sample of the channels and effects, in 8-bit level steps around 0.
  int32_t RenderLevel();
  void RenderChannel(int ch, int32_t& sum);
  void RunCommands(int ch);
  void RunCommand(int ch);
  void Sync(int ch);

  std::array<std::array<uint8_t, kWaveSize>, kEnvelopes> env_{};
  std::array<int8_t, 2048> sine_{};
  std::array<TVoice, kChannels> voices_{};
  std::array<bool, kChannels> silenced_{};
  std::array<TEffectSlot, kEffectSlots> effects_{};
  std::array<std::unique_ptr<TWavLoader>, kSampleTones> sampleTones_{};
  bool firstFill_ = true;
  bool second_ = false;  // alternates per sample: envelopes move on the second
  uint32_t sampleCounter_ = 0;
  uint32_t random_ = 2463534242u;
  std::vector<int16_t> extra_;
};

}  // namespace ruvel
