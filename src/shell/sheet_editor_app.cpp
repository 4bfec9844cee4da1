#include "shell/sheet_editor_app.h"

#include <SDL.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "devui/imgui_layer.h"
#include "devui/pattern_editor_view.h"
#include "platform/cp932.h"
#include "platform/video.h"
#include "platform/window.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"

namespace ruvel {

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 640;

}  // namespace

int RunSheetEditorProgram(const CommandLine& cl) {
  std::vector<TInputEvent> replay;
  if (!LoadEditorReplay(cl, replay)) return 1;
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
      TEditorWindowHooks hooks;
      hooks.windowId = [&window] { return window->Id(); };
      hooks.open = [&view] { return view.shown; };
      hooks.event = [&](const SDL_Event& e) {
        if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) view.RequestClose();
        else if (TImGuiLayer::EventWindow(e) == window->Id()) layer.Feed(e);
      };
      hooks.draw = [&] {
        SDL_Renderer* r = window->Renderer();
        layer.BeginFrame();
        view.Draw(r, true);
        SDL_SetRenderDrawColor(r, 40, 40, 40, 255);
        SDL_RenderClear(r);
        layer.EndFrame();
        return r;
      };
      hooks.present = [&window] { SDL_RenderPresent(window->Renderer()); };
      RunEditorFrames(cl, replay, hooks);
    }
    view.ReleaseTexture();
  }
  window.reset();
  VideoQuit();
  return status;
}

}  // namespace ruvel
