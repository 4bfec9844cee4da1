#include "screen/sprite.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/surface.h"
#include "platform/text_render.h"
#include "screen/copy_clip.h"
#include "screen/pattern_source.h"
#include "vm/symbols.h"

namespace ruvel {

namespace {

// Larger pictures than this are not drawn (a runaway scale would otherwise
// ask the renderer for an enormous copy).
constexpr double kMaxDestSize = 65536.0;

uint8_t ClampAlpha(int32_t a) { return static_cast<uint8_t>(std::clamp(a, 0, 255)); }

// Clips a source rectangle to the texture and moves the destination's
// top-left corner by what was cut away; false when nothing is left.
bool ClipSource(TRect& src, int32_t& dx, int32_t& dy, int32_t texW, int32_t texH) {
  if (src.left < 0) { dx -= src.left; src.left = 0; }
  if (src.top < 0) { dy -= src.top; src.top = 0; }
  src.right = std::min(src.right, texW);
  src.bottom = std::min(src.bottom, texH);
  return !src.Empty();
}

int32_t ClampCoord(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -(1 << 24), 1 << 24)); }

// The pixels of the target: its surface, else the renderer's target
// texture or output.
TRect TargetRect(const TDrawTarget& target) {
  int w = 0;
  int h = 0;
  if (target.surface) {
    w = target.surface->Width();
    h = target.surface->Height();
  } else if (SDL_Texture* t = SDL_GetRenderTarget(target.renderer)) {
    SDL_QueryTexture(t, nullptr, nullptr, &w, &h);
  } else {
    SDL_GetRendererOutputSize(target.renderer, &w, &h);
  }
  return TRect{0, 0, w, h};
}

}  // namespace

bool ClipLine(int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1, const TRect& area) {
  if (area.Empty()) return false;
  // Liang-Barsky over the pixel centres of the area, in doubles so that
  // ends at +-2^31 cannot overflow.
  double dx = double(x1 - x0);
  double dy = double(y1 - y0);
  double t0 = 0.0;
  double t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {double(x0) - area.left, double(area.right - 1) - double(x0), double(y0) - area.top,
                       double(area.bottom - 1) - double(y0)};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    double r = q[i] / p[i];
    if (p[i] < 0.0) t0 = std::max(t0, r);
    else t1 = std::min(t1, r);
    if (t0 > t1) return false;
  }
  double sx = double(x0);
  double sy = double(y0);
  int64_t nx0 = std::llround(sx + dx * t0);
  int64_t ny0 = std::llround(sy + dy * t0);
  int64_t nx1 = std::llround(sx + dx * t1);
  int64_t ny1 = std::llround(sy + dy * t1);
  // Rounding may step half a pixel out; the ends stay on the area.
  auto inX = [&](int64_t v) { return std::clamp<int64_t>(v, area.left, area.right - 1); };
  auto inY = [&](int64_t v) { return std::clamp<int64_t>(v, area.top, area.bottom - 1); };
  x0 = inX(nx0);
  y0 = inY(ny0);
  x1 = inX(nx1);
  y1 = inY(ny1);
  return true;
}

namespace {

}  // namespace

TSpriteSettings& SpriteSettings() {
  static TSpriteSettings settings;
  return settings;
}

TSpriteShift SpriteShiftFor(Instance* owner) {
  const TSpriteSettings& s = SpriteSettings();
  TSpriteShift shift{-int64_t(s.adjustX), -int64_t(s.adjustY)};
  if ((s.cameraX == 0 && s.cameraY == 0)) return shift;
  if (owner) {
    static int32_t cache = 0;
    static const int32_t hud = Intern("hud");
    if (Value* v = FindMemberSlot(owner, hud, cache)) {
      if ((v->tag == kInt && v->i == 1) || (v->tag == kFloat && v->f == 1.0f)) return shift;
    }
  }
  shift.x -= s.cameraX;
  shift.y -= s.cameraY;
  return shift;
}

void ResetCamera() {
  SpriteSettings().cameraX = 0;
  SpriteSettings().cameraY = 0;
}

int32_t DxDestSize(int32_t w, double scale) {
  double d = double(w) * scale + 0.5;
  if (!std::isfinite(d)) return 0;
  d = std::clamp(d, -kMaxDestSize, kMaxDestSize);
  return static_cast<int32_t>(d);  // truncates toward zero
}

