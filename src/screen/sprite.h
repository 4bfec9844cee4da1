// Sprites: the small drawing commands that scripts record during the
// drawing step of a frame (patterns, scaled and rotated patterns, text,
// lines, rectangles, map pictures), with the geometry each one draws and
// the bounding rectangle the mouse hit test uses. Also the sprite-wide
// settings (adjust offset, text font, map surface).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rect.h"
#include "platform/text_render.h"
#include "vm/value.h"

struct SDL_Renderer;

namespace ruvel {

class TSurface;
class TTextRenderer;

// What a sprite draws into: the renderer with its target already set to
// surface, and the text renderer for that renderer.
// Clips the line from (x0, y0) to (x1, y1), both ends drawn, to the
// pixels of area; false when no pixel of it lies there.
bool ClipLine(int64_t& x0, int64_t& y0, int64_t& x1, int64_t& y1, const TRect& area);

struct TDrawTarget {
  SDL_Renderer* renderer = nullptr;
  TSurface* surface = nullptr;
  TTextRenderer* text = nullptr;
};

class TfSprite {
 public:
  virtual ~TfSprite() = default;
  // Draws into the target. The base draws nothing.
  virtual void Draw(TDrawTarget& target) { (void)target; }
  // Bounding rectangle for the hit test, right- and bottom-exclusive.
  virtual TRect Bounds(TDrawTarget& target) {
    (void)target;
    return TRect{};
  }

  Instance* owner = nullptr;  // the object that recorded it; none for panels
  int32_t x = 0;
  int32_t y = 0;
  int32_t depth = 0;  // larger depth is drawn earlier (further back)
};

// A pattern centred at (x, y), mirrored left to right when asked.
class TGrpSprite : public TfSprite {
 public:
  void Draw(TDrawTarget& target) override;
  TRect Bounds(TDrawTarget& target) override;
  int32_t pattern = 0;
  bool mirrored = false;
};

// A pattern scaled, rotated in 1/256 turns about its centre, and blended.
class TDxGrpSprite : public TGrpSprite {
 public:
  void Draw(TDrawTarget& target) override;
  double scaleX = 1.0;
  double scaleY = 1.0;
  int32_t alpha = 255;
  int32_t angle = 0;  // degrees
};

// Text with its top-left corner at (x, y).
class TTxtSprite : public TfSprite {
 public:
  void Draw(TDrawTarget& target) override;
  TRect Bounds(TDrawTarget& target) override;
  std::string text;  // CP932
  uint32_t color = 0xFFFFFF;
  TFontSpec font;
};

// A line from (x, y) to (x2, y2), the end point itself not drawn.
class TLineSprite : public TfSprite {
 public:
  void Draw(TDrawTarget& target) override;
  TRect Bounds(TDrawTarget& target) override;
  int32_t x2 = 0;
  int32_t y2 = 0;
  uint32_t color = 0xFFFFFF;
};

// A filled rectangle (x, y)-(x2, y2), right and bottom exclusive.
class TRectSprite : public TLineSprite {
 public:
  void Draw(TDrawTarget& target) override;
};

// A window onto a surface used as a torus (scrolling maps and panels), or
// the whole surface scaled and rotated about (x, y).
class TMapSprite : public TfSprite {
 public:
  void Draw(TDrawTarget& target) override;
  TRect Bounds(TDrawTarget& target) override;
  std::shared_ptr<TSurface> source;
  int32_t srcWidth = 0;
  int32_t srcHeight = 0;
  int32_t srcX = 0;  // scroll offset
  int32_t srcY = 0;
  int32_t dstWidth = 0;
  int32_t dstHeight = 0;
  int32_t alpha = 255;
  int32_t angle = 0;
  bool rotated = false;
};

// w × scale + 0.5, truncated toward zero (so -15 + 0.5 gives -14).
int32_t DxDestSize(int32_t w, double scale);
// Degrees reduced into 0..359, then in 1/256 turns (integer division).
int32_t AngleTo256(int32_t degrees);

// One piece of a torus window: a source rectangle and where it goes,
// relative to the sprite's position.
struct TMapPiece {
  TRect src;
  int32_t dx = 0;
  int32_t dy = 0;
  bool operator==(const TMapPiece& o) const = default;
};
// The up to four pieces of a source of sw × sh scrolled to (sx, sy) shown
// in a dw × dh window. Scroll offsets outside the source wrap around.
std::vector<TMapPiece> MapPieces(int32_t sw, int32_t sh, int32_t sx, int32_t sy, int32_t dw, int32_t dh);

// Process-wide sprite settings. Owner: SpriteSettings() (sprite.cpp).
struct TSpriteSettings {
  int32_t adjustX = 0;  // subtracted from the positions of recorded sprites
  int32_t adjustY = 0;
  TFontSpec textFont;   // name and style copied into every text sprite
  std::shared_ptr<TSurface> mapSurface;  // nothing in the program sets it
  // The camera: the map pixel shown at the picture's top-left corner.
  // setCamera sets it; a page load and design mode reset it to (0, 0).
  int32_t cameraX = 0;
  int32_t cameraY = 0;
};
TSpriteSettings& SpriteSettings();

// What a sprite recorded by owner is moved by: minus the adjust offset and,
// unless the owner's member "hud" is 1 (scores, lives), minus the camera.
struct TSpriteShift {
  int64_t x = 0;
  int64_t y = 0;
  // A recorded coordinate; the result wraps into 32 bits as before.
  int32_t X(int64_t v) const { return static_cast<int32_t>(static_cast<uint32_t>(v + x)); }
  int32_t Y(int64_t v) const { return static_cast<int32_t>(static_cast<uint32_t>(v + y)); }
};
TSpriteShift SpriteShiftFor(Instance* owner);
void ResetCamera();

}  // namespace ruvel
