#include "devui/editor_window.h"

#include <utility>

#include "devui/imgui_layer.h"

namespace ruvel {

bool MakeImGuiWindow(const char* title, int width, int height, uint32_t windowFlags, uint32_t rendererFlags,
                     SDL_Window*& window, SDL_Renderer*& renderer, std::unique_ptr<TImGuiLayer>& layer) {
  window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height, windowFlags | SDL_WINDOW_HIDDEN);
  if (!window) return false;
  renderer = SDL_CreateRenderer(window, -1, rendererFlags);
  if (!renderer) renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer) {
    SDL_DestroyWindow(window);
    window = nullptr;
    return false;
  }
  layer = std::make_unique<TImGuiLayer>(window, renderer);
  return true;
}

void DestroyImGuiWindow(SDL_Window*& window, SDL_Renderer*& renderer, std::unique_ptr<TImGuiLayer>& layer) {
  layer.reset();
  if (renderer) SDL_DestroyRenderer(renderer);
  if (window) SDL_DestroyWindow(window);
  renderer = nullptr;
  window = nullptr;
}

TEditorWindow::TEditorWindow(std::string caption, int width, int height, std::function<void()> closeRequested)
    : caption_(std::move(caption)), width_(width), height_(height), closeRequested_(std::move(closeRequested)) {}

TEditorWindow::~TEditorWindow() { DestroyImGuiWindow(window_, renderer_, layer_); }

uint32_t TEditorWindow::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

bool TEditorWindow::Make() {
  return window_ || MakeImGuiWindow(caption_.c_str(), width_, height_, SDL_WINDOW_RESIZABLE, 0, window_, renderer_, layer_);
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

void TEditorWindow::Paint(bool open, const std::string& title, const std::function<void(SDL_Renderer*)>& contents) {
  if (!Visible()) return;
  if (!open) {
    Hide();
    return;
  }
  if (title != title_) SDL_SetWindowTitle(window_, title.c_str());
  title_ = title;
  layer_->BeginFrame();
  contents(renderer_);
  SDL_SetRenderDrawColor(renderer_, 40, 40, 40, 255);
  SDL_RenderClear(renderer_);
  layer_->EndFrame();
  SDL_RenderPresent(renderer_);
}

}  // namespace ruvel
