// PNG files of pictures: screenshots of the window and of surfaces,
// written with libpng through a temporary file renamed over the target.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct SDL_Renderer;

namespace ruvel {

// Writes w × h pixels given as 0xAARRGGBB (row by row) as an RGB PNG.
// Returns false with a reason in error.
bool WritePng(const std::string& path, int w, int h, const std::vector<uint32_t>& argb, std::string& error);

// Reads the renderer's current target (w × h from the top-left) and
// writes it as PNG.
bool SaveRendererPng(SDL_Renderer* renderer, int w, int h, const std::string& path, std::string& error);

}  // namespace ruvel
