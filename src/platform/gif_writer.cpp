#include "platform/gif_writer.h"

#include <gif_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "platform/atomic_file.h"
#include "platform/temp_beside.h"

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

// The longest delay one image can carry (a 16-bit field).
constexpr int kMaxDelayCs = 65535;

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
  // A streamed file that was never saved leaves nothing behind.
  if (fd_ >= 0) CommitTempBeside(fd_, temp_, target_, false);
}

bool TGifWriter::CanWrite(const std::string& path, std::string& error) {
  // Only a new file or a plain one is replaced (never a folder).
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    error = path + ": not a plain file";
    return false;
  }
  std::string temp;
  int fd = CreateTempBeside(path, temp);
  if (fd < 0) {
    error = path + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  CommitTempBeside(fd, temp, path, false);
  return true;
}

bool TGifWriter::StreamTo(const std::string& path, std::string& error) {
  if (fd_ >= 0) return true;
  fd_ = CreateTempBeside(path, temp_);
  if (fd_ < 0) {
    error = error_ = path + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  target_ = path;
  if (!Drain()) {
    error = error_;
    return false;
  }
  return true;
}

// Writes the bytes encoded so far to the streamed file.
bool TGifWriter::Drain() {
  if (fd_ < 0) return true;
  size_t done = 0;
  while (done < bytes_.size()) {
    ssize_t n = ::write(fd_, bytes_.data() + done, bytes_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = target_ + ": " + std::strerror(errno);
      return false;
    }
    done += size_t(n);
  }
  bytes_.clear();
  return true;
}

bool TGifWriter::PutImage(const TImage& image) {
  auto* gif = static_cast<GifFileType*>(gif_);
  ColorMapObject* map = GifMakeMapObject(TableSize(int(image.colours.size())), nullptr);
  if (!map) {
    error_ = "out of memory";
    return false;
  }
  for (size_t i = 0; i < image.colours.size(); ++i) {
    map->Colors[i].Red = GifByteType(image.colours[i] >> 16);
    map->Colors[i].Green = GifByteType(image.colours[i] >> 8);
    map->Colors[i].Blue = GifByteType(image.colours[i]);
  }
  GraphicsControlBlock gcb{};
  gcb.DisposalMode = DISPOSE_DO_NOT;
  gcb.UserInputFlag = false;
  gcb.DelayTime = std::min(image.delayCs, kMaxDelayCs);
  gcb.TransparentColor = image.transparent ? int(image.colours.size()) - 1 : NO_TRANSPARENT_COLOR;
  GifByteType ext[4];
  size_t extLen = EGifGCBToExtension(&gcb, ext);
  bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extLen), ext) != GIF_ERROR &&
            EGifPutImageDesc(gif, image.x, image.y, image.w, image.h, false, map) != GIF_ERROR;
  std::vector<GifPixelType> line(size_t(image.w));
  for (int y = 0; ok && y < image.h; ++y) {
    std::copy_n(&image.pixels[size_t(y) * size_t(image.w)], image.w, line.begin());
    ok = EGifPutLine(gif, line.data(), image.w) != GIF_ERROR;
  }
  GifFreeMapObject(map);
  if (!ok) {
    error_ = GifError(gif->Error);
    return false;
  }
  // A delay longer than the field holds goes on in one unchanged pixel.
  if (image.delayCs > kMaxDelayCs) {
    TImage more;
    more.w = more.h = 1;
    more.colours = {previous_.empty() ? 0u : previous_[0] & 0xFFFFFF};
    more.pixels = {0};
    more.delayCs = image.delayCs - kMaxDelayCs;
    return PutImage(more);
  }
  return true;
}

bool TGifWriter::Flush() {
  for (const TImage& image : pending_) {
    if (!PutImage(image)) return false;
  }
  pending_.clear();
  return Drain();
}

