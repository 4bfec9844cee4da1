// Synthetic pattern sheets for the pattern tests: images drawn in memory,
// written as PNG (libpng) or BMP (SDL) into a per-test temporary directory,
// and a message sink that records what it is given.
#pragma once
#include <SDL.h>
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "screen/pattern_image.h"
#include "test_paths.h"

namespace ruvel::test {

constexpr uint32_t kWhite = 0xFFFFFF;  // 0x00RRGGBB
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kMagenta = 0xFF00FF;

inline TPixelImage Sheet(int w, int h, uint32_t bg = kWhite) {
  TPixelImage img;
  img.width = w;
  img.height = h;
  img.pixels.assign(size_t(w) * h, bg);
  return img;
}

inline void Fill(TPixelImage& img, int x, int y, int w, int h, uint32_t c) {
  for (int yy = y; yy < y + h; ++yy) {
    for (int xx = x; xx < x + w; ++xx) img.pixels[size_t(yy) * img.width + xx] = c;
  }
}

// A one-pixel outline whose outer size is w x h, top-left corner at (x, y).
inline void Frame(TPixelImage& img, int x, int y, int w, int h, uint32_t c) {
  Fill(img, x, y, w, 1, c);
  Fill(img, x, y + h - 1, w, 1, c);
  Fill(img, x, y, 1, h, c);
  Fill(img, x + w - 1, y, 1, h, c);
}

inline bool WritePngFile(const std::string& path, const TPixelImage& img) {
  std::vector<png_byte> rgb(img.pixels.size() * 3);
  for (size_t i = 0; i < img.pixels.size(); ++i) {
    rgb[3 * i] = (img.pixels[i] >> 16) & 0xFF;
    rgb[3 * i + 1] = (img.pixels[i] >> 8) & 0xFF;
    rgb[3 * i + 2] = img.pixels[i] & 0xFF;
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = png_uint_32(img.width);
  png.height = png_uint_32(img.height);
  png.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

inline bool WriteBmpFile(const std::string& path, const TPixelImage& img) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, img.width, img.height, 24, SDL_PIXELFORMAT_RGB24);
  if (!s) return false;
  SDL_LockSurface(s);
  for (int y = 0; y < img.height; ++y) {
    auto* row = static_cast<uint8_t*>(s->pixels) + size_t(y) * s->pitch;
    for (int x = 0; x < img.width; ++x) {
      uint32_t p = img.At(x, y);
      row[3 * x] = (p >> 16) & 0xFF;
      row[3 * x + 1] = (p >> 8) & 0xFF;
      row[3 * x + 2] = p & 0xFF;
    }
  }
  SDL_UnlockSurface(s);
  bool ok = SDL_SaveBMP(s, path.c_str()) == 0;
  SDL_FreeSurface(s);
  return ok;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

// A fresh directory under the system's temporary directory, removed again.
class TempDir {
 public:
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = (std::filesystem::temp_directory_path() /
             ("ruvel_patterns_" + std::to_string(::getpid()) + "_" + (info ? info->name() : "x")))
                .string();
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

// Installs a capturing sink for the life of the scope.
class SinkScope {
 public:
  SinkScope() : previous_(SetSink(&sink)) {}
  ~SinkScope() { SetSink(previous_); }
  SinkScope(const SinkScope&) = delete;
  SinkScope& operator=(const SinkScope&) = delete;
  CaptureSink sink;

 private:
  MessageSink* previous_;
};

// The 404 sheet shipped with the program, found from this source file.
inline std::string ShippedMissingSheet() {
  return (std::filesystem::path(ruvel_test::TestSourceDir()) / "Kernel/images/404.bmp").lexically_normal().string();
}

}  // namespace ruvel::test
