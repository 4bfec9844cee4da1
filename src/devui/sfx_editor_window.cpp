#include "devui/sfx_editor_window.h"

#include "devui/imgui_layer.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

namespace {
constexpr int kWidth = 960;
constexpr int kHeight = 640;
}  // namespace

TSfxEditorWindow::TSfxEditorWindow() = default;

TSfxEditorWindow::~TSfxEditorWindow() {
  layer_.reset();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

uint32_t TSfxEditorWindow::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

bool TSfxEditorWindow::MakeWindow() {
  if (window_) return true;
  window_ = SDL_CreateWindow("効果音エディタ", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight,
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

bool TSfxEditorWindow::Open(const std::string& path) {
  bool same = view_.opened && view_.editor.Path() == path;
  bool keep = !same && view_.opened && view_.editor.Dirty();
  if (keep) ShowMessage(view_.editor.Path() + J("の変更を先に保存してください"));
  if (!same && !keep && !view_.Open(path)) return false;
  if (!MakeWindow()) {
    ShowMessage(J("効果音エディタのウィンドウを開けません"));
    return false;
  }
  view_.shown = true;
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  visible_ = true;
  return !keep;
}

bool TSfxEditorWindow::HandleEvent(const SDL_Event& e) {
  if (!window_ || TImGuiLayer::EventWindow(e) != WindowId()) return false;
  if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
    view_.RequestClose();
    return true;
  }
  layer_->Feed(e);
  return true;
}

void TSfxEditorWindow::Draw() {
  if (!window_ || !visible_) return;
  if (!view_.shown) {
    // Closed (after the question when the effect was changed).
    SDL_HideWindow(window_);
    visible_ = false;
    return;
  }
  std::string title = "効果音エディタ - " + ToUtf8(view_.editor.Path()) + (view_.editor.Dirty() ? " *" : "");
  if (title != title_) SDL_SetWindowTitle(window_, title.c_str());
  title_ = title;
  layer_->BeginFrame();
  view_.Draw(true);
  SDL_SetRenderDrawColor(renderer_, 40, 40, 40, 255);
  SDL_RenderClear(renderer_);
  layer_->EndFrame();
  SDL_RenderPresent(renderer_);
}

}  // namespace ruvel
