// A rectangle in pixels, right- and bottom-exclusive, as the drawing code
// and the hit test use it.
#pragma once
#include <cstdint>

namespace ruvel {

struct TRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool operator==(const TRect& o) const = default;
};

inline TRect RectXYWH(int32_t x, int32_t y, int32_t w, int32_t h) { return TRect{x, y, x + w, y + h}; }

}  // namespace ruvel
