#include "platform/surface.h"

#include <SDL.h>

#include <algorithm>

#include "platform/cp932.h"

namespace ruvel {

namespace {
constexpr int kMaxSurfaceSide = 16384;

[[noreturn]] void Fail(const char* what) {
  throw EDrawError(std::string(what) + ": " + SDL_GetError());
}
}  // namespace

void SetDrawColor(SDL_Renderer* renderer, uint32_t bgr, uint8_t alpha) {
  SDL_SetRenderDrawColor(renderer, ColorR(bgr), ColorG(bgr), ColorB(bgr), alpha);
}

TSurface::TSurface(SDL_Renderer* renderer, int w, int h)
    : renderer_(renderer), width_(std::clamp(w, 1, kMaxSurfaceSide)), height_(std::clamp(h, 1, kMaxSurfaceSide)) {
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width_, height_);
  if (!texture_) Fail("SDL_CreateTexture");
  SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
  TTargetScope scope(*this);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
}

TSurface::~TSurface() {
  if (keyed_) SDL_DestroyTexture(keyed_);
  if (texture_) SDL_DestroyTexture(texture_);
}

void TSurface::Bind() {
  if (SDL_SetRenderTarget(renderer_, texture_) != 0) Fail("SDL_SetRenderTarget");
  keyedValid_ = false;
}

void TSurface::Fill(const TRect& r, uint32_t bgr) {
  if (r.Empty()) return;
  TTargetScope scope(*this);
  SDL_Rect rc{r.left, r.top, r.Width(), r.Height()};
  SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
  SetDrawColor(renderer_, bgr);
  SDL_RenderFillRect(renderer_, &rc);
}

bool TSurface::ReadPixels(const TRect& r, std::vector<uint32_t>& argb) {
  if (r.Empty() || r.left < 0 || r.top < 0 || r.right > width_ || r.bottom > height_) return false;
  SDL_Texture* previous = SDL_GetRenderTarget(renderer_);
  if (SDL_SetRenderTarget(renderer_, texture_) != 0) Fail("SDL_SetRenderTarget");
  argb.assign(size_t(r.Width()) * size_t(r.Height()), 0);
  SDL_Rect rc{r.left, r.top, r.Width(), r.Height()};
  int rc2 = SDL_RenderReadPixels(renderer_, &rc, SDL_PIXELFORMAT_ARGB8888, argb.data(), r.Width() * 4);
  SDL_SetRenderTarget(renderer_, previous);
  return rc2 == 0;
}

uint32_t TSurface::GetPixel(int x, int y) {
  std::vector<uint32_t> px;
  if (!ReadPixels(RectXYWH(x, y, 1, 1), px)) return 0;
  return ArgbToBgr(px[0]);
}

void TSurface::CopyFrom(TSurface& src, const TRect& srcRect, int dx, int dy) {
  if (srcRect.Empty()) return;
  TTargetScope scope(*this);
  SDL_Rect s{srcRect.left, srcRect.top, srcRect.Width(), srcRect.Height()};
  SDL_Rect d{dx, dy, srcRect.Width(), srcRect.Height()};
  SDL_SetTextureBlendMode(src.texture_, SDL_BLENDMODE_NONE);
  SDL_RenderCopy(renderer_, src.texture_, &s, &d);
}

void TSurface::SetTransparentColor(uint32_t bgr) {
  bgr &= 0xFFFFFF;
  if (bgr != key_) keyedValid_ = false;
  key_ = bgr;
}

SDL_Texture* TSurface::KeyedTexture() {
  if (keyedValid_ && keyed_) return keyed_;
  if (!keyed_) {
    keyed_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width_, height_);
    if (!keyed_) Fail("SDL_CreateTexture");
    SDL_SetTextureBlendMode(keyed_, SDL_BLENDMODE_BLEND);
  }
  std::vector<uint32_t> px;
  if (!ReadPixels(TRect{0, 0, width_, height_}, px)) Fail("SDL_RenderReadPixels");
  const uint32_t key = BgrToArgb(key_) & 0xFFFFFF;
  for (uint32_t& p : px) p = (p & 0xFFFFFF) == key ? 0 : (p | 0xFF000000u);
  SDL_UpdateTexture(keyed_, nullptr, px.data(), width_ * 4);
  keyedValid_ = true;
  return keyed_;
}

TTargetScope::TTargetScope(SDL_Renderer* renderer, SDL_Texture* target)
    : renderer_(renderer), previous_(SDL_GetRenderTarget(renderer)) {
  if (SDL_SetRenderTarget(renderer_, target) != 0) Fail("SDL_SetRenderTarget");
}

TTargetScope::TTargetScope(TSurface& surface) : TTargetScope(surface.Renderer(), surface.Texture()) {
  surface.Touch();
}

TTargetScope::~TTargetScope() { SDL_SetRenderTarget(renderer_, previous_); }

}  // namespace ruvel
