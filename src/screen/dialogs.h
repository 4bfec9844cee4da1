// The script dialogs' shared state: the text input dialog and the choice
// dialog, made once at start and reused. The natives change the models;
// when the shell has a display it installs the show hooks, which open the
// dialogs' windows (screen/dialog_view.h). Without them (--headless) no
// window opens and a dialog's status stays 0 unless a caller drives its
// model. Owner: Dialogs(), one process-wide instance in dialog_natives.cpp.
#pragma once
#include <functional>

#include "screen/dialog_model.h"

namespace ruvel {

struct TDialogs {
  TInputBoxModel input;
  TSelectBoxModel select;
  std::function<void()> showInput;
  std::function<void()> showSelect;
};

TDialogs& Dialogs();

}  // namespace ruvel
