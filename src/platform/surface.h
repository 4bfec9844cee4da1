// Off-screen surfaces: render-target textures of the window's renderer (the
// back buffer, script panels). A surface keeps a transparent colour; when
// it is drawn with transparency, a copy in which pixels of that colour are
// transparent is made from its pixels and kept until the surface changes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/rect.h"

struct SDL_Renderer;
struct SDL_Texture;

namespace ruvel {

// Drawing into a surface that is not usable (the renderer refused a target
// or a texture): the frame loop disables drawing on it and logs the text.
class EDrawError : public ERuvel {
 public:
  using ERuvel::ERuvel;
};

// Red, green and blue of a colour written 0xBBGGRR (red in the low byte).
inline uint8_t ColorR(uint32_t bgr) { return bgr & 0xFF; }
inline uint8_t ColorG(uint32_t bgr) { return (bgr >> 8) & 0xFF; }
inline uint8_t ColorB(uint32_t bgr) { return (bgr >> 16) & 0xFF; }
// 0xAARRGGBB (SDL's ARGB8888) to 0xBBGGRR and back (alpha opaque).
inline uint32_t ArgbToBgr(uint32_t argb) {
  return ((argb >> 16) & 0xFF) | (argb & 0xFF00) | ((argb & 0xFF) << 16);
}
inline uint32_t BgrToArgb(uint32_t bgr) {
  return 0xFF000000u | (uint32_t(ColorR(bgr)) << 16) | (uint32_t(ColorG(bgr)) << 8) | ColorB(bgr);
}

// Sets the renderer's draw colour from 0xBBGGRR.
void SetDrawColor(SDL_Renderer* renderer, uint32_t bgr, uint8_t alpha = 255);

class TSurface {
 public:
  // A w × h target texture cleared to opaque black, transparent colour 0.
  // Raises EDrawError when the renderer cannot make it.
  TSurface(SDL_Renderer* renderer, int w, int h);
  ~TSurface();
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;

  SDL_Renderer* Renderer() const { return renderer_; }
  SDL_Texture* Texture() const { return texture_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Makes the surface the renderer's drawing target and notes that its
  // pixels will change.
  void Bind();
  // Notes a change of the pixels (the transparent copy is made anew).
  void Touch() { keyedValid_ = false; }

  // Fills r (clipped) with a solid colour, without blending.
  void Fill(const TRect& r, uint32_t bgr);
  // Colour 0xBBGGRR of one pixel; 0 outside the surface.
  uint32_t GetPixel(int x, int y);
  // Pixels of r as 0xAARRGGBB, row by row; false when r is outside.
  bool ReadPixels(const TRect& r, std::vector<uint32_t>& argb);
  // Copies src's rectangle to (dx, dy) without transparency.
  void CopyFrom(TSurface& src, const TRect& srcRect, int dx, int dy);

  void SetTransparentColor(uint32_t bgr);
  uint32_t TransparentColor() const { return key_; }
  // The picture with its transparent-colour pixels see-through.
  SDL_Texture* KeyedTexture();

 private:
  SDL_Renderer* renderer_;
  SDL_Texture* texture_ = nullptr;
  SDL_Texture* keyed_ = nullptr;
  bool keyedValid_ = false;
  int width_;
  int height_;
  uint32_t key_ = 0;
};

// Sets the renderer's target for the life of the scope and restores the
// previous one.
class TTargetScope {
 public:
  TTargetScope(SDL_Renderer* renderer, SDL_Texture* target);
  explicit TTargetScope(TSurface& surface);
  ~TTargetScope();
  TTargetScope(const TTargetScope&) = delete;
  TTargetScope& operator=(const TTargetScope&) = delete;

 private:
  SDL_Renderer* renderer_;
  SDL_Texture* previous_;
};

}  // namespace ruvel
