#include "assetedit/tone_waves.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ruvel {

namespace {

constexpr double kPi = 3.14159265358979323846;

uint8_t Level(double v) { return uint8_t(std::clamp(std::lround(128.0 + v * 127.0), 0L, 255L)); }

}  // namespace

const std::vector<TWavePresetInfo>& WavePresets() {
  static const std::vector<TWavePresetInfo> table = {
#define RUVEL_WAVE_PRESET_ROW(id, caption, duty, seed) {TWavePreset::id, caption, duty, seed},
      RUVEL_WAVE_PRESETS(RUVEL_WAVE_PRESET_ROW)
#undef RUVEL_WAVE_PRESET_ROW
  };
  return table;
}

TToneTable PresetWave(TWavePreset preset, double duty, uint32_t seed) {
  TToneTable t{};
  // The square's high part in whole steps, at least one of each.
  int high = std::clamp(int(std::lround(std::clamp(duty, 0.0, 1.0) * kToneSteps)), 1, kToneSteps - 1);
  uint32_t x = seed ? seed : 0x9E3779B9u;
  for (int i = 0; i < kToneSteps; ++i) {
    double phase = double(i) / kToneSteps;
    switch (preset) {
      case TWavePreset::kSine: t[i] = Level(std::sin(2 * kPi * phase)); break;
      case TWavePreset::kSquare: t[i] = i < high ? 255 : 0; break;
      case TWavePreset::kSaw: t[i] = Level(2.0 * phase - 1.0 + 1.0 / kToneSteps); break;
      case TWavePreset::kTriangle: t[i] = Level(phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase); break;
      case TWavePreset::kNoise:
        // xorshift32: the same seed gives the same table.
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        t[i] = uint8_t(x >> 24);
        break;
    }
  }
  return t;
}

TToneTable HarmonicWave(const std::array<double, kHarmonics>& amps) {
  std::array<double, kToneSteps> sum{};
  double peak = 0;
  for (int i = 0; i < kToneSteps; ++i) {
    for (int k = 1; k <= kHarmonics; ++k) sum[i] += std::clamp(amps[k - 1], 0.0, 1.0) * std::sin(2 * kPi * k * i / kToneSteps);
    peak = std::max(peak, std::abs(sum[i]));
  }
  TToneTable t{};
  for (int i = 0; i < kToneSteps; ++i) t[i] = peak > 1e-9 ? Level(sum[i] / peak) : 128;
  return t;
}

void StrokeTo(TToneTable& table, int fromIndex, int fromValue, int index, int value, int top) {
  auto put = [&](int i, double v) {
    table[std::clamp(i, 0, kToneSteps - 1)] = uint8_t(std::clamp(int(std::lround(v)), 0, top));
  };
  fromIndex = std::clamp(fromIndex, 0, kToneSteps - 1);
  index = std::clamp(index, 0, kToneSteps - 1);
  if (fromIndex == index) {
    put(index, value);
    return;
  }
  int step = index > fromIndex ? 1 : -1;
  for (int i = fromIndex; i != index + step; i += step) {
    put(i, fromValue + double(value - fromValue) * (i - fromIndex) / (index - fromIndex));
  }
}

}  // namespace ruvel
