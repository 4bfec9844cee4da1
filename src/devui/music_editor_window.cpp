#include "devui/music_editor_window.h"

#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

TMusicEditorWindow::TMusicEditorWindow(TMelvane& sequencer)
    : frame_("音楽エディタ", 1000, 680,
             [this] {
               // Closing while only the file dialog is up just hides the window.
               if (view_.DialogShown() && !view_.shown) frame_.Hide();
               view_.RequestClose();
             }),
      view_(sequencer) {}

bool TMusicEditorWindow::Show(const std::string& dir) {
  if (!frame_.Make()) {
    ShowMessage(J("音楽エディタのウィンドウを開けません"));
    return false;
  }
  if (view_.Loaded()) {
    view_.shown = true;
  } else {
    view_.ShowOpenDialog(dir);
  }
  frame_.Show();
  return true;
}

void TMusicEditorWindow::Draw() {
  // Hidden once closed (after the question when the text was changed), or
  // when the dialog was cancelled.
  std::string title = view_.Loaded() ? "音楽エディタ - " + ToUtf8(view_.editor.doc.Path()) + (view_.editor.doc.Dirty() ? " *" : "")
                                     : std::string("音楽エディタ");
  frame_.Paint(view_.shown || view_.DialogShown(), title, [this](SDL_Renderer*) { view_.Draw(true); });
}

}  // namespace ruvel
