#include "platform/screenshot.h"

#include <SDL.h>
#include <png.h>

#include <cstdio>
#include <filesystem>

namespace ruvel {

namespace {

struct PngWriter {
  FILE* file = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriter() { Close(); }
  // Frees libpng's state and closes the file; false when the close failed.
  bool Close() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
    png = nullptr;
    info = nullptr;
    bool ok = true;
    if (file) ok = std::fclose(file) == 0;
    file = nullptr;
    return ok;
  }
};

// libpng reports errors by longjmp; the message is kept for the caller.
void OnPngError(png_structp png, png_const_charp message) {
  auto* error = static_cast<std::string*>(png_get_error_ptr(png));
  if (error) *error = message ? message : "libpng error";
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

bool WriteRows(PngWriter& w, int width, int height, const std::vector<uint32_t>& argb, std::vector<png_byte>& row,
               std::string& error) {
  if (setjmp(png_jmpbuf(w.png))) return false;
  png_init_io(w.png, w.file);
  png_set_IHDR(w.png, w.info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(w.png, w.info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* src = argb.data() + size_t(y) * size_t(width);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = (src[x] >> 16) & 0xFF;
      row[3 * x + 1] = (src[x] >> 8) & 0xFF;
      row[3 * x + 2] = src[x] & 0xFF;
    }
    png_write_row(w.png, row.data());
  }
  png_write_end(w.png, nullptr);
  return error.empty();
}

}  // namespace

bool WritePng(const std::string& path, int w, int h, const std::vector<uint32_t>& argb, std::string& error) {
  if (w <= 0 || h <= 0 || argb.size() < size_t(w) * size_t(h)) {
    error = "empty picture";
    return false;
  }
  std::string temp = path + ".tmp";
  std::vector<png_byte> row(size_t(w) * 3);
  PngWriter writer;
  writer.file = std::fopen(temp.c_str(), "wb");
  if (!writer.file) {
    error = "cannot write " + path;
    return false;
  }
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  if (writer.png) writer.info = png_create_info_struct(writer.png);
  bool ok = writer.png && writer.info && WriteRows(writer, w, h, argb, row, error);
  if (!writer.Close() && ok) {
    ok = false;
    error = "cannot write " + path;
  }
  if (!ok) {
    if (error.empty()) error = "libpng could not start";
    std::remove(temp.c_str());
    return false;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::remove(temp.c_str());
    error = "cannot write " + path + ": " + ec.message();
    return false;
  }
  return true;
}

bool SaveRendererPng(SDL_Renderer* renderer, int w, int h, const std::string& path, std::string& error) {
  if (w <= 0 || h <= 0) {
    error = "empty picture";
    return false;
  }
  std::vector<uint32_t> px(size_t(w) * size_t(h));
  SDL_Rect r{0, 0, w, h};
  if (SDL_RenderReadPixels(renderer, &r, SDL_PIXELFORMAT_ARGB8888, px.data(), w * 4) != 0) {
    error = SDL_GetError();
    return false;
  }
  return WritePng(path, w, h, px, error);
}

}  // namespace ruvel
