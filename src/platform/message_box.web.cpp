#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/cp932.h"

namespace ruvel {

// In a browser a page must not wait in a loop of its own: a box with one
// button is SDL's simple box, which the browser shows as its alert; SDL has
// no box with more buttons there and says so (-1).
int RunMessageBox(const TMessageBoxRequest& request, SDL_Window* owner, const TMessageBoxHooks&) {
  TMessageBoxModel model(request);
  const TMessageBoxRequest& r = model.Request();
  std::fprintf(stderr, "%s\n", TMessageBoxModel::OneLine(r.text).c_str());
  std::string title = ToUtf8(r.title);
  std::string text = ToUtf8(r.text);
  if (r.buttons.size() == 1) {
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title.c_str(), text.c_str(), owner) == 0 ? 0 : -1;
  }
  std::vector<std::string> labels;
  for (const std::string& label : r.buttons) labels.push_back(ToUtf8(label));
  std::vector<SDL_MessageBoxButtonData> buttons;
  for (size_t i = 0; i < labels.size(); ++i) {
    Uint32 flags = 0;
    if (static_cast<int>(i) == r.enterButton) flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
    if (static_cast<int>(i) == r.escapeButton) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    buttons.push_back({flags, static_cast<int>(i), labels[i].c_str()});
  }
  SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION, owner, title.c_str(), text.c_str(),
                         static_cast<int>(buttons.size()), buttons.data(), nullptr};
  int choice = r.escapeButton;
  if (SDL_ShowMessageBox(&box, &choice) != 0) return -1;
  return choice < 0 ? r.escapeButton : choice;
}

}  // namespace ruvel
