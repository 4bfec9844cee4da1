// Ready-made effects for the effect maker: the presets (coin, laser,
// explosion, power-up, hit, jump, blip), a random effect and a mutation of
// an existing one. Each takes a seed and gives the same result for the
// same seed, so a replayed session makes the same sounds.
#pragma once
#include <cstdint>

#include "sound/sfx_keys.h"

namespace ruvel {

#define RUVEL_SFX_PRESETS(X)            \
  X(kCoin, "coin", "コイン")            \
  X(kLaser, "laser", "レーザー")        \
  X(kExplosion, "explosion", "爆発")    \
  X(kPowerUp, "power-up", "パワーアップ") \
  X(kHit, "hit", "ヒット")              \
  X(kJump, "jump", "ジャンプ")          \
  X(kBlip, "blip", "ブリップ")

enum class TSfxPreset : int {
#define RUVEL_SFX_PRESET_ENUM(id, name, caption) id,
  RUVEL_SFX_PRESETS(RUVEL_SFX_PRESET_ENUM)
#undef RUVEL_SFX_PRESET_ENUM
};
constexpr int kSfxPresetCount = 7;

const char* SfxPresetName(TSfxPreset preset);
const char* SfxPresetCaption(TSfxPreset preset);  // UTF-8
// The preset by its name; false when there is none.
bool SfxPresetByName(const char* name, TSfxPreset& preset);

// A variation of the preset chosen by seed.
TSfxParams MakeSfxPreset(TSfxPreset preset, uint32_t seed);
// Any effect: every key drawn from a useful part of its range.
TSfxParams RandomSfx(uint32_t seed);
// p with a few keys moved a little (the wave stays).
TSfxParams MutateSfx(const TSfxParams& p, uint32_t seed);

}  // namespace ruvel
