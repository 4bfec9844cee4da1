#include "devui/editor_window.h"

#include <utility>

#include "devui/imgui_layer.h"

namespace ruvel {

TEditorWindow::TEditorWindow(std::string caption, int width, int height, std::function<void()> closeRequested)
    : caption_(std::move(caption)), width_(width), height_(height), closeRequested_(std::move(closeRequested)) {}

TEditorWindow::~TEditorWindow() {
  layer_.reset();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

uint32_t TEditorWindow::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

bool TEditorWindow::Make() {
  if (window_) return true;
  window_ = SDL_CreateWindow(caption_.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width_, height_,
                             SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (!window_) return false;
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) {
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  layer_ = std::make_unique<TImGuiLayer>(window_, renderer_);
  return true;
}

bool TEditorWindow::Show() {
  if (!Make()) return false;
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  visible_ = true;
  return true;
}

void TEditorWindow::Hide() {
  if (window_) SDL_HideWindow(window_);
  visible_ = false;
}

bool TEditorWindow::HandleEvent(const SDL_Event& e) {
  if (!window_ || TImGuiLayer::EventWindow(e) != WindowId()) return false;
  if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
    if (closeRequested_) closeRequested_();
    return true;
  }
  layer_->Feed(e);
  return true;
}

void TEditorWindow::SetTitle(const std::string& title) {
  if (!window_ || title == title_) return;
  SDL_SetWindowTitle(window_, title.c_str());
  title_ = title;
}

void TEditorWindow::Paint(const std::function<void(SDL_Renderer*)>& contents) {
  if (!window_) return;
  layer_->BeginFrame();
  contents(renderer_);
  SDL_SetRenderDrawColor(renderer_, 40, 40, 40, 255);
  SDL_RenderClear(renderer_);
  layer_->EndFrame();
  SDL_RenderPresent(renderer_);
}

}  // namespace ruvel
