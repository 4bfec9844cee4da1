#include "devui/tone_editor_window.h"

#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

TToneEditorWindow::TToneEditorWindow() : frame_("音色エディタ", 1000, 640, [this] { view_.RequestClose(); }) {}

bool TToneEditorWindow::Open(const std::string& path, const std::string& source) {
  if (view_.editor.Loaded() && (view_.editor.Path() == path || view_.editor.Dirty())) {
    if (view_.editor.Path() != path) ShowMessage(view_.editor.Path() + J("の変更を先に保存してください"));
    return Show() && view_.editor.Path() == path;
  }
  if (!frame_.Make()) {
    ShowMessage(J("音色エディタのウィンドウを開けません"));
    return false;
  }
  if (!view_.Open(path, source)) return false;
  return Show();
}

bool TToneEditorWindow::Show() {
  if (!view_.editor.Loaded() || !frame_.Show()) return false;
  view_.shown = true;
  return true;
}

void TToneEditorWindow::Draw() {
  // Hidden once closed (after the question when the tables were changed).
  frame_.Paint(view_.shown, "音色エディタ - " + ToUtf8(view_.editor.Path()) + (view_.editor.Dirty() ? " *" : ""),
               [this](SDL_Renderer*) { view_.Draw(true); });
}

}  // namespace ruvel
