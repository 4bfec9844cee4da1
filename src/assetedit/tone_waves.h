// Making wave tables for the tone editor: the presets (one table of names
// and makers), the sum of harmonics 1..8 scaled to the full 0..255 range,
// and a stroke of the mouse turned into samples with the points between
// two pointer positions filled in.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

namespace ruvel {

constexpr int kToneSteps = 32;
using TToneTable = std::array<uint8_t, kToneSteps>;

// The wave presets, each with its button caption (UTF-8) and whether the
// duty (square) or the seed (noise) shapes it.
#define RUVEL_WAVE_PRESETS(X)                 \
  X(kSine, "サイン", false, false)            \
  X(kSquare, "矩形", true, false)             \
  X(kSaw, "のこぎり", false, false)           \
  X(kTriangle, "三角", false, false)          \
  X(kNoise, "ノイズ", false, true)

enum class TWavePreset : uint8_t {
#define RUVEL_WAVE_PRESET_ENUM(id, caption, duty, seed) id,
  RUVEL_WAVE_PRESETS(RUVEL_WAVE_PRESET_ENUM)
#undef RUVEL_WAVE_PRESET_ENUM
};
struct TWavePresetInfo {
  TWavePreset preset;
  const char* caption;
  bool usesDuty;
  bool usesSeed;
};
const std::vector<TWavePresetInfo>& WavePresets();

constexpr int kHarmonics = 8;

// A preset's table over the full range (0 to 255, 128 the centre); duty is
// the square's high part (0..1), seed picks the noise.
TToneTable PresetWave(TWavePreset preset, double duty, uint32_t seed);
// Harmonic k (1..8) with amplitude amps[k - 1] (0..1), summed and scaled so
// the highest peak touches 0 or 255; all zero gives the flat centre.
TToneTable HarmonicWave(const std::array<double, kHarmonics>& amps);

// Sets table[index] = value and, when a previous point is given, every step
// between the two on the straight line joining them. Indexes outside the
// table are clipped to its ends, values to 0..top.
void StrokeTo(TToneTable& table, int fromIndex, int fromValue, int index, int value, int top);

}  // namespace ruvel
