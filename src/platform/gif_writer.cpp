#include "platform/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "platform/atomic_file.h"

namespace ruvel {

namespace {

int AppendBytes(GifFileType* gif, const GifByteType* data, int n) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size_t(n));
  return n;
}

std::string GifError(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "GIF error " + std::to_string(code);
}

// The smallest colour-table size (a power of two, at least 2) for n colours.
int TableSize(int n) {
  int size = 2;
  while (size < n) size *= 2;
  return size;
}

}  // namespace

TGifWriter::TGifWriter(int width, int height) : width_(std::max(1, width)), height_(std::max(1, height)) {
  int err = 0;
  GifFileType* gif = EGifOpen(&bytes_, AppendBytes, &err);
  if (!gif) {
    error_ = GifError(err);
    return;
  }
  gif_ = gif;
  EGifSetGifVersion(gif, true);
  if (EGifPutScreenDesc(gif, width_, height_, 8, 0, nullptr) == GIF_ERROR) {
    error_ = GifError(gif->Error);
    return;
  }
  // Loop forever.
  static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
  static const GifByteType loop[] = {1, 0, 0};
  if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
      EGifPutExtensionBlock(gif, sizeof netscape, netscape) == GIF_ERROR ||
      EGifPutExtensionBlock(gif, sizeof loop, loop) == GIF_ERROR || EGifPutExtensionTrailer(gif) == GIF_ERROR) {
    error_ = GifError(gif->Error);
  }
}

TGifWriter::~TGifWriter() {
  if (gif_) {
    int err = 0;
    EGifCloseFile(static_cast<GifFileType*>(gif_), &err);
  }
}

bool TGifWriter::PutRect(const std::vector<uint32_t>& rgb, int x0, int y0, int x1, int y1, int delayCs) {
  auto* gif = static_cast<GifFileType*>(gif_);
  std::unordered_map<uint32_t, int> index;
  std::vector<uint32_t> colours;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      uint32_t c = rgb[size_t(y) * size_t(width_) + size_t(x)] & 0xFFFFFF;
      if (index.emplace(c, int(colours.size())).second) colours.push_back(c);
    }
  }
  ColorMapObject* map = GifMakeMapObject(TableSize(int(colours.size())), nullptr);
  if (!map) {
    error_ = "out of memory";
    return false;
  }
  for (size_t i = 0; i < colours.size(); ++i) {
    map->Colors[i].Red = GifByteType(colours[i] >> 16);
    map->Colors[i].Green = GifByteType(colours[i] >> 8);
    map->Colors[i].Blue = GifByteType(colours[i]);
  }
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSE_DO_NOT;
  gcb.UserInputFlag = false;
  gcb.DelayTime = delayCs;
  gcb.TransparentColor = NO_TRANSPARENT_COLOR;
  GifByteType ext[4];
  size_t extLen = EGifGCBToExtension(&gcb, ext);
  bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extLen), ext) != GIF_ERROR &&
            EGifPutImageDesc(gif, x0, y0, x1 - x0, y1 - y0, false, map) != GIF_ERROR;
  std::vector<GifPixelType> line(size_t(x1 - x0));
  for (int y = y0; ok && y < y1; ++y) {
    for (int x = x0; x < x1; ++x) line[size_t(x - x0)] = GifPixelType(index[rgb[size_t(y) * size_t(width_) + size_t(x)] & 0xFFFFFF]);
    ok = EGifPutLine(gif, line.data(), x1 - x0) != GIF_ERROR;
  }
  GifFreeMapObject(map);
  if (!ok) error_ = GifError(gif->Error);
  return ok;
}

// Puts the rectangle as one image when it has at most 256 colours, else
// as halves (cut across the longer side); only the last piece is shown for
// the frame's time.
bool TGifWriter::PutPiece(const std::vector<uint32_t>& rgb, int x0, int y0, int x1, int y1, int delayCs) {
  std::unordered_map<uint32_t, bool> seen;
  bool fits = true;
  for (int y = y0; fits && y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      seen.emplace(rgb[size_t(y) * size_t(width_) + size_t(x)] & 0xFFFFFF, true);
      if (seen.size() > 256) {
        fits = false;
        break;
      }
    }
  }
  if (fits) return PutRect(rgb, x0, y0, x1, y1, delayCs);
  if (x1 - x0 >= y1 - y0) {
    int mid = (x0 + x1) / 2;
    return PutPiece(rgb, x0, y0, mid, y1, 0) && PutPiece(rgb, mid, y0, x1, y1, delayCs);
  }
  int mid = (y0 + y1) / 2;
  return PutPiece(rgb, x0, y0, x1, mid, 0) && PutPiece(rgb, x0, mid, x1, y1, delayCs);
}

