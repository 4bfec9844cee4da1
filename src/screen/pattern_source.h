// Where sprites find character patterns: a pattern number (the global
// numbering of all loaded sheets) gives a sheet texture and the pattern's
// rectangle in it. The pattern module implements TPatternSource over its
// cut sheets; sheets are RGBA textures of the main screen's renderer whose
// key-colour pixels were made transparent when they were cut. While no
// source is installed every number is "not found".
#pragma once
#include <cstdint>

#include "platform/rect.h"

struct SDL_Texture;

namespace ruvel {

struct TPatternView {
  SDL_Texture* texture = nullptr;
  int32_t imageWidth = 0;   // the whole sheet
  int32_t imageHeight = 0;
  TRect rect;               // the pattern inside the sheet
  // No pixel of the pattern is transparent: it may be copied without
  // blending, which costs a fraction (tile maps draw hundreds per frame).
  bool opaque = false;
};

class TPatternSource {
 public:
  virtual ~TPatternSource() = default;
  // Fills view for pattern number n; false when n is not found.
  virtual bool Find(int32_t n, TPatternView& view) = 0;
};

// The installed source (not owned); returns the previous one.
TPatternSource* SetPatternSource(TPatternSource* source);
TPatternSource* CurrentPatternSource();
// Looks a pattern up in the installed source; false when there is none, n
// is negative or not found.
bool FindPattern(int32_t n, TPatternView& view);

}  // namespace ruvel
