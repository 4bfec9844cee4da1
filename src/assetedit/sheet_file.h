// Sheet files written by the pattern editor: the pixels encoded in the
// format the file's name asks for (".png", letter case ignored, as PNG
// through libpng; anything else as a 24-bit Windows bitmap) and written
// atomically, so a failed save leaves the old file as it was.
#pragma once
#include <cstdint>
#include <string>

#include "screen/pattern_image.h"

namespace ruvel {

// The file's bytes; false with a reason (ASCII) in error.
bool EncodePng(const TPixelImage& image, std::string& bytes, std::string& error);
std::string EncodeBmp(const TPixelImage& image);
// Encodes by the name's extension and writes atomically; false with a
// reason in error (UTF-8 for the user).
bool SaveSheetFile(const std::string& path, const TPixelImage& image, std::string& error);
// A sheet of one colour; an error when the size is outside 1..kMaxSheetSide
// or over kMaxSheetPixels.
TPixelImage BlankSheet(int32_t width, int32_t height, uint32_t background);

}  // namespace ruvel
