#include "devui/music_editor_window.h"

#include "devui/imgui_layer.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 680;

}  // namespace

TMusicEditorWindow::TMusicEditorWindow(TMelvane& sequencer) : view_(sequencer) {}

TMusicEditorWindow::~TMusicEditorWindow() {
  layer_.reset();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

uint32_t TMusicEditorWindow::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

bool TMusicEditorWindow::MakeWindow() {
  if (window_) return true;
  window_ = SDL_CreateWindow("音楽エディタ", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight,
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

bool TMusicEditorWindow::Show(const std::string& dir) {
  if (!MakeWindow()) {
    ShowMessage(J("音楽エディタのウィンドウを開けません"));
    return false;
  }
  if (view_.Loaded()) {
    view_.shown = true;
  } else {
    view_.ShowOpenDialog(dir);
  }
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  visible_ = true;
  return true;
}

bool TMusicEditorWindow::HandleEvent(const SDL_Event& e) {
  if (!window_ || TImGuiLayer::EventWindow(e) != WindowId()) return false;
  if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
    if (view_.DialogShown() && !view_.shown) {
      SDL_HideWindow(window_);
      visible_ = false;
    }
    view_.RequestClose();
    return true;
  }
  layer_->Feed(e);
  return true;
}

void TMusicEditorWindow::Draw() {
  if (!window_ || !visible_) return;
  if (!view_.shown && !view_.DialogShown()) {
    // Closed (after the question when the text was changed), or the
    // dialog was cancelled.
    SDL_HideWindow(window_);
    visible_ = false;
    return;
  }
  std::string title = view_.Loaded() ? "音楽エディタ - " + ToUtf8(view_.editor.doc.Path()) + (view_.editor.doc.Dirty() ? " *" : "")
                                      : std::string("音楽エディタ");
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
