#include "shell/map_editor_app.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "assetedit/map_editor.h"
#include "devui/map_editor_view.h"
#include "platform/keys.h"
#include "platform/paths.h"
#include "platform/screenshot.h"
#include "platform/video.h"
#include "shell/command_line.h"
#include "shell/input_script.h"

namespace ruvel {

namespace {

constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;

// Turns a replayed event into the SDL event a person's input would give
// the editor window; mods keeps the held Shift and Ctrl.
void PushReplayed(const TInputEvent& ev, uint32_t windowId, uint16_t& mods) {
  SDL_Event e{};
  switch (ev.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyUp: {
      bool down = ev.kind == TInputKind::kKeyDown;
      uint16_t bit = ev.key == kVkShift ? KMOD_LSHIFT : ev.key == kVkControl ? KMOD_LCTRL : 0;
      mods = down ? uint16_t(mods | bit) : uint16_t(mods & ~bit);
      e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.windowID = windowId;
      e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.scancode = SDL_Scancode(ScancodeOfVirtualKey(ev.key));
      e.key.keysym.mod = mods;
      break;
    }
    case TInputKind::kMove:
      e.type = SDL_MOUSEMOTION;
      e.motion.windowID = windowId;
      e.motion.x = ev.x;
      e.motion.y = ev.y;
      break;
    case TInputKind::kPress:
    case TInputKind::kRelease:
      e.type = ev.kind == TInputKind::kPress ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      e.button.windowID = windowId;
      e.button.button = ev.right ? SDL_BUTTON_RIGHT : SDL_BUTTON_LEFT;
      e.button.state = ev.kind == TInputKind::kPress ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = 1;
      e.button.x = ev.x;
      e.button.y = ev.y;
      break;
  }
  SDL_PushEvent(&e);
}

}  // namespace

int RunMapEditor(const CommandLine& cl) {
  std::vector<TInputEvent> replay;
  if (!cl.input.empty()) {
    try {
      replay = LoadInputScript(cl.input);
    } catch (const EInputScript& e) {
      std::fprintf(stderr, "ruvel: %s\n", e.what());
      return 2;
    }
  }
  if (!cl.project.empty()) SetProjectDir(cl.project);
  std::string error;
  if (!VideoInit(cl.headless, error)) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    return 2;
  }
  int code = 0;
  {
    TMapEditor model;
    TMapEditorView view(model);
    if (!view.Show()) {
      std::fprintf(stderr, "ruvel: %s\n", SDL_GetError());
      VideoQuit();
      return 2;
    }
    const std::string& file = cl.editMap;
    if (PathExists(file)) {
      try {
        model.Open(file);
      } catch (const std::exception& e) {
        view.ShowMessage(e.what());
      }
    } else {
      view.AskNewMap(file);
    }
    size_t next = 0;
    uint16_t mods = 0;
    for (long frame = 0; !view.Closed(); ++frame) {
      while (next < replay.size() && replay[next].frame <= frame) PushReplayed(replay[next++], view.WindowId(), mods);
      SDL_Event e;
      while (SDL_PollEvent(&e)) {
        if (e.type == SDL_QUIT) {
          view.RequestClose();
        } else {
          view.HandleEvent(e);
        }
      }
      bool last = cl.frames >= 0 && frame + 1 >= cl.frames;
      view.Draw(false);
      if (last && !cl.screenshot.empty() &&
          !SaveRendererPng(view.Renderer(), TMapEditorLayout::kWidth, TMapEditorLayout::kHeight, cl.screenshot, error)) {
        std::fprintf(stderr, "ruvel: %s\n", error.c_str());
        code = 2;
      }
      view.Present();
      if (last) break;
      if (!cl.fixedClock && !cl.headless) std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
  }
  VideoQuit();
  return code;
}

}  // namespace ruvel
