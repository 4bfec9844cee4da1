#include "sound/enveloper.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "platform/paths.h"

namespace ruvel {

namespace {

constexpr std::array<uint16_t, TSoundGenerator::kTones> kPeriods = {
    3421, 3228, 3047, 2876, 2715, 2562, 2419, 2283, 2155, 2034, 1920, 1812, 1711, 1614, 1524, 1438,
    1358, 1281, 1210, 1142, 1078, 1017, 960,  906,  855,  807,  762,  719,  679,  641,  605,  571,
    539,  509,  480,  453,  428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240,  227,
    214,  202,  190,  180,  170,  160,  151,  143,  135,  127,  120,  113,  107,  101,  95,   90,
    85,   80,   76,   71,   67,   64,   60,   57,   53,   50,   48,   45,   42,   40,   38,   36,
    34,   32,   30,   28,   27,   25,   24,   22,   21,   20,   19,   18,   17,   16,   15,   14};

std::array<uint32_t, TSoundGenerator::kTones> MakeSteps() {
  std::array<uint32_t, TSoundGenerator::kTones> s{};
  for (int n = 0; n < TSoundGenerator::kTones; ++n) {
    s[n] = static_cast<uint32_t>(std::trunc(7330908160.0 / kPeriods[n] * 65536.0 / 44100.0));
  }
  return s;
}

const std::array<uint32_t, TSoundGenerator::kTones>& Steps() {
  static const auto steps = MakeSteps();
  return steps;
}

}  // namespace

const std::array<uint16_t, TSoundGenerator::kTones>& TEnveloper::Periods() { return kPeriods; }

uint32_t TEnveloper::StepOf(int note) { return Steps()[note]; }

TEnveloper::TEnveloper(TWaveOut* device) : TSoundGenerator(device) {
  for (auto& e : env_) {
    for (int j = 0; j < kWaveSize; ++j) e[j] = uint8_t((31 - j) / 2);
  }
  for (int i = 0; i < 2048; ++i) sine_[i] = int8_t(std::trunc(std::sin(i * 6.2831852 / 2048) * 127));
  for (int c = 0; c < kChannels; ++c) SelectTone(c, 0);
}

bool TEnveloper::Open() {
  if (IsOpen()) return true;
  firstFill_ = true;
  return TSoundGenerator::Open();
}

void TEnveloper::Close() {
  // Effects do not outlive the buffer they were mixed into; this also keeps
  // a slot from reading a sample freed while the device is closed.
  for (auto& e : effects_) e = TEffectSlot{};
  TSoundGenerator::Close();
}

const TWavLoader* TEnveloper::SampleTone(int tone) const {
  if (tone < kFirstSampleTone || tone >= kFirstSampleTone + kSampleTones) return nullptr;
  return sampleTones_[tone - kFirstSampleTone].get();
}

void TEnveloper::SetEnvelope(int e, const uint8_t* bytes) {
  if (e < 0 || e >= kEnvelopes) return;
  for (int j = 0; j < kWaveSize; ++j) env_[e][j] = bytes[j] > 15 ? 15 : bytes[j];
}

void TEnveloper::SetSequence(int ch, const uint8_t* data, size_t length) {
  TVoice& v = voices_[ch];
  v.seq = length > 0 ? data : nullptr;
  v.seqLength = v.seq ? length : 0;
  v.pos = 0;
  if (!v.seq) v.state = TChannelState::kStopped;
}

void TEnveloper::StartChannel(int ch) {
  TVoice& v = voices_[ch];
  if (!v.seq) return;
  v.pos = 0;
  v.state = TChannelState::kPlaying;
  v.next = tick;
}

void TEnveloper::SelectTone(int ch, int tone) {
  TVoice& v = voices_[ch];
  if (tone >= 0 && tone < kTones) {
    v.tone = tone;
    v.shift = 5;
    v.oneShot = false;
    wave_[ch] = waves_[tone].data();
  } else if (const TWavLoader* s = SampleTone(tone)) {
    v.tone = tone;
    v.shift = s->Exponent();
    v.oneShot = true;
    wave_[ch] = s->Samples().data();
  }
}

void TEnveloper::NoteOn(int ch, int note, bool tie) {
  TVoice& v = voices_[ch];
  if (note == kRest) {
    v.mute = true;
    return;
  }
  if (note < 0 || note >= kTones) return;
  v.mute = false;
  if (!tie) {
    v.envPos = 0;
    if (v.oneShot) phase_[ch] = 0;
    if (v.vibSwitch) v.vibPhase = 0;
  }
  uint32_t s = StepOf(note);
  if (v.tone < kTones) {
    step_[ch] = uint32_t(int64_t(s) + int64_t(v.detune) * int64_t(s / 2048));
  } else if (v.shift > 1 && v.shift < 32) {
    // Note 36 plays the sample at its stored rate.
    uint32_t base = (uint32_t(1) << 30) >> (v.shift - 2);
    step_[ch] = base / (StepOf(36) >> 16) * (s >> 16);
  }
  v.portLength = 0;
}

void TEnveloper::LoadSampleTone(const std::string& file, int tone) {
  if (tone < kFirstSampleTone || tone >= kFirstSampleTone + kSampleTones) return;
  std::string path = PathToPosix(file);
  if (!PathExists(path)) path = PathResolve(path, ProgramDir());
  path = PathLocate(path);
  if (!PathExists(path)) return;
  for (int c = 0; c < kChannels; ++c) {
    if (voices_[c].tone == tone) SelectTone(c, 0);
  }
  auto wav = std::make_unique<TWavLoader>(path);
  if (wav->HasError()) return;
  wav->MakePowerOfTwo();
  sampleTones_[tone - kFirstSampleTone] = std::move(wav);
}

void TEnveloper::StartEffect(const uint8_t* data, size_t count, int volume) {
  if (!data || count == 0) return;
  int slot = 1;
  while (slot < kEffectSlots - 1 && effects_[slot].remaining != 0) ++slot;
  TEffectSlot& e = effects_[slot];
  e = TEffectSlot{data, count, volume};
  if (!Usable() || firstFill_) return;
  // Mix into what is rendered but not yet played, Delay samples on.
  size_t len = length_;
  size_t p = device_->PlayPosition() % len;
  // Rendered and not yet played: [p, write_), the whole buffer right after
  // a fill (write_ == p).
  size_t ahead = (write_ + len - p) % len;
  if (ahead == 0) ahead = len;
  if (delay < 0 || size_t(delay) >= ahead) return;
  device_->Lock();
  for (size_t i = (p + size_t(delay)) % len; i != write_ && e.remaining > 0; i = (i + 1) % len) {
    int32_t v = ring_[i] + (int32_t(*e.data) - 128) * e.volume / 128 * kOutputGain;
    ring_[i] = int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
    ++e.data;
    --e.remaining;
  }
  device_->Unlock();
}

void TEnveloper::DropEffects(const uint8_t* data, size_t n) {
  for (auto& e : effects_) {
    if (e.remaining > 0 && e.data >= data && e.data < data + n) e = TEffectSlot{};
  }
}

void TEnveloper::Fill() {
  if (!Usable()) return;
  auto start = std::chrono::steady_clock::now();
  size_t len = length_;
  size_t p = device_->PlayPosition() % len;
  ReportPlayed(p);
  if (firstFill_) {
    write_ = (p + len - 1) % len;
    firstFill_ = false;
  }
  played_ = p;
  size_t count = (p + len - write_) % len;
  // The other source (MIDI) renders this fill's samples in one go; they
  // are added to the synthesizer's before the output is limited.
  const int16_t* extra = nullptr;
  if (extraSource && count > 0) {
    extra_.assign(count, 0);
    extraSource(extra_.data(), count);
    extra = extra_.data();
  }
  // The ring is written in at most two straight runs (up to its end, then
  // from its start).
  for (size_t i = 0; i < count;) {
    size_t run = std::min(count - i, len - write_);
    int16_t* out = ring_.data() + write_;
    for (size_t k = 0; k < run; ++k, ++i) {
      int32_t v = RenderLevel() * kOutputGain + (extra ? extra[i] : 0);
      out[k] = int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
    }
    write_ = (write_ + run) % len;
  }
  tickRemainder %= 120;
  lastFillMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int32_t TEnveloper::RenderLevel() {
  second_ = !second_;
  int32_t sum = 0;
  for (int c = 0; c < kChannels; ++c) {
    TVoice& v = voices_[c];
    if (!v.seq) v.state = TChannelState::kStopped;
    if (v.state != TChannelState::kPlaying) continue;
    RenderChannel(c, sum);
  }
  int64_t before = tickRemainder;
  tickRemainder += tempo;
  tick += tickRemainder / 120 - before / 120;
  for (auto& e : effects_) {
    if (e.remaining == 0) continue;
    sum += (int32_t(*e.data) - 128) * e.volume / 128;
    ++e.data;
    --e.remaining;
  }
  // xorshift32: the noise tone's table changes under the channels reading it.
  random_ ^= random_ << 13;
  random_ ^= random_ >> 17;
  random_ ^= random_ << 5;
  waves_[kNoiseTone][sampleCounter_ % kWaveSize] = uint8_t(90 + random_ % 78);
  ++sampleCounter_;
  return sum;
}

void TEnveloper::RenderChannel(int c, int32_t& sum) {
  TVoice& v = voices_[c];
  int32_t d = v.mute || silenced_[size_t(c)] ? 0 : int32_t(env_[v.envTable][v.envPos / 2048]) * v.volume;
  if (d > 0) {
    uint32_t index = v.shift > 0 ? phase_[c] >> (32 - v.shift) : 0;
    sum += d * int32_t(wave_[c][index]) / 2048 - d / 16;
    uint32_t step = step_[c];
    if (!v.oneShot) {
      phase_[c] += step;
    } else {
      // A one-shot wave stops just before it would wrap and holds.
      int64_t signedPhase = int32_t(phase_[c]);
      if (signedPhase >= 0 || signedPhase < -2 * int64_t(step)) phase_[c] += step;
    }
    if (v.vibSpeed != 0) {
      int64_t delta = int64_t(sine_[v.vibPhase / 2097152]) * int64_t(step / 512) * v.vibDepth / 256;
      phase_[c] += uint32_t(delta);
      if (second_) v.vibPhase += v.vibSpeed;
    }
  }
  if (second_ && int32_t(v.envPos) + v.envSpeed < 65536) v.envPos = uint16_t(v.envPos + v.envSpeed);
  if (v.portLength > 0) {
    // to / l and from / l are worked out once per glide.
    step_[c] = uint32_t(v.portToPerTick * (v.portLength + tick - v.next) + v.portFromPerTick * (v.next - tick));
  }
  v.jumps = 0;
  RunCommands(c);
}

void TEnveloper::SkipTo(int64_t target) {
  // From event to event: each round runs the commands due at the soonest
  // channel's next tick. A block's jump guard stops loops without notes.
  for (int round = 0; round < (1 << 24); ++round) {
    int64_t soonest = INT64_MAX;
    for (const TVoice& v : voices_) {
      if (v.state == TChannelState::kPlaying) soonest = std::min(soonest, v.next);
    }
    if (soonest > target) break;
    tick = std::max(tick, soonest);
    for (int c = 0; c < kChannels; ++c) {
      voices_[c].jumps = 0;
      RunCommands(c);
    }
  }
  tick = std::max(tick, target);
}

void TEnveloper::RunCommands(int c) {
  TVoice& v = voices_[c];
  while (v.state == TChannelState::kPlaying && tick >= v.next) RunCommand(c);
}

void TEnveloper::Sync(int c) {
  voices_[c].state = TChannelState::kWaiting;
  voices_[c].next = tick + 1;
  for (const TVoice& v : voices_) {
    if (v.state == TChannelState::kPlaying) return;
  }
  for (TVoice& v : voices_) {
    if (v.state == TChannelState::kWaiting) {
      v.state = TChannelState::kPlaying;
      v.next = tick + 1;
    }
  }
}

void TEnveloper::StopChannel(int c) {
  // Waiting first, so that channels held at a sync point are released when
  // this was the last one playing.
  Sync(c);
  voices_[c].state = TChannelState::kStopped;
  voices_[c].next = tick + 1;
}

}  // namespace ruvel
