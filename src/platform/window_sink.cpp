#include "platform/window_sink.h"

#include <SDL.h>

#include "platform/cp932.h"

namespace ruvel {

void WindowSink::ShowMessage(const std::string& text) {
  if (!window_ || (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) == 0) {
    fallback_.ShowMessage(text);
    return;
  }
  std::string utf8 = ToUtf8(text);
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "Ruvel System", utf8.c_str(), window_) != 0) {
    fallback_.ShowMessage(text);
  }
}

}  // namespace ruvel
