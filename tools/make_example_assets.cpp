// Draws the pattern sheets and synthesizes the sounds and the music file
// of the example projects in examples/: everything is made from simple
// shapes and waves, so the examples carry no borrowed art.
// Usage: make_example_assets EXAMPLES_DIR
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "asset_writers.h"

namespace {

using namespace assets;

Rgb Mix(Rgb a, Rgb b, double t) {
  if (t < 0) t = 0;
  if (t > 1) t = 1;
  auto m = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(x + (y - x) * t); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// A sheet of equal patterns in one row.
bool WriteSheet(const std::string& path, int n, const std::vector<Shader>& shaders) {
  const int step = n + 4;
  Canvas c(step * static_cast<int>(shaders.size()) + 2, step + 2);
  for (size_t i = 0; i < shaders.size(); ++i) Place(c, 2 + static_cast<int>(i) * step, 2, n, shaders[i]);
  return WriteBmp(path, c);
}

// --- the tutorial's "りんごキャッチ" -------------------------------------

Rgb Basket(double u, double v) {
  if (v < -0.2) {
    // The handle: a half ring.
    double r = std::sqrt(u * u + (v + 0.2) * (v + 0.2));
    if (r > 0.62 && r < 0.78) return {150, 90, 40};
    return kKey;
  }
  double half = 0.95 - (v + 0.2) * 0.25;
  if (std::fabs(u) < half && v < 0.9) {
    bool weave = (static_cast<int>((u + 1) * 6) + static_cast<int>((v + 1) * 6)) % 2 == 0;
    return weave ? Rgb{205, 140, 70} : Rgb{170, 105, 45};
  }
  return kKey;
}

Rgb Apple(double u, double v) {
  double r = u * u * 1.1 + (v - 0.1) * (v - 0.1);
  if (r < 0.62) {
    if ((u + 0.3) * (u + 0.3) + (v + 0.15) * (v + 0.15) < 0.03) return {255, 220, 220};
    return Mix(Rgb{240, 40, 40}, Rgb{150, 10, 20}, r * 1.4);
  }
  if (std::fabs(u - 0.05) < 0.07 && v > -0.95 && v < -0.55) return {100, 60, 20};
  if ((u - 0.3) * (u - 0.3) * 3 + (v + 0.75) * (v + 0.75) * 10 < 0.3) return {60, 170, 50};
  return kKey;
}

Rgb Rock(double u, double v) {
  double a = std::atan2(v, u);
  double r = std::sqrt(u * u + v * v);
  double edge = 0.8 + 0.1 * std::sin(a * 5) + 0.05 * std::cos(a * 3);
  if (r < edge) return Mix(Rgb{170, 165, 160}, Rgb{80, 75, 70}, (u + v + 2) / 3);
  return kKey;
}

Rgb Cloud(double u, double v) {
  auto blob = [&](double cx, double cy, double rr) { return (u - cx) * (u - cx) + (v - cy) * (v - cy) < rr; };
  if (blob(-0.45, 0.2, 0.2) || blob(0.0, -0.1, 0.28) || blob(0.45, 0.2, 0.2) || (std::fabs(u) < 0.6 && v > 0.1 && v < 0.45))
    return Mix(Rgb{255, 255, 255}, Rgb{200, 215, 235}, v + 0.4);
  return kKey;
}

// --- the platformer --------------------------------------------------------

Shader Hero(bool running) {
  return [running](double u, double v) -> Rgb {
    if (u * u + (v + 0.55) * (v + 0.55) < 0.14) {
      if (std::fabs(u - 0.18) < 0.07 && std::fabs(v + 0.6) < 0.08) return {20, 20, 40};
      return {255, 210, 170};
    }
    if (v < -0.72 && std::fabs(u) < 0.45) return {220, 40, 40};  // cap
    if (std::fabs(u) < 0.38 && v > -0.2 && v < 0.4) return {40, 90, 220};
    double leg = running ? 0.35 : 0.18;
    if (v >= 0.4 && v < 0.95 && (std::fabs(u - leg) < 0.12 || std::fabs(u + leg) < 0.12)) return {90, 50, 20};
    return kKey;
  };
}

Rgb Grass(double u, double v) {
  if (v < -0.5) return std::fmod((u + 1) * 5, 1.0) < 0.5 ? Rgb{70, 190, 60} : Rgb{50, 160, 45};
  return Mix(Rgb{170, 110, 60}, Rgb{120, 75, 40}, (v + 0.5) / 1.5);
}

Rgb Brick(double u, double v) {
  double row = (v + 1) * 2;
  double shift = static_cast<int>(row) % 2 == 0 ? 0 : 0.5;
  if (std::fmod(row, 1.0) < 0.12 || std::fmod((u + 1) * 1.5 + shift, 1.0) < 0.08) return {210, 200, 190};
  return {190, 80, 50};
}

Rgb Coin(double u, double v) {
  double r = u * u * 2 + v * v;
  if (r < 0.7) return std::fabs(u) < 0.1 && std::fabs(v) < 0.45 ? Rgb{255, 250, 170} : Mix(Rgb{255, 220, 40}, Rgb{210, 150, 0}, r);
  return kKey;
}

Rgb Flag(double u, double v) {
  if (std::fabs(u + 0.6) < 0.08) return {90, 90, 90};
  if (u > -0.55 && u < 0.8 && v > -0.9 && v < -0.1 + (u + 0.55) * -0.3 + 0.2) return {250, 250, 250};
  return kKey;
}

// --- the puzzle ------------------------------------------------------------

Shader Lamp(bool on) {
  return [on](double u, double v) -> Rgb {
    double e = std::max(std::fabs(u), std::fabs(v));
    if (e > 0.92) return on ? Rgb{200, 150, 0} : Rgb{20, 30, 70};
    double r = u * u + v * v;
    if (on) return Mix(Rgb{255, 250, 190}, Rgb{255, 200, 30}, r);
    return Mix(Rgb{60, 70, 120}, Rgb{30, 40, 90}, r);
  };
}

// --- sounds ----------------------------------------------------------------

// --- music -----------------------------------------------------------------

// Writes a music file of the synthesizer: one melody channel and one bass
// channel, each a list of (note, length in samples) with note -1 a rest.
bool WriteMusic(const std::string& path, const std::vector<std::vector<std::pair<int, int>>>& channels) {
  std::vector<std::vector<uint8_t>> blocks(10);
  for (size_t ch = 0; ch < channels.size() && ch < 10; ++ch) {
    std::vector<uint8_t>& b = blocks[ch];
    b.insert(b.end(), {'g', 120, 0});                           // tempo 120: a tick per sample
    b.insert(b.end(), {'f', 0});                                // the square tone
    b.insert(b.end(), {'d', static_cast<uint8_t>(ch == 0 ? 40 : 28)});
    b.insert(b.end(), {'e', 3});                                // a slow fade of each note
    for (auto [note, samples] : channels[ch]) {
      int len = samples / 2;  // a length L lasts 2 x L ticks
      b.push_back(static_cast<uint8_t>(note < 0 ? 99 : note));
      b.push_back(static_cast<uint8_t>(len & 0xff));
      b.push_back(static_cast<uint8_t>(len >> 8));
    }
    b.push_back(255);
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto i32 = [&](int32_t v) { for (int i = 0; i < 4; ++i) std::fputc((static_cast<uint32_t>(v) >> (8 * i)) & 0xff, f); };
  i32(1160);
  std::fputc(10, f);
  for (const auto& b : blocks) {
    i32(static_cast<int32_t>(b.size()));
    std::fwrite(b.data(), 1, b.size(), f);
  }
  return std::fclose(f) == 0;
}

}  // namespace

// A standard MIDI file (format 0, 480 ticks a quarter, 100 beats a
// minute) of one melody on the music-box instrument: (MIDI note, quarters).
bool WriteMidi(const std::string& path, const std::vector<std::pair<int, double>>& notes) {
  std::vector<uint8_t> track;
  auto delta = [&](uint32_t v) {
    uint8_t bytes[5];
    int n = 0;
    bytes[n++] = v & 0x7f;
    while (v >>= 7) bytes[n++] = static_cast<uint8_t>(0x80 | (v & 0x7f));
    while (n--) track.push_back(bytes[n]);
  };
  track.insert(track.end(), {0x00, 0xff, 0x51, 0x03, 0x09, 0x27, 0xc0});  // tempo: 600000 us a beat
  track.insert(track.end(), {0x00, 0xc0, 10});                           // program 11: music box
  for (const auto& [note, quarters] : notes) {
    delta(0);
    track.insert(track.end(), {0x90, static_cast<uint8_t>(note), 100});
    delta(static_cast<uint32_t>(quarters * 480));
    track.insert(track.end(), {0x80, static_cast<uint8_t>(note), 0});
  }
  track.insert(track.end(), {0x00, 0xff, 0x2f, 0x00});
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto u32 = [&](uint32_t v) { for (int i = 3; i >= 0; --i) std::fputc((v >> (8 * i)) & 0xff, f); };
  std::fwrite("MThd", 1, 4, f);
  u32(6);
  const uint8_t header[] = {0, 0, 0, 1, 0x01, 0xe0};
  std::fwrite(header, 1, sizeof header, f);
  std::fwrite("MTrk", 1, 4, f);
  u32(static_cast<uint32_t>(track.size()));
  std::fwrite(track.data(), 1, track.size(), f);
  return std::fclose(f) == 0;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_example_assets EXAMPLES_DIR\n");
    return 2;
  }
  std::string dir = argv[1];
  bool ok = true;
  // Tutorial: 0 basket, 1 apple, 2 rock, 3 cloud.
  ok &= WriteSheet(dir + "/tutorial/images/sheet.bmp", 32, {Basket, Apple, Rock, Cloud});
  ok &= WriteWav(dir + "/tutorial/sounds/catch.wav", Render(0.15, [](double t) {
                   return std::exp(-t * 12) * std::sin(2 * M_PI * (880 + t * 2000) * t);
                 }));
  ok &= WriteWav(dir + "/tutorial/sounds/hit.wav", Render(0.35, [](double t) {
                   return std::exp(-t * 8) * (std::fmod(t * (140 - t * 200), 1.0) < 0.5 ? 0.8 : -0.8);
                 }));
  // Platformer: 0 hero standing, 1 hero running, 2 grass, 3 brick, 4 coin, 5 flag.
  ok &= WriteSheet(dir + "/platformer/images/tiles.bmp", 24, {Hero(false), Hero(true), Grass, Brick, Coin, Flag});
  ok &= WriteWav(dir + "/platformer/sounds/coin.wav", Render(0.2, [](double t) {
                   double hz = t < 0.06 ? 988 : 1319;
                   return std::exp(-t * 10) * std::sin(2 * M_PI * hz * t);
                 }));
  ok &= WriteWav(dir + "/platformer/sounds/jump.wav", Render(0.15, [](double t) {
                   return (1 - t / 0.15) * 0.6 * (std::fmod(t * (300 + t * 3000), 1.0) < 0.5 ? 1 : -1);
                 }));
  // Puzzle: 0 lamp off, 1 lamp on.
  ok &= WriteSheet(dir + "/puzzle/images/lamps.bmp", 56, {Lamp(false), Lamp(true)});
  ok &= WriteWav(dir + "/puzzle/sounds/click.wav", Render(0.05, [](double t) {
                   return std::exp(-t * 60) * std::sin(2 * M_PI * 1500 * t);
                 }));
  // Music box: a tune (its bells are ".sfx" effects made in the effect maker).
  // "きらきら星": note 36 is C4 (note 45 is A4, 440 Hz).
  const int q = 13230, h = 2 * q;  // a quarter is 0.3 s
  std::vector<std::pair<int, int>> melody;
  const int tune[] = {36, 36, 43, 43, 45, 45, 43, -2, 41, 41, 40, 40, 38, 38, 36, -2};
  for (int n : tune) {
    if (n == -2) {
      melody.back().second = h;  // the note before a mark is a half
      continue;
    }
    melody.push_back({n, q});
  }
  std::vector<std::pair<int, int>> bass = {{24, h}, {24, h}, {29, h}, {24, h}, {29, h}, {24, h}, {31, h}, {24, h}};
  ok &= WriteMusic(dir + "/musicbox/sounds/twinkle.mlv", {melody, bass});
  // The same tune as a MIDI file: C4 is MIDI note 60.
  std::vector<std::pair<int, double>> midi;
  for (const auto& [note, len] : melody) midi.push_back({note + 24, len == h ? 2.0 : 1.0});
  ok &= WriteMidi(dir + "/musicbox/sounds/twinkle.mid", midi);
  if (!ok) {
    std::perror("make_example_assets");
    return 1;
  }
  return 0;
}
