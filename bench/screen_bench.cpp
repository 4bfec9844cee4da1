// Frames per second of the main screen, headless with the software
// renderer: 2000 pattern sprites of 16 x 16 (a quarter of them rotated or
// scaled) and 100 text sprites, recorded anew and drawn every frame.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "platform/video.h"
#include "platform/window.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/pattern_source.h"
#include "screen/sprite.h"

namespace {

using namespace ruvel;

// Eight 16 x 16 patterns of different colours with transparent corners.
class BenchPatterns : public TPatternSource {
 public:
  explicit BenchPatterns(SDL_Renderer* r) {
    constexpr int w = 128, h = 16;
    std::vector<uint32_t> px(w * h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int lx = x % 16;
        bool corner = (lx < 3 || lx > 12) && (y < 3 || y > 12);
        px[y * w + x] = corner ? 0 : 0xFF000000u | (0x1F3F7F * (x / 16 + 1) & 0xFFFFFF);
      }
    }
    texture_ = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
    SDL_UpdateTexture(texture_, nullptr, px.data(), w * 4);
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_BLEND);
  }
  ~BenchPatterns() override { SDL_DestroyTexture(texture_); }
  bool Find(int32_t n, TPatternView& v) override {
    if (n < 0 || n >= 8) return false;
    v.texture = texture_;
    v.imageWidth = 128;
    v.imageHeight = 16;
    v.rect = TRect{n * 16, 0, n * 16 + 16, 16};
    return true;
  }

 private:
  SDL_Texture* texture_;
};

struct Placement {
  int x, y, pattern, depth, angle;
  double scale;
  bool dx;
};

void Record(TScreen& screen, const std::vector<Placement>& sprites, const std::vector<std::string>& texts, int frame) {
  screen.Sprites().Clear();
  for (const Placement& p : sprites) {
    if (p.dx) {
      auto s = std::make_unique<TDxGrpSprite>();
      s->x = p.x;
      s->y = p.y;
      s->pattern = p.pattern;
      s->depth = p.depth;
      s->angle = p.angle + frame;
      s->scaleX = s->scaleY = p.scale;
      screen.Sprites().Add(std::move(s));
    } else {
      auto s = std::make_unique<TGrpSprite>();
      s->x = (p.x + frame) % 560;
      s->y = p.y;
      s->pattern = p.pattern;
      s->depth = p.depth;
      screen.Sprites().Add(std::move(s));
    }
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    auto t = std::make_unique<TTxtSprite>();
    t->x = int(i % 5) * 110;
    t->y = int(i / 5) * 19;
    t->text = texts[i];
    t->color = 0xFFFFFF;
    t->depth = -1;
    screen.Sprites().Add(std::move(t));
  }
}

}  // namespace

int main(int argc, char** argv) {
  int frames = argc > 1 ? std::atoi(argv[1]) : 300;
  std::string error;
  if (!VideoInit(true, error)) {
    std::fprintf(stderr, "screen_bench: %s\n", error.c_str());
    return 1;
  }
  TWindowOptions options;
  options.headless = true;
  auto window = TWindow::Create(options, error);
  if (!window) {
    std::fprintf(stderr, "screen_bench: %s\n", error.c_str());
    return 1;
  }
  int result = 0;
  {
    TScreen screen(*window);
    SetMainScreen(&screen);
    BenchPatterns patterns(window->Renderer());
    SetPatternSource(&patterns);
    HostState().started = true;
    HostState().halted = false;

    std::mt19937 rng(12345);
    std::vector<Placement> sprites;
    for (int i = 0; i < 2000; ++i) {
      Placement p{int(rng() % 560), int(rng() % 381), int(rng() % 8), int(rng() % 16), int(rng() % 360), 1.0, false};
      if (i % 4 == 0) {
        p.dx = true;
        p.scale = (i % 8 == 0) ? 1.0 : 0.5 + (rng() % 100) / 100.0;  // rotated, or scaled and rotated
      }
      sprites.push_back(p);
    }
    std::vector<std::string> texts;
    for (int i = 0; i < 100; ++i) texts.push_back("SCORE " + std::to_string(i * 1234567 % 99991));

    for (int f = 0; f < 10; ++f) {  // warm-up: fonts and text textures
      Record(screen, sprites, texts, f);
      screen.DrawAll();
    }
    auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
      Record(screen, sprites, texts, f);
      screen.DrawAll();
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("screen_bench: %d frames, 2000 pattern sprites (500 rotated/scaled) + 100 text sprites\n", frames);
    std::printf("screen_bench: %.3f ms per frame, %.1f frames per second\n", ms / frames, frames * 1000.0 / ms);
    screen.Sprites().Clear();
    SetPatternSource(nullptr);
    SetMainScreen(nullptr);
  }
  window.reset();
  VideoQuit();
  return result;
}
