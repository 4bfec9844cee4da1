// Turns effect parameters into samples: 44100 Hz mono, exactly
// attack + sustain + decay + release long, the same samples every time for
// the same parameters (noise comes from TSfxRandom seeded with "seed").
#pragma once
#include <cstdint>
#include <vector>

#include "sound/sfx_keys.h"

namespace ruvel {

// A small fixed generator (xorshift32) so that effects never depend on the
// C library's rand().
class TSfxRandom {
 public:
  explicit TSfxRandom(uint32_t seed) : state_(seed * 2654435761u + 0x9e3779b9u) {
    if (state_ == 0) state_ = 1;
  }
  uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in [0, 1).
  double Unit() { return (Next() >> 8) * (1.0 / 16777216.0); }
  // Uniform in [lo, hi).
  double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }

 private:
  uint32_t state_;
};

// The envelope level (0..1) at time t seconds: rises over attack, holds
// over sustain, falls to half over decay and to zero over release.
double SfxEnvelope(const TSfxParams& p, double t);

// The effect as floats in -1..1 (before the conversion to 16 bits).
std::vector<float> RenderSfxFloat(const TSfxParams& p);
// The effect as signed 16-bit samples.
std::vector<int16_t> RenderSfx(const TSfxParams& p);

}  // namespace ruvel
