#include "devui/pattern_editor_window.h"

#include "devui/imgui_layer.h"
#include "devui/pattern_window.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource_tree.h"
#include "screen/patterns.h"

namespace ruvel {

namespace {
constexpr int kWidth = 1000;
constexpr int kHeight = 640;
}  // namespace

TPatternEditorWindow::TPatternEditorWindow() {
  view_.saved = [](const std::string&) {
    try {
      ReloadPagePatterns();
    } catch (const std::exception& e) {
      ShowMessage(e.what());
    }
  };
  view_.registerSheet = [](const std::string& path) {
    if (!FindList("usr.patterns")) return;
    TPatternWindow adder;
    adder.Pick(path);
    try {
      adder.Add();
    } catch (const std::exception& e) {
      ShowMessage(e.what());
    }
  };
}

TPatternEditorWindow::~TPatternEditorWindow() {
  view_.ReleaseTexture();
  layer_.reset();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
}

uint32_t TPatternEditorWindow::WindowId() const { return window_ ? SDL_GetWindowID(window_) : 0; }

bool TPatternEditorWindow::MakeWindow() {
  if (window_) return true;
  window_ = SDL_CreateWindow("パターンエディタ", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kWidth, kHeight,
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

bool TPatternEditorWindow::Open(const std::string& path) {
  if (view_.editor.Loaded() && view_.editor.Path() == path) return Show();
  if (view_.editor.Loaded() && view_.editor.Dirty()) {
    ShowMessage(view_.editor.Path() + J("の変更を先に保存してください"));
    Show();
    return false;
  }
  if (!MakeWindow()) {
    ShowMessage(J("パターンエディタのウィンドウを開けません"));
    return false;
  }
  view_.projectDir = TPatternWindow::ProjectFolder();
  if (!view_.Open(path)) return false;
  return Show();
}

bool TPatternEditorWindow::Show() {
  if (!view_.editor.Loaded() || !MakeWindow()) return false;
  view_.shown = true;
  SDL_ShowWindow(window_);
  SDL_RaiseWindow(window_);
  visible_ = true;
  return true;
}

bool TPatternEditorWindow::HandleEvent(const SDL_Event& e) {
  if (!window_ || TImGuiLayer::EventWindow(e) != WindowId()) return false;
  if (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE) {
    view_.RequestClose();
    return true;
  }
  layer_->Feed(e);
  return true;
}

void TPatternEditorWindow::Draw() {
  if (!window_ || !visible_) return;
  if (!view_.shown) {
    // Closed (after the question when the sheet was changed).
    SDL_HideWindow(window_);
    visible_ = false;
    return;
  }
  std::string title = "パターンエディタ - " + ToUtf8(view_.editor.Path()) + (view_.editor.Dirty() ? " *" : "");
  if (title != title_) SDL_SetWindowTitle(window_, title.c_str());
  title_ = title;
  layer_->BeginFrame();
  view_.Draw(renderer_, true);
  SDL_SetRenderDrawColor(renderer_, 40, 40, 40, 255);
  SDL_RenderClear(renderer_);
  layer_->EndFrame();
  SDL_RenderPresent(renderer_);
}

}  // namespace ruvel
