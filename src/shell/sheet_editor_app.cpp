#include "shell/sheet_editor_app.h"

#include <SDL.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "devui/imgui_layer.h"
#include "devui/pattern_editor_view.h"
#include "platform/cp932.h"
#include "platform/keys.h"
#include "platform/screenshot.h"
#include "platform/video.h"
#include "platform/window.h"
#include "shell/command_line.h"
#include "shell/input_script.h"

namespace ruvel {

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 640;
constexpr int kFrameMs = 16;
constexpr int kVkControl = 0x11;

// A replayed event as the SDL event a person's hand would have sent.
SDL_Event ToSdlEvent(const TInputEvent& in, uint32_t windowId, bool& ctrl) {
  SDL_Event e{};
  switch (in.kind) {
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
    case TInputKind::kKeyDown:
    case TInputKind::kKeyUp:
      if (in.key == kVkControl) ctrl = in.kind == TInputKind::kKeyDown;
      e.type = in.kind == TInputKind::kKeyDown ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.windowID = windowId;
      e.key.state = in.kind == TInputKind::kKeyDown ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.scancode = SDL_Scancode(ScancodeOfVirtualKey(in.key));
      e.key.keysym.mod = ctrl ? KMOD_LCTRL : KMOD_NONE;
      break;
  }
  return e;
}

}  // namespace

int RunSheetEditorProgram(const CommandLine& cl) {
  std::vector<TInputEvent> replay;
  try {
    if (!cl.input.empty()) replay = LoadInputScript(cl.input);
  } catch (const EInputScript& e) {
    std::fprintf(stderr, "ruvel: %s\n", e.what());
    return 1;
  }
  std::string error;
  if (!VideoInit(cl.headless, error)) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    return 1;
  }
  TWindowOptions options;
  options.clientWidth = kWindowWidth;
  options.clientHeight = kWindowHeight;
  options.headless = cl.headless;
  options.title = J("パターンエディタ");
  std::unique_ptr<TWindow> window = TWindow::Create(options, error);
  if (!window) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    VideoQuit();
    return 1;
  }
  int status = 0;
  {
    TImGuiLayer layer(window->Sdl(), window->Renderer());
    TPatternEditorView view;
    view.projectDir = cl.project;
    if (!view.Open(cl.editSheet)) {
      status = 1;
    } else {
      window->SetTitle(J("パターンエディタ - ") + cl.editSheet);
      size_t next = 0;
      bool ctrl = false;
      for (long frame = 0; view.shown; ++frame) {
        for (; next < replay.size() && replay[next].frame <= frame; ++next) {
          SDL_Event e = ToSdlEvent(replay[next], window->Id(), ctrl);
          SDL_PushEvent(&e);
        }
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
          if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) view.RequestClose();
          else if (TImGuiLayer::EventWindow(e) == window->Id()) layer.Feed(e);
        }
        SDL_Renderer* r = window->Renderer();
        layer.BeginFrame();
        view.Draw(r, true);
        SDL_SetRenderDrawColor(r, 40, 40, 40, 255);
        SDL_RenderClear(r);
        layer.EndFrame();
        bool last = cl.frames >= 0 && frame + 1 >= cl.frames;
        if ((last || !view.shown) && !cl.screenshot.empty()) {
          int w = 0;
          int h = 0;
          window->Size(w, h);
          if (!SaveRendererPng(r, w, h, cl.screenshot, error)) std::fprintf(stderr, "ruvel: %s\n", error.c_str());
        }
        SDL_RenderPresent(r);
        if (last) break;
        SDL_WaitEventTimeout(nullptr, kFrameMs);
      }
    }
    view.ReleaseTexture();
  }
  window.reset();
  VideoQuit();
  return status;
}

}  // namespace ruvel
