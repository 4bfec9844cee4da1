#include "screen/pattern_image.h"

#include <SDL.h>
#include <png.h>

#include <cerrno>
#include <cstring>

#include "platform/cp932.h"
#include "platform/regular_file.h"

namespace ruvel {

namespace {

bool SizeAcceptable(int64_t w, int64_t h, std::string& error) {
  if (w <= 0 || h <= 0) {
    error = "empty image";
    return false;
  }
  if (w > kMaxSheetSide || h > kMaxSheetSide || w * h > kMaxSheetPixels) {
    error = "image too large (" + std::to_string(w) + "x" + std::to_string(h) + ")";
    return false;
  }
  return true;
}

// The size a bitmap's header claims, read before SDL decodes (and
// allocates) anything. False when the header is too short to say.
bool BmpHeaderSize(SDL_RWops* rw, int64_t& w, int64_t& h) {
  uint8_t head[26];
  Sint64 start = SDL_RWtell(rw);
  size_t got = SDL_RWread(rw, head, 1, sizeof head);
  SDL_RWseek(rw, start, RW_SEEK_SET);
  if (got < 18 || head[0] != 'B' || head[1] != 'M') return false;
  auto u16 = [&](int at) { return uint32_t(head[at]) | uint32_t(head[at + 1]) << 8; };
  auto u32 = [&](int at) { return u16(at) | u16(at + 2) << 16; };
  uint32_t infoSize = u32(14);
  if (infoSize == 12) {  // the old core header: 16-bit sides
    if (got < 22) return false;
    w = u16(18);
    h = u16(20);
    return true;
  }
  if (got < 26) return false;
  // A negative height marks a top-down bitmap.
  w = int32_t(u32(18));
  h = int32_t(u32(22));
  if (h < 0) h = -h;
  return true;
}

}  // namespace

bool IsPngName(std::string_view path) {
  return path.size() >= 4 && EqualsNoCase(path.substr(path.size() - 4), ".png");
}

// Reads a sheet file whole: a regular file of at most kMaxSheetFileBytes.
bool ReadSheetFile(const std::string& path, std::string& bytes, std::string& error) {
  TReadStatus status = ReadRegularFile(path, kMaxSheetFileBytes, bytes);
  if (status == TReadStatus::kOk) return true;
  error = status == TReadStatus::kNotRegular ? "not a regular file"
          : status == TReadStatus::kTooLarge ? "file too large (at most " + std::to_string(kMaxSheetFileBytes >> 20) + " MB)"
                                             : std::string("cannot open: ") + std::strerror(errno);
  return false;
}

bool LoadPngImage(const std::string& path, TPixelImage& image, std::string& error) {
  std::string bytes;
  if (!ReadSheetFile(path, bytes, error)) return false;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  // The simplified interface catches libpng's errors itself and reports
  // them through its return value and png.message.
  if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
    error = std::string("not a PNG file: ") + png.message;
    png_image_free(&png);
    return false;
  }
  if (!SizeAcceptable(png.width, png.height, error)) {
    png_image_free(&png);
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  std::vector<png_byte> rgb(PNG_IMAGE_SIZE(png));
  png_color white{255, 255, 255};
  if (!png_image_finish_read(&png, &white, rgb.data(), 0, nullptr)) {
    error = std::string("broken PNG file: ") + png.message;
    png_image_free(&png);
    return false;
  }
  image.width = int32_t(png.width);
  image.height = int32_t(png.height);
  image.pixels.resize(size_t(image.width) * size_t(image.height));
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    image.pixels[i] = (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8) | rgb[3 * i + 2];
  }
  return true;
}

bool LoadBmpImage(const std::string& path, TPixelImage& image, std::string& error) {
  std::string bytes;
  if (!ReadSheetFile(path, bytes, error)) return false;
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), int(bytes.size()));
  if (!rw) {
    error = std::string("cannot open: ") + SDL_GetError();
    return false;
  }
  int64_t claimedW = 0;
  int64_t claimedH = 0;
  if (BmpHeaderSize(rw, claimedW, claimedH) && !SizeAcceptable(claimedW, claimedH, error)) {
    SDL_RWclose(rw);
    return false;
  }
  SDL_Surface* loaded = SDL_LoadBMP_RW(rw, 1);
  if (!loaded) {
    error = std::string("not a readable bitmap: ") + SDL_GetError();
    return false;
  }
  if (!SizeAcceptable(loaded->w, loaded->h, error)) {
    SDL_FreeSurface(loaded);
    return false;
  }
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (!argb) {
    error = std::string("cannot convert the bitmap: ") + SDL_GetError();
    return false;
  }
  image.width = argb->w;
  image.height = argb->h;
  image.pixels.resize(size_t(image.width) * size_t(image.height));
  SDL_LockSurface(argb);
  for (int32_t y = 0; y < image.height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + size_t(y) * argb->pitch);
    for (int32_t x = 0; x < image.width; ++x) image.pixels[size_t(y) * image.width + x] = row[x] & 0xFFFFFF;
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return true;
}

bool LoadPatternImage(const std::string& path, TPixelImage& image, std::string& error) {
  image = TPixelImage();
  bool ok = IsPngName(path) ? LoadPngImage(path, image, error) : LoadBmpImage(path, image, error);
  if (!ok) image = TPixelImage();
  return ok;
}

}  // namespace ruvel