bool TGifWriter::AddFrame(const std::vector<uint32_t>& rgb, double delayMs) {
  if (!gif_ || !error_.empty()) return false;
  if (rgb.size() != size_t(width_) * size_t(height_)) {
    error_ = "picture size changed";
    return false;
  }
  // Delays are in 1/100 s: the fractions carry over, so 34 ms frames are
  // shown for 3, 4, 3, 3, 4... hundredths.
  double wanted = delayMs / 10.0 + delayCarryCs_;
  int delayCs = std::max(1, int(std::lround(wanted)));
  delayCarryCs_ = wanted - delayCs;
  // The rectangle that changed since the previous frame.
  int x0 = 0, y0 = 0, x1 = width_, y1 = height_;
  if (!previous_.empty()) {
    x0 = width_;
    y0 = height_;
    x1 = 0;
    y1 = 0;
    for (int y = 0; y < height_; ++y) {
      const uint32_t* a = &rgb[size_t(y) * size_t(width_)];
      const uint32_t* b = &previous_[size_t(y) * size_t(width_)];
      if (std::memcmp(a, b, size_t(width_) * sizeof(uint32_t)) == 0) continue;
      for (int x = 0; x < width_; ++x) {
        if ((a[x] & 0xFFFFFF) != (b[x] & 0xFFFFFF)) {
          x0 = std::min(x0, x);
          x1 = std::max(x1, x + 1);
        }
      }
      y0 = std::min(y0, y);
      y1 = std::max(y1, y + 1);
    }
    // Nothing changed: one unchanged pixel carries the frame's time.
    if (x1 <= x0 || y1 <= y0) {
      x0 = y0 = 0;
      x1 = y1 = 1;
    }
  }
  if (!PutPiece(rgb, x0, y0, x1, y1, delayCs)) return false;
  previous_ = rgb;
  ++frames_;
  return true;
}

bool TGifWriter::Save(const std::string& path, std::string& error) {
  if (!gif_ || !error_.empty()) {
    error = error_.empty() ? "no GIF encoder" : error_;
    return false;
  }
  int err = 0;
  // Closing writes the trailer into bytes_.
  if (EGifCloseFile(static_cast<GifFileType*>(gif_), &err) == GIF_ERROR) {
    gif_ = nullptr;
    error = error_ = GifError(err);
    return false;
  }
  gif_ = nullptr;
  if (!WriteFileAtomic(path, bytes_)) {
    error = path + ": cannot be written";
    return false;
  }
  return true;
}

bool ReadGifFrames(const std::string& path, TGifFrames& out, std::string& error) {
  int err = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &err);
  if (!gif) {
    error = GifError(err);
    return false;
  }
  if (DGifSlurp(gif) == GIF_ERROR) {
    error = GifError(gif->Error);
    DGifCloseFile(gif, &err);
    return false;
  }
  out = TGifFrames();
  out.width = gif->SWidth;
  out.height = gif->SHeight;
  std::vector<uint32_t> canvas(size_t(out.width) * size_t(out.height), 0);
  bool ok = true;
  for (int i = 0; i < gif->ImageCount && ok; ++i) {
    const SavedImage& image = gif->SavedImages[i];
    const GifImageDesc& d = image.ImageDesc;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || d.Left < 0 || d.Top < 0 || d.Left + d.Width > out.width || d.Top + d.Height > out.height) {
      error = "image outside the screen or without colours";
      ok = false;
      break;
    }
    GraphicsControlBlock gcb{};
    gcb.DelayTime = 0;
    DGifSavedExtensionToGCB(gif, i, &gcb);
    for (int y = 0; y < d.Height; ++y) {
      for (int x = 0; x < d.Width; ++x) {
        int k = image.RasterBits[size_t(y) * size_t(d.Width) + size_t(x)];
        if (k == gcb.TransparentColor) continue;
        if (k >= map->ColorCount) continue;
        const GifColorType& c = map->Colors[k];
        canvas[size_t(d.Top + y) * size_t(out.width) + size_t(d.Left + x)] =
            uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | uint32_t(c.Blue);
      }
    }
    if (gcb.DelayTime > 0 || i + 1 == gif->ImageCount) {
      out.pictures.push_back(canvas);
      out.delaysCs.push_back(gcb.DelayTime);
    }
  }
  DGifCloseFile(gif, &err);
  return ok;
}

}  // namespace ruvel