int32_t AngleTo256(int32_t degrees) {
  int64_t a = degrees;
  a = a < 0 ? (360 - (-a % 360)) % 360 : a % 360;
  return static_cast<int32_t>(a * 256 / 360);
}

std::vector<TMapPiece> MapPieces(int32_t sw, int32_t sh, int32_t sx, int32_t sy, int32_t dw, int32_t dh) {
  std::vector<TMapPiece> pieces;
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return pieces;
  sx = ((sx % sw) + sw) % sw;
  sy = ((sy % sh) + sh) % sh;
  int32_t c = std::min(dw, sw - sx);
  int32_t f = std::min(dh, sh - sy);
  pieces.push_back({TRect{sx, sy, sx + c, sy + f}, 0, 0});
  if (f < dh) pieces.push_back({TRect{sx, 0, sx + c, dh - f}, 0, f});
  if (c < dw) pieces.push_back({TRect{0, sy, dw - c, sy + f}, c, 0});
  if (f < dh && c < dw) pieces.push_back({TRect{0, 0, dw - c, dh - f}, c, f});
  return pieces;
}

// ---- patterns

void TGrpSprite::Draw(TDrawTarget& target) {
  TPatternView v;
  if (!FindPattern(pattern, v)) return;
  int32_t w = v.rect.Width();
  int32_t h = v.rect.Height();
  if (w <= 0 || h <= 0) return;
  SDL_Rect src{v.rect.left, v.rect.top, w, h};
  SDL_Rect dst{x - w / 2, y - h / 2, w, h};
  SDL_SetTextureAlphaMod(v.texture, 255);
  if (mirrored) {
    SDL_RenderCopyEx(target.renderer, v.texture, &src, &dst, 0.0, nullptr, SDL_FLIP_HORIZONTAL);
  } else {
    SDL_RenderCopy(target.renderer, v.texture, &src, &dst);
  }
}

TRect TGrpSprite::Bounds(TDrawTarget& target) {
  (void)target;
  TPatternView v;
  if (!FindPattern(pattern, v)) return TRect{x, y, x + 1, y + 1};
  int32_t w = v.rect.Width();
  int32_t h = v.rect.Height();
  return RectXYWH(x - w / 2, y - h / 2, w, h);
}

void TDxGrpSprite::Draw(TDrawTarget& target) {
  TPatternView v;
  if (!FindPattern(pattern, v)) return;
  int32_t w = v.rect.Width();
  int32_t h = v.rect.Height();
  if (w <= 0 || h <= 0) return;
  if (mirrored) w = -w;
  int32_t dw = DxDestSize(w, scaleX);
  int32_t dh = DxDestSize(h, scaleY);
  if (dw == 0 || dh == 0) return;
  int flip = (dw < 0 ? SDL_FLIP_HORIZONTAL : 0) | (dh < 0 ? SDL_FLIP_VERTICAL : 0);
  float fw = float(std::abs(dw));
  float fh = float(std::abs(dh));
  SDL_Rect src{v.rect.left, v.rect.top, v.rect.Width(), h};
  SDL_FRect dst{float(x) - fw / 2.0f, float(y) - fh / 2.0f, fw, fh};
  double degrees = AngleTo256(angle) * 360.0 / 256.0;
  TCopyEx copy;
  if (!ClipCopyEx(src, dst, degrees, flip, TargetRect(target), copy)) return;
  SDL_SetTextureAlphaMod(v.texture, ClampAlpha(alpha));
  SDL_RenderCopyExF(target.renderer, v.texture, &copy.src, &copy.dst, degrees, &copy.center,
                    static_cast<SDL_RendererFlip>(flip));
  SDL_SetTextureAlphaMod(v.texture, 255);
}

// ---- text

void TTxtSprite::Draw(TDrawTarget& target) {
  if (target.text) target.text->Draw(text, font, color, x, y);
}

TRect TTxtSprite::Bounds(TDrawTarget& target) {
  int w = 0;
  int h = 0;
  if (target.text) target.text->Measure(text, font, w, h);
  return RectXYWH(x, y, w, h);
}

// ---- lines and rectangles

