#include "screen/pattern_cutter.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/clock.h"
#include "platform/message_sink.h"

namespace ruvel {

int ColorDistance(uint32_t a, uint32_t b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8) d += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
  return d;
}

namespace {

class TCutter {
 public:
  explicit TCutter(const TPixelImage& image) : img_(image), background_(image.At(0, 0)) {}

  bool Ink(int32_t x, int32_t y) const { return ColorDistance(img_.At(x, y), background_) > kInkDistance; }

  // The element whose frame or one-pixel margin holds (x, y).
  const TPatElem* Covering(int32_t x, int32_t y) const {
    for (const TPatElem& e : result.elems) {
      const TRect& r = e.rect;
      if (r.left - 1 <= x && x <= r.right + 1 && r.top - 1 <= y && y <= r.bottom + 1) return &e;
    }
    return nullptr;
  }

  // Cuts the pattern whose frame has its top-left corner at (x, y).
  bool CutOne(int32_t x, int32_t y) {
    const int32_t w = img_.width;
    const int32_t h = img_.height;
    int32_t c = x;
    while (c < w - 1 && Ink(c, y)) ++c;
    if (c >= w - 1) return false;  // the top border runs to the last column
    const int32_t r = c - 1;
    int32_t row = y;
    if (r >= x) {
      while (row < h - 1 && Ink(r, row)) {
        if (Ink(r + 1, row)) return false;  // something touches the right border
        ++row;
      }
    }
    const int32_t b = row - 1;
    const int32_t iw = r - x - 1;
    const int32_t ih = b - y - 1;
    if (iw < 1 || ih < 1) {
      LogLine("(" + std::to_string(x) + "," + std::to_string(y) + ")-(" + std::to_string(iw) + "," +
              std::to_string(ih) + ")");
      return false;
    }
    result.elems.push_back(TPatElem{TRect{x + 1, y + 1, r, b}, img_.At(x, y)});
    return true;
  }

  void Run(const std::function<void()>& refill) {
    double rowStart = TickMs();
    for (int32_t y = 0; y < img_.height; ++y) {
      double now = TickMs();
      if (now - rowStart > 100.0 && refill) refill();
      rowStart = now;
      int32_t x = 0;
      while (x < img_.width) {
        if (!Ink(x, y)) {
          ++x;
        } else if (const TPatElem* e = Covering(x, y)) {
          x = e->rect.right + 2;
        } else if (CutOne(x, y)) {
          ++x;
        } else {
          FallBack();
          return;
        }
      }
    }
  }

  TCutResult result;

 private:
  void FallBack() {
    LogLine("fail to q");
    result.cutOk = false;
    result.elems.clear();
    result.elems.push_back(TPatElem{TRect{1, 1, img_.width, img_.height}, img_.At(0, 0)});
  }

  const TPixelImage& img_;
  uint32_t background_;
};

}  // namespace

TCutResult CutSheet(const TPixelImage& image, const std::function<void()>& refill) {
  if (image.width <= 0 || image.height <= 0 || image.pixels.size() != size_t(image.width) * size_t(image.height)) {
    return TCutResult{};
  }
  TCutter cutter(image);
  cutter.Run(refill);
  return std::move(cutter.result);
}

std::vector<uint32_t> KeyedPixels(const TPixelImage& image, const std::vector<TPatElem>& elems) {
  std::vector<uint32_t> argb(image.pixels.size());
  for (size_t i = 0; i < argb.size(); ++i) argb[i] = 0xFF000000u | image.pixels[i];
  for (const TPatElem& e : elems) {
    const int32_t top = std::max(e.rect.top, 0);
    const int32_t left = std::max(e.rect.left, 0);
    const int32_t bottom = std::min(e.rect.bottom, image.height);
    const int32_t right = std::min(e.rect.right, image.width);
    for (int32_t y = top; y < bottom; ++y) {
      for (int32_t x = left; x < right; ++x) {
        size_t i = size_t(y) * size_t(image.width) + size_t(x);
        if (image.pixels[i] == e.key) argb[i] = 0;
      }
    }
  }
  return argb;
}

}  // namespace ruvel
