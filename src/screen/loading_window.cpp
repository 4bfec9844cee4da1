#include "screen/loading_window.h"

#include <SDL.h>

#include <algorithm>

#include "platform/cp932.h"
#include "platform/surface.h"
#include "platform/text_render.h"
#include "platform/window.h"
#include "screen/host_state.h"

namespace ruvel {

namespace {
constexpr uint32_t kBarColor = 0xD0E0A3;  // red 163, green 224, blue 208
}  // namespace

TLoadingWindow::TLoadingWindow(TWindow* main, bool headless) : main_(main), headless_(headless || !main) {}

TLoadingWindow::~TLoadingWindow() {
  text_.reset();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

int TLoadingWindow::ProgressWidth(double elapsedMs) {
  if (elapsedMs <= 0) return 0;
  return static_cast<int>(std::min(elapsedMs, kWaitMs) * kImageWidth / kWaitMs);
}

uint32_t TLoadingWindow::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

void TLoadingWindow::Show(double nowMs, const std::string& caption) {
  visible_ = true;
  shownAt_ = nowMs;
  caption_ = caption;
  if (headless_) return;
  if (!window_) {
    window_ = SDL_CreateWindow("Now Loading", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kImageWidth,
                               kImageHeight, SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR);
    if (!window_) return;  // the program runs on without it
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    if (renderer_) text_ = std::make_unique<TTextRenderer>(renderer_);
  }
  // Centred over the main window, or over the screen in full-screen mode.
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  if (main_->Fullscreen()) {
    main_->ScreenSize(w, h);
  } else {
    main_->Position(x, y);
    main_->Size(w, h);
  }
  SDL_SetWindowPosition(window_, x + (w - kImageWidth) / 2, y + (h - kImageHeight) / 2);
  SDL_SetWindowTitle(window_, caption.empty() ? "Now Loading" : ToUtf8(caption).c_str());
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  Render(0);
}

void TLoadingWindow::Hide() {
  visible_ = false;
  if (!window_) return;
  bool hadFocus = SDL_GetKeyboardFocus() == window_ || SDL_GetKeyboardFocus() == nullptr;
  SDL_HideWindow(window_);
  // Without a window manager nobody hands the keyboard back once this
  // window goes, and the game would never see a key: the main window
  // takes it back itself.
  if (hadFocus && main_ && !headless_) {
    SDL_RaiseWindow(main_->Sdl());
    SDL_SetWindowInputFocus(main_->Sdl());
  }
}

void TLoadingWindow::OnClose() { Hide(); }

void TLoadingWindow::Tick(double nowMs) {
  if (!visible_) return;
  double elapsed = nowMs - shownAt_;
  if (elapsed < kWaitMs) {
    Render(ProgressWidth(elapsed));
    return;
  }
  if (!HostState().started) return;
  if (switchAutoExecOn) switchAutoExecOn();
  Hide();
}

void TLoadingWindow::Render(int progress) {
  if (!renderer_) return;
  SDL_SetRenderTarget(renderer_, nullptr);
  SDL_SetRenderDrawColor(renderer_, 255, 255, 255, 255);
  SDL_RenderClear(renderer_);
  TFontSpec label;
  label.size = 18;  // 24 pixels at 96 dots per inch
  text_->Draw("Now Loading.....", label, 0x000000, 16, 24);
  if (!caption_.empty()) {
    TFontSpec small;
    small.size = 10;
    text_->Draw(caption_, small, 0x000000, 16, 70);
  }
  SDL_Rect bar{0, kImageHeight - 4, progress, 4};
  SetDrawColor(renderer_, kBarColor);
  if (bar.w > 0) SDL_RenderFillRect(renderer_, &bar);
  SDL_RenderPresent(renderer_);
}

}  // namespace ruvel