void TLineSprite::Draw(TDrawTarget& target) {
  int64_t dx = int64_t(x2) - x;
  int64_t dy = int64_t(y2) - y;
  int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
  if (steps == 0) return;
  // The last point drawn is the one before (x2, y2) on the line.
  double t = double(steps - 1) / double(steps);
  int64_t sx = x;
  int64_t sy = y;
  int64_t ex = std::llround(double(x) + double(dx) * t);
  int64_t ey = std::llround(double(y) + double(dy) * t);
  // Only the part over the target is rasterised: a line to +-2^31 would
  // otherwise be stepped through pixel by pixel.
  if (!ClipLine(sx, sy, ex, ey, TargetRect(target))) return;
  SDL_SetRenderDrawBlendMode(target.renderer, SDL_BLENDMODE_NONE);
  SetDrawColor(target.renderer, color);
  SDL_RenderDrawLine(target.renderer, ClampCoord(sx), ClampCoord(sy), ClampCoord(ex), ClampCoord(ey));
}

TRect TLineSprite::Bounds(TDrawTarget& target) {
  (void)target;
  return TRect{std::min(x, x2), std::min(y, y2), std::max(x, x2), std::max(y, y2)};
}

void TRectSprite::Draw(TDrawTarget& target) {
  if (x2 <= x || y2 <= y) return;
  TRect area = TargetRect(target);
  int32_t limitW = area.right;
  int32_t limitH = area.bottom;
  int32_t l = std::max(x, 0);
  int32_t t = std::max(y, 0);
  int32_t r = std::min(x2, limitW);
  int32_t b = std::min(y2, limitH);
  if (r <= l || b <= t) return;
  SDL_Rect rc{l, t, r - l, b - t};
  SDL_SetRenderDrawBlendMode(target.renderer, SDL_BLENDMODE_NONE);
  SetDrawColor(target.renderer, color);
  SDL_RenderFillRect(target.renderer, &rc);
}

// ---- map pictures

void TMapSprite::Draw(TDrawTarget& target) {
  if (!source) return;
  SDL_Texture* tex = source->KeyedTexture();
  SDL_SetTextureAlphaMod(tex, alpha > 254 ? 255 : ClampAlpha(alpha));
  if (rotated) {
    TRect src{0, 0, std::min(srcWidth, source->Width()), std::min(srcHeight, source->Height())};
    if (!src.Empty() && dstWidth != 0 && dstHeight != 0) {
      float fw = float(std::abs(dstWidth));
      float fh = float(std::abs(dstHeight));
      int flip = (dstWidth < 0 ? SDL_FLIP_HORIZONTAL : 0) | (dstHeight < 0 ? SDL_FLIP_VERTICAL : 0);
      SDL_Rect s{0, 0, src.Width(), src.Height()};
      SDL_FRect d{float(x) - fw / 2.0f, float(y) - fh / 2.0f, fw, fh};
      double degrees = AngleTo256(angle) * 360.0 / 256.0;
      TCopyEx copy;
      if (ClipCopyEx(s, d, degrees, flip, TargetRect(target), copy)) {
        SDL_RenderCopyExF(target.renderer, tex, &copy.src, &copy.dst, degrees, &copy.center,
                          static_cast<SDL_RendererFlip>(flip));
      }
    }
  } else {
    for (TMapPiece p : MapPieces(srcWidth, srcHeight, srcX, srcY, dstWidth, dstHeight)) {
      int32_t dx = x + p.dx;
      int32_t dy = y + p.dy;
      if (!ClipSource(p.src, dx, dy, source->Width(), source->Height())) continue;
      SDL_Rect s{p.src.left, p.src.top, p.src.Width(), p.src.Height()};
      SDL_Rect d{dx, dy, p.src.Width(), p.src.Height()};
      SDL_RenderCopy(target.renderer, tex, &s, &d);
    }
  }
  SDL_SetTextureAlphaMod(tex, 255);
}

TRect TMapSprite::Bounds(TDrawTarget& target) {
  (void)target;
  if (rotated) return TRect{x - dstWidth / 2, y - dstHeight / 2, x + dstWidth / 2, y + dstHeight / 2};
  return TRect{x, y, x + dstWidth, y + dstHeight};
}

}  // namespace ruvel
