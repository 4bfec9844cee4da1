// The keys of a ".sfx" effect file: one table gives each key its name,
// default, range and the caption the effect maker shows, and TSfxParams
// holds one value per key. Every other part (reader, writer, renderer,
// presets, editor sliders) walks this table.
#pragma once
#include <array>
#include <cstddef>
#include <string>

namespace ruvel {

// X(id, name, default, min, max, integer, caption): times in seconds,
// frequencies in Hz. "integer" keys are written without a fraction.
#define RUVEL_SFX_KEYS(X)                                                             \
  X(kSfxWave, "wave", 0, 0, 4, true, "波形")                                              \
  X(kSfxDuty, "duty", 0.5, 0, 1, false, "デューティ比")                                   \
  X(kSfxAttack, "attack", 0.01, 0, 5, false, "アタック (秒)")                             \
  X(kSfxSustain, "sustain", 0.2, 0, 5, false, "サステイン (秒)")                          \
  X(kSfxDecay, "decay", 0.1, 0, 5, false, "ディケイ (秒)")                                \
  X(kSfxRelease, "release", 0.1, 0, 5, false, "リリース (秒)")                            \
  X(kSfxFreq, "freq", 440, 20, 8000, false, "周波数 (Hz)")                                \
  X(kSfxSlide, "slide", 0, -10000, 10000, false, "スライド (Hz/秒)")                      \
  X(kSfxDeltaSlide, "delta_slide", 0, -100000, 100000, false, "スライドの変化 (Hz/秒²)")  \
  X(kSfxVibratoDepth, "vibrato_depth", 0, 0, 1000, false, "ビブラートの深さ (Hz)")        \
  X(kSfxVibratoSpeed, "vibrato_speed", 0, 0, 100, false, "ビブラートの速さ (Hz)")         \
  X(kSfxArpMult, "arp_mult", 1, 0.25, 4, false, "アルペジオの倍率")                       \
  X(kSfxArpTime, "arp_time", 0, 0, 10, false, "アルペジオの時刻 (秒)")                    \
  X(kSfxRepeat, "repeat", 0, 0, 10, false, "繰り返し (秒)")                               \
  X(kSfxLowpass, "lowpass", 0, 0, 22050, false, "ローパス (Hz)")                          \
  X(kSfxLowpassSweep, "lowpass_sweep", 0, -20000, 20000, false, "ローパスの変化 (Hz/秒)") \
  X(kSfxHighpass, "highpass", 0, 0, 22050, false, "ハイパス (Hz)")                        \
  X(kSfxHighpassSweep, "highpass_sweep", 0, -20000, 20000, false, "ハイパスの変化 (Hz/秒)") \
  X(kSfxVolume, "volume", 0.5, 0, 1, false, "音量")                                       \
  X(kSfxSeed, "seed", 0, 0, 999999, true, "乱数の種")

enum TSfxKey : int {
#define RUVEL_SFX_ENUM(id, name, def, lo, hi, integer, caption) id,
  RUVEL_SFX_KEYS(RUVEL_SFX_ENUM)
#undef RUVEL_SFX_ENUM
      kSfxKeyCount
};

struct TSfxKeyInfo {
  const char* name;
  double def;
  double min;
  double max;
  bool integer;
  const char* caption;  // UTF-8
};

const TSfxKeyInfo& SfxKeyInfo(int key);
// The key named name (exact, lower case); -1 when there is none.
int SfxKeyByName(const std::string& name);

// The waves, in the order of the values of "wave".
enum class TSfxWave { kSquare = 0, kSaw, kTriangle, kSine, kNoise };
constexpr int kSfxWaveCount = 5;
// "square", "saw", "triangle", "sine", "noise".
const char* SfxWaveName(int wave);
// Caption for the editor (UTF-8): 矩形波, のこぎり波, ...
const char* SfxWaveCaption(int wave);

// The attack, sustain, decay and release together never exceed this.
constexpr double kSfxMaxSeconds = 10.0;
// Files larger than this are refused.
constexpr size_t kSfxMaxFileBytes = 64 * 1024;
constexpr int kSfxSampleRate = 44100;

struct TSfxParams {
  std::array<double, kSfxKeyCount> v;
  TSfxParams();  // every key at its default
  double& operator[](int key) { return v[size_t(key)]; }
  double operator[](int key) const { return v[size_t(key)]; }
  bool operator==(const TSfxParams&) const = default;
  int Wave() const { return int((*this)[kSfxWave]); }
  double Seconds() const;  // attack + sustain + decay + release
  size_t SampleCount() const;
};

// Value brought into the key's range, rounded to a whole number for
// integer keys and to four decimals for the others.
double SfxClamp(int key, double value);
// Cuts the four times from the end (release first) so that their sum is
// at most kSfxMaxSeconds; true when something was cut.
bool SfxLimitLength(TSfxParams& p);

}  // namespace ruvel
