// Synthesizes the demo game's sound effects as 8-bit mono 44100 Hz WAV
// files: a shot, an explosion, a pickup chime and a hit.
// Usage: make_demo_sounds OUT_DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "asset_writers.h"

namespace {

using namespace assets;

double Square(double phase) { return std::fmod(phase, 1.0) < 0.5 ? 1.0 : -1.0; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_demo_sounds OUT_DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> noise(-1.0, 1.0);
  struct Effect {
    const char* name;
    std::vector<uint8_t> data;
  } effects[] = {
      // A falling blip.
      {"shot.wav", Render(0.09, [](double t) {
         double f = 1400 - t * 9000;
         return Square(f * t) * 0.5 * (1 - t / 0.09);
       })},
      // Noise that darkens and fades.
      {"boom.wav", Render(0.45, [&](double t) {
         static double last = 0;
         double k = 0.15 + 0.8 * (1 - t / 0.45);
         last = last + (noise(rng) - last) * k;
         return last * std::pow(1 - t / 0.45, 1.5) * 1.3;
       })},
      // Two rising notes.
      {"star.wav", Render(0.22, [](double t) {
         double f = t < 0.09 ? 988 : 1319;
         return std::sin(2 * M_PI * f * t) * 0.8 * (1 - t / 0.22);
       })},
      // A low buzz for being hit.
      {"hit.wav", Render(0.3, [](double t) {
         return Square((180 - t * 300) * t) * 0.7 * (1 - t / 0.3);
       })},
  };
  for (auto& e : effects) {
    if (!WriteWav(dir + "/" + e.name, e.data)) {
      std::perror(e.name);
      return 1;
    }
  }
  return 0;
}
