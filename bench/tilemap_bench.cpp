// What a scrolled tile map costs per frame: a 1000 x 1000 map of 16-pixel
// tiles drawn through the camera every frame on the headless main screen
// (software renderer), the camera moving every frame. Prints the time per
// frame of the map's drawing (the whole frame minus an empty frame), with
// six of eight tiles opaque and with every tile blended.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/video.h"
#include "platform/window.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/pattern_source.h"
#include "screen/tile_map_sprite.h"

namespace {

using namespace ruvel;

// Eight 16 x 16 tiles of different colours: six opaque (ground, walls) and
// two with a transparent corner (plants, ladders).
class BenchTiles : public TPatternSource {
 public:
  explicit BenchTiles(SDL_Renderer* r) {
    constexpr int w = 128, h = 16;
    std::vector<uint32_t> px(w * h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        bool corner = x >= 6 * 16 && x % 16 < 4 && y < 4;
        px[y * w + x] = corner ? 0 : 0xFF000000u | (0x2F5F8F * (x / 16 + 1) & 0xFFFFFF);
      }
    }
    texture_ = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
    SDL_UpdateTexture(texture_, nullptr, px.data(), w * 4);
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_BLEND);
  }
  ~BenchTiles() override { SDL_DestroyTexture(texture_); }
  bool Find(int32_t n, TPatternView& v) override {
    if (n < 0 || n >= 8) return false;
    v.texture = texture_;
    v.imageWidth = 128;
    v.imageHeight = 16;
    v.rect = TRect{n * 16, 0, n * 16 + 16, 16};
    v.opaque = n < 6 && copyOpaque;
    return true;
  }
  // Off: every tile is blended, as when every tile has transparent pixels.
  bool copyOpaque = true;

 private:
  SDL_Texture* texture_;
};

// Milliseconds per frame of frames frames, the map recorded anew each
// frame when map is set (as a script's draw() records it).
double TimeFrames(TScreen& screen, const std::shared_ptr<const TTileMap>& map, int frames) {
  auto start = std::chrono::steady_clock::now();
  for (int f = 0; f < frames; ++f) {
    screen.Sprites().Clear();
    if (map) {
      auto s = std::make_unique<TTileMapSprite>();
      s->map = map;
      s->depth = 10;
      // The camera runs diagonally across the map, 3 and 2 pixels a frame.
      s->x = -((f * 3) % (16000 - 600));
      s->y = -((f * 2) % (16000 - 400));
      screen.Sprites().Add(std::move(s));
    }
    screen.DrawAll();
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / frames;
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 600;
  std::string error;
  if (!VideoInit(true, error)) {
    std::fprintf(stderr, "tilemap_bench: %s\n", error.c_str());
    return 1;
  }
  TWindowOptions options;
  options.headless = true;
  auto window = TWindow::Create(options, error);
  if (!window) {
    std::fprintf(stderr, "tilemap_bench: %s\n", error.c_str());
    return 1;
  }
  {
    TScreen screen(*window);
    SetMainScreen(&screen);
    BenchTiles tiles(window->Renderer());
    SetPatternSource(&tiles);
    HostState().started = true;
    HostState().halted = false;

    auto map = std::make_shared<TTileMap>(1000, 1000, 16, 16);
    std::mt19937 rng(2718);
    for (int r = 0; r < 1000; ++r)
      for (int c = 0; c < 1000; ++c) map->Set(c, r, int32_t(rng() % 9) - 1);  // one cell in nine empty

    TimeFrames(screen, map, 20);  // warm-up
    double empty = TimeFrames(screen, nullptr, frames);
    double full = TimeFrames(screen, map, frames);
    tiles.copyOpaque = false;
    double blended = TimeFrames(screen, map, frames);
    std::printf("tilemap_bench: %d frames, a 1000 x 1000 map of 16 x 16 tiles scrolled every frame\n", frames);
    std::printf("tilemap_bench: %.3f ms per frame for the map (%.3f ms with it, %.3f ms without)\n", full - empty, full,
                empty);
    std::printf("tilemap_bench: %.3f ms per frame when every tile has transparent pixels\n", blended - empty);
    screen.Sprites().Clear();
    SetPatternSource(nullptr);
    SetMainScreen(nullptr);
  }
  window.reset();
  VideoQuit();
  return 0;
}
