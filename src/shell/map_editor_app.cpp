#include "shell/map_editor_app.h"

#include <SDL.h>

#include <cstdio>
#include <vector>

#include "assetedit/map_editor.h"
#include "devui/map_editor_view.h"
#include "platform/paths.h"
#include "platform/video.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"

namespace ruvel {

int RunMapEditor(const CommandLine& cl) {
  std::vector<TInputEvent> replay;
  if (!LoadEditorReplay(cl, replay)) return 2;
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
    TEditorWindowHooks window;
    window.windowId = [&view] { return view.WindowId(); };
    window.open = [&view] { return !view.Closed(); };
    window.event = [&view](const SDL_Event& e) {
      if (e.type == SDL_QUIT) view.RequestClose();
      else view.HandleEvent(e);
    };
    window.draw = [&view] {
      view.Draw(false);
      return view.Closed() ? nullptr : view.Renderer();
    };
    window.present = [&view] { view.Present(); };
    if (!RunEditorFrames(cl, replay, window)) code = 2;
  }
  VideoQuit();
  return code;
}

}  // namespace ruvel
