// What the asset tools share: a canvas of RGB pixels on which patterns are
// placed in one-pixel key-coloured frames (the layout pattern sheets are
// cut by), a 24-bit BMP writer, and 8-bit mono 44100 Hz WAV sounds made
// from a wave function. Header only: each tool is one program.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace assets {

struct Rgb {
  uint8_t r, g, b;
};

const Rgb kSheet{255, 255, 255};
const Rgb kKey{255, 0, 255};

struct Canvas {
  int w, h;
  std::vector<Rgb> px;
  Canvas(int width, int height) : w(width), h(height), px(width * height, kSheet) {}
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w && y < h) px[y * w + x] = c;
  }
};

// shade(u, v) gives the colour at the pixel centre (u, v in -1..1), or
// the key colour for a transparent pixel.
using Shader = std::function<Rgb(double u, double v)>;

// One pattern of n x n pixels in a one-pixel key-coloured frame whose
// top-left corner is (left, top).
inline void Place(Canvas& c, int left, int top, int n, const Shader& shade) {
  for (int i = 0; i <= n + 1; ++i) {
    c.Set(left + i, top, kKey);
    c.Set(left + i, top + n + 1, kKey);
    c.Set(left, top + i, kKey);
    c.Set(left + n + 1, top + i, kKey);
  }
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      double u = (x + 0.5) / n * 2 - 1;
      double v = (y + 0.5) / n * 2 - 1;
      c.Set(left + 1 + x, top + 1 + y, shade(u, v));
    }
  }
}

inline bool WriteBmp(const std::string& path, const Canvas& c) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  int row = (c.w * 3 + 3) & ~3;
  uint32_t size = 54 + row * c.h;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) std::fputc((v >> (8 * i)) & 0xff, f); };
  auto u16 = [&](uint16_t v) { std::fputc(v & 0xff, f); std::fputc(v >> 8, f); };
  std::fputc('B', f);
  std::fputc('M', f);
  u32(size); u32(0); u32(54); u32(40);
  u32(c.w); u32(c.h); u16(1); u16(24); u32(0); u32(row * c.h); u32(2835); u32(2835); u32(0); u32(0);
  std::vector<uint8_t> line(row, 0);
  for (int y = c.h - 1; y >= 0; --y) {
    for (int x = 0; x < c.w; ++x) {
      const Rgb& p = c.px[y * c.w + x];
      line[x * 3] = p.b;
      line[x * 3 + 1] = p.g;
      line[x * 3 + 2] = p.r;
    }
    std::fwrite(line.data(), 1, row, f);
  }
  return std::fclose(f) == 0;
}

constexpr int kRate = 44100;

inline bool WriteWav(const std::string& path, const std::vector<uint8_t>& samples) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) std::fputc((v >> (8 * i)) & 0xff, f); };
  auto u16 = [&](uint16_t v) { std::fputc(v & 0xff, f); std::fputc(v >> 8, f); };
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + static_cast<uint32_t>(samples.size()));
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16); u16(1); u16(1); u32(kRate); u32(kRate); u16(1); u16(8);
  std::fwrite("data", 1, 4, f);
  u32(static_cast<uint32_t>(samples.size()));
  std::fwrite(samples.data(), 1, samples.size(), f);
  return std::fclose(f) == 0;
}

// seconds long; wave(t) in -1..1 at time t (seconds).
inline std::vector<uint8_t> Render(double seconds, const std::function<double(double)>& wave) {
  std::vector<uint8_t> out(static_cast<size_t>(seconds * kRate));
  for (size_t i = 0; i < out.size(); ++i) {
    double v = wave(static_cast<double>(i) / kRate);
    if (v > 1) v = 1;
    if (v < -1) v = -1;
    out[i] = static_cast<uint8_t>(128 + v * 100);
  }
  return out;
}

}  // namespace assets
