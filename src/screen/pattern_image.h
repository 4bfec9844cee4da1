// Decoding a pattern sheet file into pixels in memory: a name ending in
// ".png" (letter case ignored) is read with libpng, any other file as a
// Windows bitmap through SDL. The result is plain 24-bit colour, so the
// cutter and its tests never need a renderer. A file that cannot be
// decoded, is truncated or is unreasonably large gives an error text and
// never a crash.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ruvel {

// Sheets larger than this on either side, or holding more pixels than
// kMaxSheetPixels, are refused before their pixels are allocated.
constexpr int32_t kMaxSheetSide = 16384;
constexpr int64_t kMaxSheetPixels = int64_t(1) << 24;
// Largest sheet file read (a 32-bit bitmap of kMaxSheetPixels, with room).
constexpr size_t kMaxSheetFileBytes = size_t(96) << 20;

struct TPixelImage {
  int32_t width = 0;
  int32_t height = 0;
  // 0x00RRGGBB per pixel, rows from the top. Alpha is not kept: a PNG with
  // an alpha channel is composited onto white when it is read.
  std::vector<uint32_t> pixels;

  uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// The name's extension is ".png", compared without regard to case.
bool IsPngName(std::string_view path);

// Reads the sheet; false with a one-line reason (ASCII) in error.
bool LoadPatternImage(const std::string& path, TPixelImage& image, std::string& error);
bool LoadPngImage(const std::string& path, TPixelImage& image, std::string& error);
bool LoadBmpImage(const std::string& path, TPixelImage& image, std::string& error);

}  // namespace ruvel
