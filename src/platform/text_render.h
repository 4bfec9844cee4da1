// Text drawing for sprites and panels: CP932 text rendered through SDL2_ttf
// with fonts found by fontconfig (IPAGothic when the named font is missing
// or lacks a character of the text). Sizes are points at 96 dots per inch,
// as the system's canvas fonts were. Rendered texts are kept as textures
// and reused while they are drawn every frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

struct SDL_Renderer;
struct SDL_Texture;

namespace ruvel {

struct TFontSpec {
  std::string name;  // family name, CP932; empty: the default Japanese font
  int32_t size = 12;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// The font file for a family name (CP932): the family when fontconfig has
// it, else IPAGothic, else any font fontconfig offers; empty when none.
std::string FindFontFile(const std::string& family);

class TTextRenderer {
 public:
  explicit TTextRenderer(SDL_Renderer* renderer);
  ~TTextRenderer();
  TTextRenderer(const TTextRenderer&) = delete;
  TTextRenderer& operator=(const TTextRenderer&) = delete;

  // Width and height of the text in that font; false (0, 0) when no font
  // can be opened.
  bool Measure(const std::string& text, const TFontSpec& font, int& w, int& h);
  // Draws the text with its top-left corner at (x, y) into the renderer's
  // current target, colour 0xBBGGRR, background left as it is.
  void Draw(const std::string& text, const TFontSpec& font, uint32_t bgr, int x, int y);
  // Ends a frame: textures not drawn for a while are freed.
  void EndFrame();
  size_t CachedCount() const { return cache_.size(); }

  // The font the last text was drawn with (the canvas's current font).
  const TFontSpec& CurrentFont() const { return current_; }

 private:
  struct Entry {
    SDL_Texture* texture = nullptr;
    int w = 0;
    int h = 0;
    uint64_t lastUsed = 0;
  };
  Entry* Lookup(const std::string& text, const TFontSpec& font);
  void Evict(size_t keep);

  SDL_Renderer* renderer_;
  std::unordered_map<std::string, Entry> cache_;
  uint64_t frame_ = 0;
  TFontSpec current_;
};

// Closes every open font (at shutdown).
void CloseFonts();

}  // namespace ruvel
