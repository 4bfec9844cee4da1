// The program with a window (SDL's offscreen video driver) and a project
// whose Temp folder holds a breakpoint: the game stops on that line, the
// debugger window turns to its source-level panes with the line and the
// local by name, a click on "続行" runs on to the next stop, and the
// breakpoint cleared there is cleared in the project's file too.
#include <gtest/gtest.h>
#include <unistd.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "compiler/compile_driver.h"
#include "debugger/debug_engine.h"
#include "devui/debugger_model.h"
#include "devui/debugger_view.h"
#include "devui/source_panes.h"
#include "io/script_file_natives.h"
#include "pages/page_natives.h"
#include "platform/screenshot.h"
#include "resources/custom_resource.h"
#include "runtime/startup.h"
#include "screen/dialog_natives.h"
#include "screen/patterns.h"
#include "screen/screen_natives.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/dev_windows.h"
#include "shell/frame_loop.h"
#include "shell/startup_path.h"
#include "sound/sound_natives.h"
#include "sdl_click.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(SourcePanesWindowTest, AProjectBreakpointStopsTheGameAndContinueRunsOn) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  fs::path dir = fs::temp_directory_path() / ("ruvel_panes_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "Temp");
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <class name=\"Walker\" src=\"Walker.ruvel\">\n"
        " </resourcelist>\n"
        " <resourcelist name=\"gen\">\n"
        "  <generator className=\"Walker\" name=\"$walker\" inst_x=\"10\" inst_y=\"10\">\n"
        " </resourcelist>\n"
        "</resourcelist>\n");
  const std::string source = (dir / "Walker.ruvel").string();
  Write(source,
        "extends classes.game.Char;\n"  // 1
        "function main() {\n"           // 2
        "  var steps;\n"                // 3
        "  steps = 0;\n"                // 4
        "  while (1) {\n"               // 5
        "    steps = steps + 1;\n"      // 6
        "    x = x + 1;\n"              // 7
        "    suspend();\n"              // 8
        "  }\n"                         // 9
        "}\n");                         // 10
  Write(dir / "Temp" / "breakpoints.txt", "ruvel-breakpoints 1\n" + source + "\t7\n");

  ruvel::InstallCompiler();
  ruvel::InstallPatterns();
  ruvel::InstallPages();
  ruvel::RegisterNativeTable(ruvel::ScreenNatives);
  ruvel::RegisterNativeTable(ruvel::DialogNatives);
  ruvel::RegisterNativeTable(ruvel::SoundNatives);
  ruvel::RegisterNativeTable(ruvel::FileNatives);
  ruvel::RegisterNativeTable(ruvel::CustomResourceNatives);

  ruvel::CommandLine cl;
  cl.home = ruvel_test::TestBuildDir();
  cl.project = dir.string();
  cl.file = (dir / "page.cmml").string();
  cl.fixedClock = true;
  cl.frames = 40;
  cl.dev = true;

  // Per stop: the panes' line, the local "steps" and the stack's first entry.
  std::vector<std::string> stops;
  int roundsInStop = 0;
  long seenStops = 0;
  bool clicked = false;
  bool forced = false;
  bool windowShown = false;
  ruvel::Debugger().pausedWatcher = [&] {
    ruvel::TDebugEngine& e = ruvel::DebugEngine();
    if (!e.IsStopped()) return;
    ruvel::TSourcePanes& panes = ruvel::SourcePanes();
    ruvel::TDebuggerView* view = ruvel::DevWindows()->DebuggerView();
    if (panes.stops != seenStops) {
      seenStops = panes.stops;
      roundsInStop = 0;
    }
    if (++roundsInStop == 3) {
      // The view has drawn the stop twice: its buttons have their places.
      SDL_Window* w = SDL_GetWindowFromID(view->WindowId());
      windowShown = w && (SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN);
      std::string steps = "?";
      if (!panes.scopes.empty()) {
        for (const auto& v : panes.Children(panes.scopes[0].variablesRef)) {
          if (v.name == "steps") steps = v.value;
        }
      }
      const auto& top = panes.stack.empty() ? ruvel::TFrameInfo() : panes.stack[0];
      stops.push_back(std::to_string(panes.currentLine) + " steps=" + steps + " " + top.className + "." + top.method +
                      ":" + std::to_string(top.line) + (panes.lines.size() == 10 ? "" : " lines?"));
      if (stops.size() == 1) {
        auto at = panes.buttonCenters.find("続行");
        if (at != panes.buttonCenters.end()) {
          PushClick(view->WindowId(), at->second.first, at->second.second);
          clicked = true;
        }
      } else {
        e.SetBreakpoints(source, {});
        e.Continue();
      }
    } else if (roundsInStop > 300) {
      forced = true;
      e.SetBreakpoints(source, {});
      e.Continue();
    }
  };
  ruvel::TShellHooks hooks;
  hooks.startScriptWorld = [&cl] {
    ruvel::RunStartupPath(cl);
    ruvel::FrameLoop()->autoExec = true;
  };
  int code = ruvel::RunShell(cl, hooks);
  ruvel::Debugger().pausedWatcher = nullptr;
  std::string saved = Read(dir / "Temp" / "breakpoints.txt");
  fs::remove_all(dir);

  EXPECT_EQ(code, 0);
  EXPECT_TRUE(windowShown);
  EXPECT_TRUE(clicked);
  EXPECT_FALSE(forced) << "the click on 続行 did not end the stop";
  EXPECT_EQ(stops, (std::vector<std::string>{"7 steps=1 Walker.main:7", "7 steps=2 Walker.main:7"}));
  EXPECT_EQ(saved, "ruvel-breakpoints 1\n");
}

}  // namespace