void TGifWriter::Layer(const std::vector<uint32_t>& rgb, int x0, int y0, int x1, int y1) {
  auto at = [&](int x, int y) { return rgb[size_t(y) * size_t(width_) + size_t(x)] & 0xFFFFFF; };
  std::unordered_map<uint32_t, int> count;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) ++count[at(x, y)];
  }
  // The most frequent colours first (ties by value, so a file is the same
  // every time).
  std::vector<std::pair<uint32_t, int>> order(count.begin(), count.end());
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  // Where each colour is drawn exactly: layer and index in its table.
  struct TSlot {
    int layer;
    int index;
  };
  std::unordered_map<uint32_t, TSlot> slot;
  std::vector<std::vector<uint32_t>> tables(1);
  for (size_t i = 0; i < order.size(); ++i) {
    size_t layer = i < 256 ? 0 : 1 + (i - 256) / 255;
    if (layer >= size_t(kMaxLayers)) break;
    if (layer >= tables.size()) tables.emplace_back();
    slot[order[i].first] = TSlot{int(layer), int(tables[layer].size())};
    tables[layer].push_back(order[i].first);
  }
  // The first layer covers the rectangle: colours it lacks are drawn with
  // the nearest of its own until a later layer draws them exactly.
  std::unordered_map<uint32_t, int> nearest;
  auto firstIndex = [&](uint32_t c) {
    auto s = slot.find(c);
    if (s != slot.end() && s->second.layer == 0) return s->second.index;
    auto n = nearest.find(c);
    if (n != nearest.end()) return n->second;
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < tables[0].size(); ++i) {
      uint32_t t = tables[0][i];
      long dr = long(c >> 16 & 0xFF) - long(t >> 16 & 0xFF);
      long dg = long(c >> 8 & 0xFF) - long(t >> 8 & 0xFF);
      long db = long(c & 0xFF) - long(t & 0xFF);
      long d = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || d < bestDistance) {
        bestDistance = d;
        best = int(i);
      }
    }
    nearest[c] = best;
    return best;
  };
  TImage first;
  first.x = x0;
  first.y = y0;
  first.w = x1 - x0;
  first.h = y1 - y0;
  first.colours = tables[0];
  first.pixels.reserve(size_t(first.w) * size_t(first.h));
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) first.pixels.push_back(uint8_t(firstIndex(at(x, y))));
  }
  pending_.push_back(std::move(first));
  for (size_t layer = 1; layer < tables.size(); ++layer) {
    // The rectangle around the pixels of this layer's colours.
    int lx0 = x1, ly0 = y1, lx1 = x0, ly1 = y0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        auto s = slot.find(at(x, y));
        if (s == slot.end() || s->second.layer != int(layer)) continue;
        lx0 = std::min(lx0, x);
        lx1 = std::max(lx1, x + 1);
        ly0 = std::min(ly0, y);
        ly1 = std::max(ly1, y + 1);
      }
    }
    TImage image;
    image.x = lx0;
    image.y = ly0;
    image.w = lx1 - lx0;
    image.h = ly1 - ly0;
    image.colours = tables[layer];
    image.colours.push_back(0);
    image.transparent = true;
    uint8_t clear = uint8_t(image.colours.size() - 1);
    image.pixels.reserve(size_t(image.w) * size_t(image.h));
    for (int y = ly0; y < ly1; ++y) {
      for (int x = lx0; x < lx1; ++x) {
        auto s = slot.find(at(x, y));
        bool here = s != slot.end() && s->second.layer == int(layer);
        image.pixels.push_back(here ? uint8_t(s->second.index) : clear);
      }
    }
    pending_.push_back(std::move(image));
  }
}

int TGifWriter::TakeDelay(double delayMs, int atLeast) {
  // Delays are in 1/100 s: the fractions carry over, so 34 ms frames are
  // shown for 3, 4, 3, 3, 4... hundredths; a frame given more than its
  // time (one hundredth for each layer) is paid back by the next ones.
  double wanted = delayMs / 10.0 + delayCarryCs_;
  int delayCs = std::max(atLeast, int(std::lround(wanted)));
  delayCarryCs_ = wanted - delayCs;
  return delayCs;
}

void TGifWriter::AddTime(double delayMs) {
  if (pending_.empty()) return;
  pending_.back().delayCs += TakeDelay(delayMs, 0);
}

bool TGifWriter::AddFrame(const std::vector<uint32_t>& rgb, double delayMs) {
  if (!gif_ || !error_.empty()) return false;
  if (rgb.size() != size_t(width_) * size_t(height_)) {
    error_ = "picture size changed";
    return false;
  }
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
    // Nothing changed: the picture before stays up that much longer.
    if (x1 <= x0 || y1 <= y0) {
      AddTime(delayMs);
      ++frames_;
      return true;
    }
  }
  if (!Flush()) return false;
  Layer(rgb, x0, y0, x1, y1);
  int layers = int(pending_.size());
  int total = TakeDelay(delayMs, layers);
  for (TImage& image : pending_) image.delayCs = 1;
  pending_.back().delayCs = total - (layers - 1);
  previous_ = rgb;
  ++frames_;
  return true;
}

bool TGifWriter::Save(const std::string& path, std::string& error) {
  if (!gif_ || !error_.empty()) {
    error = error_.empty() ? "no GIF encoder" : error_;
    return false;
  }
  if (!Flush()) {
    error = error_;
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
  if (fd_ >= 0) {
    bool ok = Drain();
    int fd = fd_;
    fd_ = -1;
    if (!CommitTempBeside(fd, temp_, target_, ok)) {
      error = ok ? target_ + ": cannot be written" : error_;
      return false;
    }
    return true;
  }
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
  int pendingCs = 0;  // time of 0 s images folded into the next
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
    // A layer with a transparent colour completes the picture before it.
    if (gcb.TransparentColor != NO_TRANSPARENT_COLOR && !out.pictures.empty() && pendingCs == 0) {
      out.pictures.back() = canvas;
      out.delaysCs.back() += gcb.DelayTime;
      continue;
    }
    pendingCs += gcb.DelayTime;
    if (gcb.DelayTime > 0 || i + 1 == gif->ImageCount) {
      out.pictures.push_back(canvas);
      out.delaysCs.push_back(pendingCs);
      pendingCs = 0;
    }
  }
  DGifCloseFile(gif, &err);
  return ok;
}

}  // namespace ruvel
