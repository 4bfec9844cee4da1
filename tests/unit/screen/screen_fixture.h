// Shared set-up of the screen tests: SDL on its offscreen driver with the
// software renderer, one headless main window and screen, a resource root
// with "usrglobal" so globals can be read and written, a pattern source of
// solid-colour 16 x 16 patterns, a message sink and a snippet evaluator
// that record what they are given.
#pragma once
#include <SDL.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "platform/surface.h"
#include "platform/video.h"
#include "platform/window.h"
#include "runtime/function.h"
#include "resources/resource.h"
#include "resources/resource_tree.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/panel.h"
#include "screen/pattern_source.h"
#include "screen/script_globals.h"
#include "screen/sprite.h"
#include "vm/vm_state.h"

namespace ruvel::test {

constexpr uint32_t kRed = 0x0000FF;  // 0xBBGGRR
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBackground = 0x402010;

// Patterns 0..4 on one 80 x 16 sheet: 0 red, 1 green, 2 left half red and
// right half blue, 3 top half red and bottom half blue, 4 a white 8 x 8
// square inside a transparent 4-pixel border.
class TestPatterns : public TPatternSource {
 public:
  explicit TestPatterns(SDL_Renderer* r) {
    constexpr int w = 80, h = 16;
    std::vector<uint32_t> px(w * h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        int n = x / 16, lx = x % 16;
        uint32_t c;
        switch (n) {
          case 0: c = kRed; break;
          case 1: c = kGreen; break;
          case 2: c = lx < 8 ? kRed : kBlue; break;
          case 3: c = y < 8 ? kRed : kBlue; break;
          default: c = (lx >= 4 && lx < 12 && y >= 4 && y < 12) ? kWhite : 0; break;
        }
        bool clear = n == 4 && c == 0;
        px[y * w + x] = clear ? 0 : BgrToArgb(c);
      }
    }
    texture = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, w, h);
    SDL_UpdateTexture(texture, nullptr, px.data(), w * 4);
    SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  }
  ~TestPatterns() override { SDL_DestroyTexture(texture); }
  bool Find(int32_t n, TPatternView& v) override {
    if (n < 0 || n > 4) return false;
    v.texture = texture;
    v.imageWidth = 80;
    v.imageHeight = 16;
    v.rect = TRect{n * 16, 0, n * 16 + 16, 16};
    return true;
  }
  SDL_Texture* texture;
};

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void Log(const std::string& text) override { logs.push_back(text); }
  std::vector<std::string> messages;
  std::vector<std::string> logs;
};

// A script object without a class: enough for owners and counted values.
struct FakeObject {
  alignas(16) unsigned char storage[sizeof(Instance) + sizeof(Value)] = {};
  Instance* inst = new (storage) Instance{0, 0, nullptr, 0, 0, 0, 0};
};

// Calls a native the way the interpreter does: the receiver slot with the
// arguments below it. Returns what the native left in the receiver slot
// (counted references are given back before returning).
inline Value CallNative(NativeHandler h, Value self, std::initializer_list<Value> args) {
  std::vector<Value> slots(args.size() + 1, MakeNull());
  int32_t n = static_cast<int32_t>(args.size());
  Value* receiver = &slots[n];
  ValueAssign(*receiver, self);
  int32_t k = 1;
  for (const Value& a : args) ValueAssign(receiver[-k++], a);
  h(receiver, n, 0);
  Value result = *receiver;
  for (Value& v : slots) ValueSetNull(v);
  return result;
}

class ScreenTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    ASSERT_TRUE(VideoInit(true, error)) << error;
  }

  void SetUp() override {
    std::string error;
    TWindowOptions options;
    options.headless = true;
    window = TWindow::Create(options, error);
    ASSERT_TRUE(window) << error;
    screen = std::make_unique<TScreen>(*window);
    SetMainScreen(screen.get());
    patterns = std::make_unique<TestPatterns>(window->Renderer());
    previousSource = SetPatternSource(patterns.get());
    previousSink = SetSink(&sink);

    auto root = std::make_unique<TResourceList>();
    auto* globals = new TResourceList();
    globals->name = "usrglobal";
    root->AddChild(globals);
    SetRoot(std::move(root));
    VM().evaluateSnippet = [this](const std::string& s) {
      snippets.push_back(s);
      return 0;
    };

    THostState& h = HostState();
    h = THostState();
    h.started = true;
    h.halted = false;
    SpriteSettings() = TSpriteSettings();
    SetGlobalInt("$bgcolor", int32_t(kBackground));
  }

  void TearDown() override {
    VM().evaluateSnippet = nullptr;
    FreeRoot();
    FreeAllPanels();
    SpriteSettings() = TSpriteSettings();
    SetSink(previousSink);
    SetPatternSource(previousSource);
    patterns.reset();
    SetMainScreen(nullptr);
    screen.reset();
    window.reset();
    HostState() = THostState();
  }

  // Records a sprite directly into the screen's list.
  template <typename T>
  T* Add(int32_t x, int32_t y, int32_t depth = 0) {
    auto s = std::make_unique<T>();
    s->x = x;
    s->y = y;
    s->depth = depth;
    T* raw = s.get();
    screen->Sprites().Add(std::move(s));
    return raw;
  }

  uint32_t Pixel(int x, int y) { return screen->BackBuffer().GetPixel(x, y); }

  // Pixels of the back buffer inside r that differ from the background.
  int Ink(const TRect& r) {
    std::vector<uint32_t> px;
    EXPECT_TRUE(screen->BackBuffer().ReadPixels(r, px));
    int n = 0;
    for (uint32_t p : px) n += ArgbToBgr(p) != kBackground;
    return n;
  }

  std::unique_ptr<TWindow> window;
  std::unique_ptr<TScreen> screen;
  std::unique_ptr<TestPatterns> patterns;
  TPatternSource* previousSource = nullptr;
  MessageSink* previousSink = nullptr;
  CaptureSink sink;
  std::vector<std::string> snippets;
};

}  // namespace ruvel::test
