// The program with a window (SDL's offscreen video driver): a page whose
// object calls breakExec() opens the debugger window captioned "停止中";
// a click on its "実行" button, sent as SDL events, lets the game go on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "compiler/compile_driver.h"
#include "devui/debugger_model.h"
#include "devui/debugger_view.h"
#include "shell/dev_windows.h"
#include "devui/main_menu_view.h"
#include "io/script_file_natives.h"
#include "pages/page_natives.h"
#include "platform/cp932.h"
#include "platform/screenshot.h"
#include "platform/window.h"
#include "screen/main_screen.h"
#include "resources/custom_resource.h"
#include "runtime/startup.h"
#include "screen/dialog_natives.h"
#include "screen/patterns.h"
#include "screen/screen_natives.h"
#include "shell/app.h"
#include "shell/command_line.h"
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

// One object whose main process breaks once and then counts frames.
void WritePage(const fs::path& dir) {
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <class name=\"Breaker\" src=\"Breaker.ruvel\">\n"
        " </resourcelist>\n"
        " <resourcelist name=\"gen\">\n"
        "  <generator className=\"Breaker\" name=\"$breaker\" inst_x=\"10\" inst_y=\"10\">\n"
        " </resourcelist>\n"
        "</resourcelist>\n");
  Write(dir / "Breaker.ruvel",
        "extends classes.game.Char;\n"
        "function main() {\n"
        "  breakExec();\n"
        "  while (1) {\n"
        "    x = x + 1;\n"
        "    suspend();\n"
        "  }\n"
        "}\n");
}

// Keeps a picture of a window (the docs use them).
void Shot(SDL_Window* w, const std::string& path) {
  if (!w) return;
  int ww = 0;
  int wh = 0;
  SDL_GetWindowSize(w, &ww, &wh);
  std::string error;
  ruvel::SaveRendererPng(SDL_GetRenderer(w), ww, wh, path, error);
}

TEST(DebuggerWindowTest, BreakExecOpensTheDebuggerCaptionedPausedAndRunGoesOn) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  // The offscreen GL surface keeps its first size when the window grows by
  // the menu bar; the software renderer follows it.
  setenv("SDL_RENDER_DRIVER", "software", 1);
  fs::path dir = fs::temp_directory_path() / ("ruvel_devwin_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  WritePage(dir);

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
  cl.file = (dir / "page.cmml").string();
  cl.fixedClock = true;
  cl.frames = 40;

  int rounds = 0;
  bool windowShown = false;
  std::string title;
  std::string caption;
  size_t listingLines = 0;
  bool clicked = false;
  bool forced = false;
  bool menuOpened = false;
  ruvel::Debugger().pausedWatcher = [&] {
    ruvel::TDevWindows* dev = ruvel::DevWindows();
    ASSERT_NE(dev, nullptr);
    ruvel::TDebuggerView* view = dev->DebuggerView();
    ruvel::TMainMenuView* menu = dev->MenuView();
    ASSERT_NE(view, nullptr);
    ASSERT_NE(menu, nullptr);
    SDL_Window* w = SDL_GetWindowFromID(view->WindowId());
    ++rounds;
    if (rounds == 1) {
      windowShown = w && (SDL_GetWindowFlags(w) & SDL_WINDOW_SHOWN);
      title = w ? SDL_GetWindowTitle(w) : "";
      caption = ruvel::ToUtf8(ruvel::Debugger().caption);
      listingLines = ruvel::Debugger().listOpr.size();
      // The main window keeps being drawn while paused: its menu opens.
      int x = 0;
      int y = 0;
      if (menu->TitleCenter(1, x, y)) PushClick(ruvel::MainScreen()->Window().Id(), x, y);
    } else if (rounds == 15) {
      menuOpened = menu->MenuOpen();
      if (const char* shots = std::getenv("RUVEL_SHOT_DIR")) {
        std::string error;
        // Pixels are read before the present, as screenshots are.
        view->Draw(false);
        Shot(w, std::string(shots) + "/debugger.png");
        SDL_RenderPresent(SDL_GetRenderer(w));
        ruvel::TScreen* screen = ruvel::MainScreen();
        auto mainShot = [&](const char* name) {
          // Two frames: windows that fit their contents size themselves in the first.
          for (int i = 0; i < 2; ++i) {
            screen->Compose();
            screen->overlay();
          }
          screen->Window().UseWholeWindow();
          Shot(screen->Window().Sdl(), std::string(shots) + "/" + name);
          SDL_RenderPresent(screen->Renderer());
        };
        mainShot("menu.png");
        PushClick(screen->Window().Id(), 500, 300);  // closes the menu
        menu->ShowAbout();
        mainShot("about.png");
        menu->HideAbout();
        menu->ShowOpenDialog(ruvel::OpenDialogStart());
        mainShot("open.png");
        menu->OpenDialog().Close();
        menu->Patterns().shown = true;
        mainShot("patterns.png");
        menu->Patterns().shown = false;
      }
      int x = 0;
      int y = 0;
      if (view->ButtonCenter(ruvel::TDebuggerView::TCommand::kRun, x, y)) {
        PushClick(view->WindowId(), x, y);
        clicked = true;
      }
    } else if (rounds > 300) {
      // The click did not reach the button: fail, but let the run end.
      forced = true;
      ruvel::Debugger().RunAll();
    }
  };
  ruvel::TShellHooks hooks;
  hooks.startScriptWorld = [&cl] {
    ruvel::RunStartupPath(cl);
    // No loading-window wait: the game runs from the first frame.
    ruvel::FrameLoop()->autoExec = true;
  };
  int code = ruvel::RunShell(cl, hooks);
  ruvel::Debugger().pausedWatcher = nullptr;
  fs::remove_all(dir);

  EXPECT_EQ(code, 0);
  ASSERT_GE(rounds, 1) << "the debugger never paused";
  EXPECT_TRUE(windowShown);
  EXPECT_EQ(title, "停止中");
  EXPECT_EQ(caption, "停止中");
  EXPECT_GT(listingLines, 0u);
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(menuOpened) << "a click on the menu bar's title did not open it while paused";
  EXPECT_FALSE(forced) << "the click on 実行 did not end the pause";
  // The pause is over once the run ended: nothing holds execution.
  EXPECT_FALSE(ruvel::Debugger().paused);
}

}  // namespace
