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
  p[kSfxAttack] = 0;
  p[kSfxSeed] = double(r.Next() % 1000000);
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
      p[kSfxWave] = r.Unit() < 0.5 ? 0 : 2;
      p[kSfxFreq] = r.Range(900, 1500);
      p[kSfxSustain] = r.Range(0.03, 0.08);
      p[kSfxDecay] = r.Range(0.1, 0.25);
      p[kSfxRelease] = 0.05;
      p[kSfxArpMult] = r.Range(1.3, 1.6);
      p[kSfxArpTime] = r.Range(0.04, 0.08);
      break;
    case TSfxPreset::kLaser:
      p[kSfxWave] = r.Unit() < 0.6 ? 0 : 1;
      p[kSfxDuty] = r.Range(0.2, 0.5);
      p[kSfxFreq] = r.Range(1200, 2400);
      p[kSfxSlide] = -r.Range(4000, 9000);
      p[kSfxSustain] = r.Range(0.05, 0.1);
      p[kSfxDecay] = r.Range(0.1, 0.2);
      p[kSfxRelease] = 0.02;
      break;
    case TSfxPreset::kExplosion:
      p[kSfxWave] = 4;
      p[kSfxFreq] = r.Range(60, 200);
      p[kSfxSlide] = -r.Range(50, 200);
      p[kSfxSustain] = r.Range(0.1, 0.3);
      p[kSfxDecay] = r.Range(0.3, 0.6);
      p[kSfxRelease] = r.Range(0.1, 0.3);
      p[kSfxLowpass] = r.Range(2000, 6000);
      p[kSfxLowpassSweep] = -r.Range(1000, 4000);
      p[kSfxVolume] = 0.7;
      break;
    case TSfxPreset::kPowerUp:
      p[kSfxWave] = r.Unit() < 0.5 ? 0 : 2;
      p[kSfxFreq] = r.Range(300, 600);
      p[kSfxSlide] = r.Range(1000, 3000);
      p[kSfxRepeat] = r.Range(0.08, 0.15);
      p[kSfxSustain] = r.Range(0.2, 0.35);
      p[kSfxDecay] = r.Range(0.1, 0.2);
      p[kSfxRelease] = 0.05;
      p[kSfxVibratoDepth] = r.Unit() < 0.5 ? 0 : r.Range(10, 40);
      p[kSfxVibratoSpeed] = r.Range(8, 20);
      break;
    case TSfxPreset::kHit:
      p[kSfxWave] = r.Unit() < 0.5 ? 4 : 1;
      p[kSfxFreq] = r.Range(200, 600);
      p[kSfxSlide] = -r.Range(800, 2000);
      p[kSfxSustain] = r.Range(0.02, 0.05);
      p[kSfxDecay] = r.Range(0.08, 0.15);
      p[kSfxRelease] = 0.02;
      p[kSfxHighpass] = r.Unit() < 0.5 ? 0 : r.Range(100, 400);
      break;
    case TSfxPreset::kJump:
      p[kSfxWave] = 0;
      p[kSfxDuty] = r.Range(0.3, 0.5);
      p[kSfxFreq] = r.Range(250, 450);
      p[kSfxSlide] = r.Range(800, 2000);
      p[kSfxSustain] = r.Range(0.08, 0.15);
      p[kSfxDecay] = r.Range(0.1, 0.2);
      p[kSfxRelease] = 0.03;
      break;
    case TSfxPreset::kBlip:
      p[kSfxWave] = r.Unit() < 0.5 ? 0 : 3;
      p[kSfxFreq] = r.Range(600, 1400);
      p[kSfxSustain] = r.Range(0.03, 0.06);
      p[kSfxDecay] = r.Range(0.02, 0.05);
      p[kSfxRelease] = 0.01;
      p[kSfxHighpass] = 100;
      break;
  }
  return Clamped(p);
}

TSfxParams RandomSfx(uint32_t seed) {
  TSfxRandom r(seed);
  TSfxParams p = Base(r);
  p[kSfxWave] = double(r.Next() % kSfxWaveCount);
  p[kSfxDuty] = r.Range(0.1, 0.9);
  p[kSfxAttack] = r.Unit() < 0.7 ? 0 : r.Range(0, 0.2);
  p[kSfxSustain] = r.Range(0.02, 0.4);
  p[kSfxDecay] = r.Range(0.05, 0.5);
  p[kSfxRelease] = r.Range(0, 0.2);
  p[kSfxFreq] = r.Range(80, 2000);
  p[kSfxSlide] = r.Unit() < 0.5 ? 0 : r.Range(-3000, 3000);
  p[kSfxDeltaSlide] = r.Unit() < 0.8 ? 0 : r.Range(-10000, 10000);
  p[kSfxVibratoDepth] = r.Unit() < 0.7 ? 0 : r.Range(5, 100);
  p[kSfxVibratoSpeed] = r.Range(2, 30);
  p[kSfxArpMult] = r.Unit() < 0.6 ? 1 : r.Range(0.5, 2);
  p[kSfxArpTime] = r.Unit() < 0.6 ? 0 : r.Range(0.02, 0.3);
  p[kSfxRepeat] = r.Unit() < 0.8 ? 0 : r.Range(0.05, 0.3);
  p[kSfxLowpass] = r.Unit() < 0.6 ? 0 : r.Range(500, 8000);
  p[kSfxLowpassSweep] = r.Unit() < 0.7 ? 0 : r.Range(-5000, 5000);
  p[kSfxHighpass] = r.Unit() < 0.7 ? 0 : r.Range(50, 1000);
  p[kSfxHighpassSweep] = 0;
  return Clamped(p);
}

TSfxParams MutateSfx(const TSfxParams& p, uint32_t seed) {
  TSfxRandom r(seed);
  TSfxParams m = p;
  for (int k = 0; k < kSfxKeyCount; ++k) {
    if (k == kSfxWave || k == kSfxSeed || r.Unit() < 0.5) continue;
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
