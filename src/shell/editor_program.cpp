#include "shell/editor_program.h"

#include <cstdio>

#include "platform/keys.h"
#include "platform/screenshot.h"
#include "shell/command_line.h"

namespace ruvel {

namespace {

constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;
constexpr int kFrameMs = 16;

}  // namespace

SDL_Event ReplayedSdlEvent(const TInputEvent& in, uint32_t windowId, uint16_t& mods) {
  SDL_Event e{};
  switch (in.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyUp: {
      bool down = in.kind == TInputKind::kKeyDown;
      uint16_t bit = in.key == kVkShift ? KMOD_LSHIFT : in.key == kVkControl ? KMOD_LCTRL : 0;
      mods = down ? uint16_t(mods | bit) : uint16_t(mods & ~bit);
      e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.windowID = windowId;
      e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.scancode = SDL_Scancode(ScancodeOfVirtualKey(in.key));
      e.key.keysym.mod = mods;
      break;
    }
    case TInputKind::kMove:
      e.type = SDL_MOUSEMOTION;
      e.motion.windowID = windowId;
      e.motion.x = in.x;
      e.motion.y = in.y;
      break;
    case TInputKind::kPress:
    case TInputKind::kRelease:
      e.type = in.kind == TInputKind::kPress ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      e.button.windowID = windowId;
      e.button.button = in.right ? SDL_BUTTON_RIGHT : SDL_BUTTON_LEFT;
      e.button.state = in.kind == TInputKind::kPress ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = 1;
      e.button.x = in.x;
      e.button.y = in.y;
      break;
  }
  return e;
}

bool ReplayedText(const TInputEvent& in, uint16_t mods, SDL_Event& text, uint32_t windowId) {
  if (in.kind != TInputKind::kKeyDown || (mods & KMOD_CTRL)) return false;
  bool shift = (mods & KMOD_SHIFT) != 0;
  // The keys that type a character: virtual key, plain, with Shift.
  static constexpr struct {
    uint8_t vk;
    char plain;
    char shifted;
  } kTyped[] = {
      {0x20, ' ', ' '}, {0xBA, ';', ':'}, {0xBB, '=', '+'}, {0xBC, ',', '<'}, {0xBD, '-', '_'}, {0xBE, '.', '>'},
      {0xBF, '/', '?'}, {0xDB, '[', '{'}, {0xDD, ']', '}'}, {0xDE, '\'', '"'}, {0xDC, '\\', '|'},
  };
  static constexpr char kShiftedDigits[] = ")!@#$%^&*(";
  char c = 0;
  if (in.key >= 'A' && in.key <= 'Z') c = char(shift ? in.key : in.key - 'A' + 'a');
  else if (in.key >= '0' && in.key <= '9') c = shift ? kShiftedDigits[in.key - '0'] : char(in.key);
  for (const auto& t : kTyped) {
    if (t.vk == in.key) c = shift ? t.shifted : t.plain;
  }
  if (c == 0) return false;
  text = SDL_Event{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = windowId;
  text.text.text[0] = c;
  return true;
}

bool LoadEditorReplay(const CommandLine& cl, std::vector<TInputEvent>& replay) {
  if (cl.input.empty()) return true;
  try {
    replay = LoadInputScript(cl.input);
    return true;
  } catch (const EInputScript& e) {
    std::fprintf(stderr, "ruvel: %s\n", e.what());
    return false;
  }
}

bool RunEditorFrames(const CommandLine& cl, const std::vector<TInputEvent>& replay, const TEditorWindowHooks& window) {
  bool ok = true;
  size_t next = 0;
  uint16_t mods = 0;
  for (long frame = 0; window.open(); ++frame) {
    for (; next < replay.size() && replay[next].frame <= frame; ++next) {
      SDL_Event e = ReplayedSdlEvent(replay[next], window.windowId(), mods);
      SDL_PushEvent(&e);
      SDL_Event text;
      if (ReplayedText(replay[next], mods, text, window.windowId())) SDL_PushEvent(&text);
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) window.event(e);
    SDL_Renderer* r = window.draw();
    bool last = (cl.frames >= 0 && frame + 1 >= cl.frames) || !window.open();
    if (last && r && !cl.screenshot.empty()) {
      int w = 0;
      int h = 0;
      std::string error;
      if (SDL_GetRendererOutputSize(r, &w, &h) != 0 || !SaveRendererPng(r, w, h, cl.screenshot, error)) {
        std::fprintf(stderr, "ruvel: %s\n", error.empty() ? SDL_GetError() : error.c_str());
        ok = false;
      }
    }
    window.present();
    if (last) break;
    if (!cl.fixedClock && !cl.headless) SDL_WaitEventTimeout(nullptr, kFrameMs);
  }
  return ok;
}

}  // namespace ruvel
