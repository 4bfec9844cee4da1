// Clipping of turned, scaled and flipped copies before they are drawn. The
// software renderer makes a temporary picture of the whole destination of
// such a copy, so a pattern scaled a thousand times took gigabytes; only
// the part of the source that can show in the target is copied.
#pragma once
#include <SDL.h>

#include "platform/rect.h"

namespace ruvel {

struct TCopyEx {
  SDL_Rect src;
  SDL_FRect dst;
  SDL_FPoint center;  // the turning centre, relative to dst
};

// The copy of src into dst (w, h > 0), turned by degrees clockwise around
// dst's centre and flipped as flip says, cut to what can show in area.
// False when nothing shows, or when what is left would still be far
// larger than the area (a single source pixel magnified past it).
bool ClipCopyEx(const SDL_Rect& src, const SDL_FRect& dst, double degrees, int flip, const TRect& area, TCopyEx& out);

}  // namespace ruvel
