#include "devui/sfx_editor_window.h"

#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

TSfxEditorWindow::TSfxEditorWindow() : frame_("効果音エディタ", 960, 640, [this] { view_.RequestClose(); }) {}

bool TSfxEditorWindow::Open(const std::string& path) {
  bool same = view_.opened && view_.editor.Path() == path;
  bool keep = !same && view_.opened && view_.editor.Dirty();
  if (keep) ShowMessage(view_.editor.Path() + J("の変更を先に保存してください"));
  if (!same && !keep && !view_.Open(path)) return false;
  if (!frame_.Show()) {
    ShowMessage(J("効果音エディタのウィンドウを開けません"));
    return false;
  }
  view_.shown = true;
  return !keep;
}

void TSfxEditorWindow::Draw() {
  // Hidden once closed (after the question when the effect was changed).
  frame_.Paint(view_.shown, "効果音エディタ - " + ToUtf8(view_.editor.Path()) + (view_.editor.Dirty() ? " *" : ""),
               [this](SDL_Renderer*) { view_.Draw(true); });
}

}  // namespace ruvel
