#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/text_render.h"
#include "screen/dialog_view.h"
#include "screen/dialogs.h"
#include "screen/ranking.h"

namespace ruvel {

// In a browser the script dialogs are the browser's own prompt: the text
// dialog asks for a line, the choice dialog for the number of a button.
// Both answer at once, so the game sees the status it polls change on its
// next look, as it does on the desktop when the player answers.

namespace {

// window.prompt with UTF-8 texts; false when the player cancelled.
bool Prompt(const std::string& message, const std::string& initial, std::string& answer) {
  char* got = reinterpret_cast<char*>(static_cast<uintptr_t>(EM_ASM_INT(
      {
        var r = window.prompt(UTF8ToString($0), UTF8ToString($1));
        if (r === null) return 0;
        var n = lengthBytesUTF8(r) + 1;
        var p = _malloc(n);
        stringToUTF8(r, p, n);
        return p;
      },
      message.c_str(), initial.c_str())));
  if (!got) return false;
  answer = got;
  std::free(got);
  return true;
}

}  // namespace

TDialogViews::TDialogViews(TDialogs& dialogs, TWindow* main) : dialogs_(dialogs), main_(main) {
  static_cast<void>(main_);  // the page has no window to centre over
  dialogs_.showInput = [this] { ShowInput(); };
  dialogs_.showSelect = [this] { ShowSelect(); };
  Ranking().opener = [](const std::string& url) {
    if (OpenUrlInBrowser(url)) return true;
    ShowMessage(J("ブラウザを開けません: ") + url);
    return false;
  };
}

TDialogViews::~TDialogViews() {
  dialogs_.showInput = nullptr;
  dialogs_.showSelect = nullptr;
  Ranking().opener = nullptr;
}

void TDialogViews::ShowInput() {
  TInputBoxModel& m = dialogs_.input;
  std::string message = ToUtf8(m.Caption());
  if (!m.Prompt().empty()) message += (message.empty() ? "" : "\n") + ToUtf8(m.Prompt());
  std::string answer;
  if (!Prompt(message, ToUtf8(m.Text()), answer)) {
    m.Cancel();
    return;
  }
  while (!m.Text().empty()) m.Backspace();
  m.Append(Utf8ToCp932(answer));
  m.Ok();
}

void TDialogViews::ShowSelect() {
  TSelectBoxModel& m = dialogs_.select;
  std::string message = ToUtf8(m.Caption());
  if (!m.Message().empty()) message += (message.empty() ? "" : "\n") + ToUtf8(m.Message());
  int first = 0;
  for (int n = 1; n <= TSelectBoxModel::kButtons; ++n) {
    if (!m.ButtonShown(n)) continue;
    if (!first) first = n;
    char mnemonic = 0;
    message += "\n" + std::to_string(n) + ": " + ToUtf8(StripMnemonic(m.ButtonText(n), mnemonic));
  }
  std::string answer;
  if (!Prompt(message, std::to_string(first), answer)) {
    m.Close();
    return;
  }
  m.Choose(std::atoi(answer.c_str()));
  // An answer that names no button closes the dialog as Escape would.
  if (m.Visible()) m.Close();
}

bool TDialogViews::HandleEvent(const SDL_Event&) { return false; }

}  // namespace ruvel
