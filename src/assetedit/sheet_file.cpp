#include "assetedit/sheet_file.h"

#include <png.h>

#include <stdexcept>
#include <vector>

#include "platform/atomic_file.h"

namespace ruvel {

namespace {

void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error) *error = message ? message : "libpng error";
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void FlushNothing(png_structp) {}

// The rows as RGB bytes, encoded; kept apart from EncodePng so that no
// object with a destructor lives across libpng's longjmp.
bool WritePngRows(png_structp png, png_infop info, const TPixelImage& image, std::vector<png_byte>& row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t c = image.At(x, y);
      row[size_t(3 * x)] = png_byte(c >> 16);
      row[size_t(3 * x + 1)] = png_byte(c >> 8);
      row[size_t(3 * x + 2)] = png_byte(c);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  return true;
}

void PutLe(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += char((v >> (8 * i)) & 0xFF);
}

}  // namespace

bool EncodePng(const TPixelImage& image, std::string& bytes, std::string& error) {
  bytes.clear();
  if (image.width <= 0 || image.height <= 0) {
    error = "empty picture";
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    if (png) png_destroy_write_struct(&png, nullptr);
    error = "libpng could not start";
    return false;
  }
  png_set_write_fn(png, &bytes, AppendBytes, FlushNothing);
  std::vector<png_byte> row(size_t(image.width) * 3);
  bool ok = WritePngRows(png, info, image, row);
  png_destroy_write_struct(&png, &info);
  if (!ok && error.empty()) error = "libpng failed";
  return ok;
}

std::string EncodeBmp(const TPixelImage& image) {
  uint32_t stride = (uint32_t(image.width) * 3 + 3) & ~3u;
  uint32_t dataSize = stride * uint32_t(image.height);
  std::string s;
  s.reserve(54 + dataSize);
  s += "BM";
  PutLe(s, 54 + dataSize, 4);
  PutLe(s, 0, 4);
  PutLe(s, 54, 4);
  PutLe(s, 40, 4);  // BITMAPINFOHEADER
  PutLe(s, uint32_t(image.width), 4);
  PutLe(s, uint32_t(image.height), 4);  // positive: rows from the bottom
  PutLe(s, 1, 2);
  PutLe(s, 24, 2);
  PutLe(s, 0, 4);  // no compression
  PutLe(s, dataSize, 4);
  PutLe(s, 2835, 4);  // 72 dpi
  PutLe(s, 2835, 4);
  PutLe(s, 0, 4);
  PutLe(s, 0, 4);
  for (int32_t y = image.height - 1; y >= 0; --y) {
    size_t start = s.size();
    for (int32_t x = 0; x < image.width; ++x) {
      uint32_t c = image.At(x, y);
      s += char(c & 0xFF);
      s += char((c >> 8) & 0xFF);
      s += char((c >> 16) & 0xFF);
    }
    while (s.size() - start < stride) s += '\0';
  }
  return s;
}

bool SaveSheetFile(const std::string& path, const TPixelImage& image, std::string& error) {
  std::string bytes;
  if (IsPngName(path)) {
    if (!EncodePng(image, bytes, error)) return false;
  } else {
    bytes = EncodeBmp(image);
  }
  if (!WriteFileAtomic(path, bytes)) {
    error = path + "に保存できません";
    return false;
  }
  return true;
}

TPixelImage BlankSheet(int32_t width, int32_t height, uint32_t background) {
  if (width < 1 || height < 1 || width > kMaxSheetSide || height > kMaxSheetSide ||
      int64_t(width) * int64_t(height) > kMaxSheetPixels) {
    throw std::runtime_error("シートの大きさは 1〜" + std::to_string(kMaxSheetSide) + " ピクセルにしてください");
  }
  TPixelImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(size_t(width) * size_t(height), background & 0xFFFFFF);
  return image;
}

}  // namespace ruvel
