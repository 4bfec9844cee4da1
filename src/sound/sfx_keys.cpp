#include "sound/sfx_keys.h"

#include <algorithm>
#include <cmath>

namespace ruvel {

namespace {

const TSfxKeyInfo kKeys[] = {
#define RUVEL_SFX_INFO(id, name, def, lo, hi, integer, caption) {name, def, lo, hi, integer, caption},
    RUVEL_SFX_KEYS(RUVEL_SFX_INFO)
#undef RUVEL_SFX_INFO
};
static_assert(sizeof kKeys / sizeof kKeys[0] == kSfxKeyCount);

struct TWaveInfo {
  const char* name;
  const char* caption;
};
const TWaveInfo kWaves[kSfxWaveCount] = {
    {"square", "矩形波"}, {"saw", "のこぎり波"}, {"triangle", "三角波"}, {"sine", "正弦波"}, {"noise", "ノイズ"},
};

}  // namespace

const TSfxKeyInfo& SfxKeyInfo(int key) { return kKeys[key]; }

int SfxKeyByName(const std::string& name) {
  for (int k = 0; k < kSfxKeyCount; ++k) {
    if (name == kKeys[k].name) return k;
  }
  return -1;
}

const char* SfxWaveName(int wave) { return kWaves[std::clamp(wave, 0, kSfxWaveCount - 1)].name; }
const char* SfxWaveCaption(int wave) { return kWaves[std::clamp(wave, 0, kSfxWaveCount - 1)].caption; }

TSfxParams::TSfxParams() {
  for (int k = 0; k < kSfxKeyCount; ++k) v[size_t(k)] = kKeys[k].def;
}

double TSfxParams::Seconds() const { return (*this)[kSfxAttack] + (*this)[kSfxSustain] + (*this)[kSfxDecay] + (*this)[kSfxRelease]; }

size_t TSfxParams::SampleCount() const {
  return size_t(std::llround(Seconds() * kSfxSampleRate));
}

double SfxClamp(int key, double value) {
  const TSfxKeyInfo& k = kKeys[key];
  if (std::isnan(value)) return k.def;
  // Four decimals are kept, so that a saved file reads back the same.
  value = std::clamp(value, k.min, k.max);
  return k.integer ? std::round(value) : std::round(value * 1e4) / 1e4;
}

bool SfxLimitLength(TSfxParams& p) {
  double over = p.Seconds() - kSfxMaxSeconds;
  if (over <= 1e-9) return false;
  for (int key : {kSfxRelease, kSfxDecay, kSfxSustain, kSfxAttack}) {
    double cut = std::min(over, p[key]);
    // Rounded as every value is, so that no trace of the subtraction
    // (1e-16 instead of 0) is left to be written out.
    p[key] = SfxClamp(key, p[key] - cut);
    over -= cut;
  }
  return true;
}

}  // namespace ruvel
