// The "Window" natives: the script sizes and places the main window.
#include "screen/main_screen.h"
#include "screen/native_util.h"
#include "screen/screen_natives.h"

namespace ruvel::screen_natives {

void WindowSetSize(Value* self, int32_t argc, int32_t) {
  TScreen* screen = MainScreen();
  if (argc < 3 || !screen) return;
  screen->SetSizeFromScript(NInt(self, 1), NInt(self, 2), NTrue(self, 3));
}

void WindowSetPos(Value* self, int32_t argc, int32_t) {
  TScreen* screen = MainScreen();
  if (argc < 2 || !screen) return;
  screen->SetPosFromScript(NInt(self, 1), NInt(self, 2));
}

}  // namespace ruvel::screen_natives
