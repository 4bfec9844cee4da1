#include "sound/sfx_render.h"

#include <algorithm>
#include <cmath>

namespace ruvel {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDt = 1.0 / kSfxSampleRate;
constexpr double kMaxFreq = kSfxSampleRate / 2.0;
// Noise gets this many new values per period of the pitch, so a low
// "freq" gives a rumble and a high one a hiss.
constexpr int kNoiseSteps = 32;

// Coefficient of a one-pole low-pass at cut-off fc (Hz).
double LowpassCoefficient(double fc) {
  fc = std::clamp(fc, 1.0, kMaxFreq);
  return 1.0 - std::exp(-2.0 * kPi * fc * kDt);
}

// Coefficient of a one-pole high-pass at cut-off fc (Hz); 1 lets all through.
double HighpassCoefficient(double fc) {
  if (fc <= 0) return 1.0;
  double rc = 1.0 / (2.0 * kPi * std::min(fc, kMaxFreq));
  return rc / (rc + kDt);
}

// The pitch at time t since the last restart: slide and its change, then
// the arpeggio step.
double Pitch(const TSfxParams& p, double t) {
  double f = p[kSfxFreq] + p[kSfxSlide] * t + 0.5 * p[kSfxDeltaSlide] * t * t;
  if (p[kSfxArpTime] > 0 && t >= p[kSfxArpTime]) f *= p[kSfxArpMult];
  return f;
}

}  // namespace

double SfxEnvelope(const TSfxParams& p, double t) {
  double a = p[kSfxAttack], s = p[kSfxSustain], d = p[kSfxDecay], r = p[kSfxRelease];
  if (t < a) return t / a;
  t -= a;
  if (t < s) return 1.0;
  t -= s;
  if (t < d) return 1.0 - 0.5 * t / d;
  t -= d;
  if (t < r) return 0.5 * (1.0 - t / r);
  return 0.0;
}

std::vector<float> RenderSfxFloat(const TSfxParams& p) {
  size_t n = p.SampleCount();
  std::vector<float> out(n);
  TSfxRandom random{uint32_t(p[kSfxSeed])};
  double noise = random.Range(-1, 1);
  int noiseStep = 0;
  double phase = 0;
  double lowpassed = 0, highpassed = 0, lastIn = 0;
  int wave = p.Wave();
  double duty = p[kSfxDuty];
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) * kDt;
    double pitchTime = p[kSfxRepeat] > 0 ? std::fmod(t, p[kSfxRepeat]) : t;
    double f = Pitch(p, pitchTime);
    if (p[kSfxVibratoDepth] > 0) f += p[kSfxVibratoDepth] * std::sin(2 * kPi * p[kSfxVibratoSpeed] * t);
    f = std::clamp(f, 0.0, kMaxFreq);
    double x = 0;
    switch (TSfxWave(wave)) {
      case TSfxWave::kSquare: x = phase < duty ? 1.0 : -1.0; break;
      case TSfxWave::kSaw: x = 2.0 * phase - 1.0; break;
      case TSfxWave::kTriangle: x = 1.0 - 4.0 * std::fabs(phase - 0.5); break;
      case TSfxWave::kSine: x = std::sin(2 * kPi * phase); break;
      case TSfxWave::kNoise: {
        int step = int(phase * kNoiseSteps);
        if (step != noiseStep) {
          noiseStep = step;
          noise = random.Range(-1, 1);
        }
        x = noise;
        break;
      }
    }
    phase += f * kDt;
    phase -= std::floor(phase);
    if (p[kSfxLowpass] > 0) {
      lowpassed += LowpassCoefficient(p[kSfxLowpass] + p[kSfxLowpassSweep] * t) * (x - lowpassed);
      x = lowpassed;
    }
    if (p[kSfxHighpass] > 0) {
      highpassed = HighpassCoefficient(p[kSfxHighpass] + p[kSfxHighpassSweep] * t) * (highpassed + x - lastIn);
      lastIn = x;
      x = highpassed;
    }
    out[i] = float(std::clamp(x * SfxEnvelope(p, t) * p[kSfxVolume], -1.0, 1.0));
  }
  return out;
}

std::vector<int16_t> RenderSfx(const TSfxParams& p) {
  std::vector<float> f = RenderSfxFloat(p);
  std::vector<int16_t> out(f.size());
  for (size_t i = 0; i < f.size(); ++i) out[i] = int16_t(std::lround(f[i] * 32767.0f));
  return out;
}

}  // namespace ruvel
