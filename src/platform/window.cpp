#include "platform/window.h"

#include <SDL.h>

#include <algorithm>

#include "platform/cp932.h"

namespace ruvel {

std::unique_ptr<TWindow> TWindow::Create(const TWindowOptions& options, std::string& error) {
  std::unique_ptr<TWindow> w(new TWindow());
  w->headless_ = options.headless;
  w->fullscreen_ = options.fullscreen;
  uint32_t flags = SDL_WINDOW_RESIZABLE;
  if (options.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  if (options.headless) flags |= SDL_WINDOW_HIDDEN;
  std::string title = ToUtf8(options.title);
  w->window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                std::max(1, options.clientWidth), std::max(1, options.clientHeight), flags);
  if (!w->window_) {
    error = std::string("ウィンドウを開けません (") + SDL_GetError() +
            ")。ディスプレイのない環境では --headless を付けて起動してください。";
    return nullptr;
  }
  w->id_ = SDL_GetWindowID(w->window_);
  // The software renderer in the window too: the picture is then the same,
  // pixel for pixel, as in headless runs and their screenshots (GPU
  // renderers round scaled and rotated copies differently and were seen to
  // sample past a pattern's edge). SDL_RENDER_DRIVER still picks another.
  const char* wanted = SDL_getenv("SDL_RENDER_DRIVER");
  bool software = options.headless || !wanted || !*wanted;
  uint32_t rflags = SDL_RENDERER_TARGETTEXTURE | (software ? SDL_RENDERER_SOFTWARE : 0);
  w->renderer_ = SDL_CreateRenderer(w->window_, -1, rflags);
  if (!w->renderer_ && !options.headless) {
    w->renderer_ = SDL_CreateRenderer(w->window_, -1, SDL_RENDERER_SOFTWARE | SDL_RENDERER_TARGETTEXTURE);
  }
  if (!w->renderer_) {
    error = std::string("描画の準備ができません: ") + SDL_GetError();
    return nullptr;
  }
  SDL_SetRenderDrawColor(w->renderer_, 0, 0, 0, 255);
  SDL_RenderClear(w->renderer_);
  return w;
}

TWindow::~TWindow() {
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

void TWindow::Size(int& w, int& h) const {
  if (SDL_GetRendererOutputSize(renderer_, &w, &h) != 0) SDL_GetWindowSize(window_, &w, &h);
  if (inset_ <= 0) return;
  h = std::max(1, h - inset_);
  // SDL resets the window's viewport when the window is resized, so it is
  // set again whenever the size is asked while drawing to the window.
  if (!SDL_GetRenderTarget(renderer_)) {
    SDL_Rect below{0, inset_, w, h};
    SDL_RenderSetViewport(renderer_, &below);
  }
}

void TWindow::SetSize(int w, int h) {
  if (fullscreen_) return;
  SDL_SetWindowSize(window_, std::max(1, w), std::max(1, h) + inset_);
}

void TWindow::SetTopInset(int rows) {
  if (fullscreen_ || rows == inset_ || rows < 0) return;
  int w = 0;
  int h = 0;
  Size(w, h);
  SDL_Texture* target = SDL_GetRenderTarget(renderer_);
  SDL_SetRenderTarget(renderer_, nullptr);
  SDL_RenderSetViewport(renderer_, nullptr);
  inset_ = rows;
  SDL_SetWindowSize(window_, std::max(1, w), std::max(1, h) + inset_);
  int dw = 0;
  int dh = 0;
  Size(dw, dh);
  SDL_SetRenderTarget(renderer_, target);
}

void TWindow::UseWholeWindow() {
  if (!SDL_GetRenderTarget(renderer_)) SDL_RenderSetViewport(renderer_, nullptr);
}

void TWindow::ScreenSize(int& w, int& h) const {
  SDL_DisplayMode mode;
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0) {
    w = mode.w;
    h = mode.h;
  } else {
    Size(w, h);
  }
}

void TWindow::Position(int& x, int& y) const { SDL_GetWindowPosition(window_, &x, &y); }

void TWindow::SetPosition(int x, int y) {
  if (!fullscreen_) SDL_SetWindowPosition(window_, x, y);
}

void TWindow::SetTitle(const std::string& cp932) { SDL_SetWindowTitle(window_, ToUtf8(cp932).c_str()); }

void TWindow::ShowCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

void TWindow::WarpPointer(int x, int y) {
  if (!headless_) SDL_WarpMouseInWindow(window_, x, y + inset_);
}

void TWindow::GlobalPointer(int& x, int& y) const { SDL_GetGlobalMouseState(&x, &y); }

}  // namespace ruvel
