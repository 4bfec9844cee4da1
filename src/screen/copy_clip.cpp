#include "screen/copy_clip.h"

#include <algorithm>
#include <cmath>

namespace ruvel {

bool ClipCopyEx(const SDL_Rect& src, const SDL_FRect& dst, double degrees, int flip, const TRect& area, TCopyEx& out) {
  if (src.w <= 0 || src.h <= 0 || !(dst.w > 0) || !(dst.h > 0) || area.Empty()) return false;
  double cx = double(dst.x) + dst.w / 2.0;
  double cy = double(dst.y) + dst.h / 2.0;
  double rad = degrees * M_PI / 180.0;
  double c = std::cos(rad);
  double s = std::sin(rad);
  // The area's corners taken back through the turn into the unturned
  // destination, then into source pixels.
  double kx = dst.w / double(src.w);
  double ky = dst.h / double(src.h);
  double lo[2] = {1e300, 1e300};
  double hi[2] = {-1e300, -1e300};
  const double xs[2] = {double(area.left), double(area.right)};
  const double ys[2] = {double(area.top), double(area.bottom)};
  for (double px : xs) {
    for (double py : ys) {
      double dx = px - cx;
      double dy = py - cy;
      double u = dx * c + dy * s + dst.w / 2.0;
      double v = -dx * s + dy * c + dst.h / 2.0;
      double sx = u / kx;
      double sy = v / ky;
      if (flip & SDL_FLIP_HORIZONTAL) sx = src.w - sx;
      if (flip & SDL_FLIP_VERTICAL) sy = src.h - sy;
      lo[0] = std::min(lo[0], sx);
      hi[0] = std::max(hi[0], sx);
      lo[1] = std::min(lo[1], sy);
      hi[1] = std::max(hi[1], sy);
    }
  }
  // One pixel more on each side keeps the edges that rounding touches.
  int sx0 = int(std::clamp(std::floor(lo[0]) - 1.0, 0.0, double(src.w)));
  int sx1 = int(std::clamp(std::ceil(hi[0]) + 1.0, 0.0, double(src.w)));
  int sy0 = int(std::clamp(std::floor(lo[1]) - 1.0, 0.0, double(src.h)));
  int sy1 = int(std::clamp(std::ceil(hi[1]) + 1.0, 0.0, double(src.h)));
  if (sx1 <= sx0 || sy1 <= sy0) return false;
  double u0 = ((flip & SDL_FLIP_HORIZONTAL) ? src.w - sx1 : sx0) * kx;
  double v0 = ((flip & SDL_FLIP_VERTICAL) ? src.h - sy1 : sy0) * ky;
  double w = (sx1 - sx0) * kx;
  double h = (sy1 - sy0) * ky;
  double areaPixels = double(area.Width()) * double(area.Height());
  if (w * h > 16.0 * areaPixels + 65536.0) return false;
  out.src = SDL_Rect{src.x + sx0, src.y + sy0, sx1 - sx0, sy1 - sy0};
  out.dst = SDL_FRect{float(dst.x + u0), float(dst.y + v0), float(w), float(h)};
  out.center = SDL_FPoint{float(dst.w / 2.0 - u0), float(dst.h / 2.0 - v0)};
  return true;
}

}  // namespace ruvel
