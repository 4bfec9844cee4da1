#include "devui/pattern_editor_window.h"

#include "devui/pattern_window.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource_tree.h"
#include "screen/patterns.h"

namespace ruvel {

TPatternEditorWindow::TPatternEditorWindow() : frame_("パターンエディタ", 1000, 640, [this] { view_.RequestClose(); }) {
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

// The sheet's texture belongs to the window's renderer, so it goes first.
TPatternEditorWindow::~TPatternEditorWindow() { view_.ReleaseTexture(); }

bool TPatternEditorWindow::Open(const std::string& path) {
  if (view_.editor.Loaded() && view_.editor.Path() == path) return Show();
  if (view_.editor.Loaded() && view_.editor.Dirty()) {
    ShowMessage(view_.editor.Path() + J("の変更を先に保存してください"));
    Show();
    return false;
  }
  if (!frame_.Make()) {
    ShowMessage(J("パターンエディタのウィンドウを開けません"));
    return false;
  }
  view_.projectDir = TPatternWindow::ProjectFolder();
  if (!view_.Open(path)) return false;
  return Show();
}

bool TPatternEditorWindow::Show() {
  if (!view_.editor.Loaded() || !frame_.Show()) return false;
  view_.shown = true;
  return true;
}

void TPatternEditorWindow::Draw() {
  // Hidden once closed (after the question when the sheet was changed).
  frame_.Paint(view_.shown, "パターンエディタ - " + ToUtf8(view_.editor.Path()) + (view_.editor.Dirty() ? " *" : ""),
               [this](SDL_Renderer* r) { view_.Draw(r, true); });
}

}  // namespace ruvel
