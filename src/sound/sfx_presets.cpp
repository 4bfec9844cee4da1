#include "sound/sfx_presets.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "sound/sfx_render.h"

namespace ruvel {

namespace {

struct TPresetInfo {
  const char* name;
  const char* caption;
};
const TPresetInfo kPresets[kSfxPresetCount] = {
#define RUVEL_SFX_PRESET_INFO(id, name, caption) {name, caption},
    RUVEL_SFX_PRESETS(RUVEL_SFX_PRESET_INFO)
#undef RUVEL_SFX_PRESET_INFO
};

// Starts every preset from silence-free defaults with no filters.
TSfxParams Base(TSfxRandom& r) {
  TSfxParams p;
  p[kAttack] = 0;
  p[kSeed] = double(r.Next() % 1000000);
  return p;
}

TSfxParams Clamped(TSfxParams p) {
  for (int k = 0; k < kSfxKeyCount; ++k) p[k] = SfxClamp(k, p[k]);
  SfxLimitLength(p);
  return p;
}

}  // namespace

const char* SfxPresetName(TSfxPreset preset) { return kPresets[int(preset)].name; }
const char* SfxPresetCaption(TSfxPreset preset) { return kPresets[int(preset)].caption; }

bool SfxPresetByName(const char* name, TSfxPreset& preset) {
  for (int i = 0; i < kSfxPresetCount; ++i) {
    if (std::strcmp(name, kPresets[i].name) == 0) {
      preset = TSfxPreset(i);
      return true;
    }
  }
  return false;
}

TSfxParams MakeSfxPreset(TSfxPreset preset, uint32_t seed) {
  TSfxRandom r(seed);
  TSfxParams p = Base(r);
  switch (preset) {
    case TSfxPreset::kCoin:
      p[kWave] = r.Unit() < 0.5 ? 0 : 2;
      p[kFreq] = r.Range(900, 1500);
      p[kSustain] = r.Range(0.03, 0.08);
      p[kDecay] = r.Range(0.1, 0.25);
      p[kRelease] = 0.05;
      p[kArpMult] = r.Range(1.3, 1.6);
      p[kArpTime] = r.Range(0.04, 0.08);
      break;
    case TSfxPreset::kLaser:
      p[kWave] = r.Unit() < 0.6 ? 0 : 1;
      p[kDuty] = r.Range(0.2, 0.5);
      p[kFreq] = r.Range(1200, 2400);
      p[kSlide] = -r.Range(4000, 9000);
      p[kSustain] = r.Range(0.05, 0.1);
      p[kDecay] = r.Range(0.1, 0.2);
      p[kRelease] = 0.02;
      break;
    case TSfxPreset::kExplosion:
      p[kWave] = 4;
      p[kFreq] = r.Range(60, 200);
      p[kSlide] = -r.Range(50, 200);
      p[kSustain] = r.Range(0.1, 0.3);
      p[kDecay] = r.Range(0.3, 0.6);
      p[kRelease] = r.Range(0.1, 0.3);
      p[kLowpass] = r.Range(2000, 6000);
      p[kLowpassSweep] = -r.Range(1000, 4000);
      p[kVolume] = 0.7;
      break;
    case TSfxPreset::kPowerUp:
      p[kWave] = r.Unit() < 0.5 ? 0 : 2;
      p[kFreq] = r.Range(300, 600);
      p[kSlide] = r.Range(1000, 3000);
      p[kRepeat] = r.Range(0.08, 0.15);
      p[kSustain] = r.Range(0.2, 0.35);
      p[kDecay] = r.Range(0.1, 0.2);
      p[kRelease] = 0.05;
      p[kVibratoDepth] = r.Unit() < 0.5 ? 0 : r.Range(10, 40);
      p[kVibratoSpeed] = r.Range(8, 20);
      break;
    case TSfxPreset::kHit:
      p[kWave] = r.Unit() < 0.5 ? 4 : 1;
      p[kFreq] = r.Range(200, 600);
      p[kSlide] = -r.Range(800, 2000);
      p[kSustain] = r.Range(0.02, 0.05);
      p[kDecay] = r.Range(0.08, 0.15);
      p[kRelease] = 0.02;
      p[kHighpass] = r.Unit() < 0.5 ? 0 : r.Range(100, 400);
      break;
    case TSfxPreset::kJump:
      p[kWave] = 0;
      p[kDuty] = r.Range(0.3, 0.5);
      p[kFreq] = r.Range(250, 450);
      p[kSlide] = r.Range(800, 2000);
      p[kSustain] = r.Range(0.08, 0.15);
      p[kDecay] = r.Range(0.1, 0.2);
      p[kRelease] = 0.03;
      break;
    case TSfxPreset::kBlip:
      p[kWave] = r.Unit() < 0.5 ? 0 : 3;
      p[kFreq] = r.Range(600, 1400);
      p[kSustain] = r.Range(0.03, 0.06);
      p[kDecay] = r.Range(0.02, 0.05);
      p[kRelease] = 0.01;
      p[kHighpass] = 100;
      break;
  }
  return Clamped(p);
}

TSfxParams RandomSfx(uint32_t seed) {
  TSfxRandom r(seed);
  TSfxParams p = Base(r);
  p[kWave] = double(r.Next() % kSfxWaveCount);
  p[kDuty] = r.Range(0.1, 0.9);
  p[kAttack] = r.Unit() < 0.7 ? 0 : r.Range(0, 0.2);
  p[kSustain] = r.Range(0.02, 0.4);
  p[kDecay] = r.Range(0.05, 0.5);
  p[kRelease] = r.Range(0, 0.2);
  p[kFreq] = r.Range(80, 2000);
  p[kSlide] = r.Unit() < 0.5 ? 0 : r.Range(-3000, 3000);
  p[kDeltaSlide] = r.Unit() < 0.8 ? 0 : r.Range(-10000, 10000);
  p[kVibratoDepth] = r.Unit() < 0.7 ? 0 : r.Range(5, 100);
  p[kVibratoSpeed] = r.Range(2, 30);
  p[kArpMult] = r.Unit() < 0.6 ? 1 : r.Range(0.5, 2);
  p[kArpTime] = r.Unit() < 0.6 ? 0 : r.Range(0.02, 0.3);
  p[kRepeat] = r.Unit() < 0.8 ? 0 : r.Range(0.05, 0.3);
  p[kLowpass] = r.Unit() < 0.6 ? 0 : r.Range(500, 8000);
  p[kLowpassSweep] = r.Unit() < 0.7 ? 0 : r.Range(-5000, 5000);
  p[kHighpass] = r.Unit() < 0.7 ? 0 : r.Range(50, 1000);
  p[kHighpassSweep] = 0;
  return Clamped(p);
}

TSfxParams MutateSfx(const TSfxParams& p, uint32_t seed) {
  TSfxRandom r(seed);
  TSfxParams m = p;
  for (int k = 0; k < kSfxKeyCount; ++k) {
    if (k == kWave || k == kSeed || r.Unit() < 0.5) continue;
    const TSfxKeyInfo& info = SfxKeyInfo(k);
    // Keys at zero (off, or no slide) stay so; others move by up to a
    // tenth of their value, or by a little of their range when small.
    if (m[k] == 0) continue;
    double span = std::max(std::abs(m[k]) * 0.1, (info.max - info.min) * 0.002);
    m[k] = m[k] + r.Range(-span, span);
  }
  return Clamped(m);
}

}  // namespace ruvel
