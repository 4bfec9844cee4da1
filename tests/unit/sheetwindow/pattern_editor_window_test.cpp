// The pattern editor inside the running program (SDL's offscreen driver):
// a sheet sent from the pattern window opens in the editor's own window;
// clicks and keys sent to that window select a rectangle, frame it as a
// new pattern (N) and save (Ctrl+S); the running page then has the new
// pattern without being loaded again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "assetedit/sheet_file.h"
#include "assetedit/sheet_pixels.h"
#include "compiler/compile_driver.h"
#include "devui/main_menu_view.h"
#include "devui/pattern_editor_window.h"
#include "io/script_file_natives.h"
#include "pages/page_natives.h"
#include "runtime/startup.h"
#include "resources/custom_resource.h"
#include "screen/dialog_natives.h"
#include "screen/patterns.h"
#include "screen/screen_natives.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/dev_windows.h"
#include "shell/startup_path.h"
#include "sound/sound_natives.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

constexpr int kZoom = 4;

void PushMouse(uint32_t window, uint32_t type, int sheetX, int sheetY) {
  SDL_Event e{};
  e.type = type;
  int x = sheetX * kZoom + kZoom / 2;
  int y = sheetY * kZoom + kZoom / 2;
  if (type == SDL_MOUSEMOTION) {
    e.motion.windowID = window;
    e.motion.x = x;
    e.motion.y = y;
  } else {
    e.button.windowID = window;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
  }
  SDL_PushEvent(&e);
}

void PushKey(uint32_t window, uint32_t type, SDL_Scancode code, bool ctrl) {
  SDL_Event e{};
  e.type = type;
  e.key.windowID = window;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.scancode = code;
  e.key.keysym.mod = ctrl ? KMOD_LCTRL : KMOD_NONE;
  SDL_PushEvent(&e);
}

}  // namespace

TEST(PatternEditorWindowTest, ASheetFramedAndSavedInTheEditorIsTheGamesAtOnce) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  fs::path dir = fs::temp_directory_path() / ("ruvel_sheetwin_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  // One 6 x 6 pattern on a white sheet, registered by the page.
  ruvel::TPixelImage sheet = ruvel::BlankSheet(48, 24, 0xFFFFFF);
  ruvel::DrawRect(sheet, ruvel::TRect{1, 1, 9, 9}, 0x000000, false);
  std::ofstream(dir / "sheet.bmp", std::ios::binary) << ruvel::EncodeBmp(sheet);
  std::ofstream(dir / "page.cmml") << "<resourcelist name=\"usr\">\n"
                                      " <resourcelist name=\"patterns\">\n"
                                      "  <cpattern name=\"$pat_sheet\" src=\"sheet.bmp\">\n"
                                      " </resourcelist>\n"
                                      "</resourcelist>\n";

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
  cl.dev = true;
  cl.frames = 400;

  int round = 0;
  int32_t countBefore = -1;
  int32_t countAfter = -1;
  int32_t width = 0;
  int32_t height = 0;
  bool shown = false;
  uint32_t editor = 0;
  ruvel::TShellHooks hooks;
  hooks.startScriptWorld = [&cl] { ruvel::RunStartupPath(cl); };
  hooks.betweenFrames = [&] {
    ruvel::TDevWindows* dev = ruvel::DevWindows();
    if (!dev || !dev->MenuView()) return true;
    ++round;
    if (round == 20) {
      countBefore = ruvel::PatternCount();
      // What a double click on the sheet's row in the pattern window asks.
      dev->MenuView()->Patterns().editRequest = (dir / "sheet.bmp").string();
    } else if (round == 25) {
      shown = dev->SheetEditor() && dev->SheetEditor()->Shown();
      editor = dev->SheetEditor() ? dev->SheetEditor()->WindowId() : 0;
      PushKey(editor, SDL_KEYDOWN, SDL_SCANCODE_S, false);
    } else if (round == 26) {
      PushKey(editor, SDL_KEYUP, SDL_SCANCODE_S, false);
    } else if (round == 28) {
      PushMouse(editor, SDL_MOUSEMOTION, 20, 4);
    } else if (round == 29) {
      PushMouse(editor, SDL_MOUSEBUTTONDOWN, 20, 4);
    } else if (round == 30) {
      PushMouse(editor, SDL_MOUSEMOTION, 29, 15);
    } else if (round == 31) {
      PushMouse(editor, SDL_MOUSEBUTTONUP, 29, 15);
    } else if (round == 33) {
      PushKey(editor, SDL_KEYDOWN, SDL_SCANCODE_N, false);
    } else if (round == 34) {
      PushKey(editor, SDL_KEYUP, SDL_SCANCODE_N, false);
    } else if (round == 36) {
      PushKey(editor, SDL_KEYDOWN, SDL_SCANCODE_S, true);
    } else if (round == 37) {
      PushKey(editor, SDL_KEYUP, SDL_SCANCODE_S, true);
    } else if (round == 40) {
      countAfter = ruvel::PatternCount();
      ruvel::PatternSize(countBefore, width, height);
      return false;
    }
    return true;
  };
  int code = ruvel::RunShell(cl, hooks);

  EXPECT_EQ(code, 0);
  EXPECT_TRUE(shown) << "the editor's window did not open";
  ASSERT_GE(countBefore, 1);
  EXPECT_EQ(countAfter, countBefore + 1) << "the saved sheet was not cut again";
  EXPECT_EQ(width, 10);
  EXPECT_EQ(height, 12);
  ruvel::TPixelImage saved;
  std::string error;
  ASSERT_TRUE(ruvel::LoadPatternImage((dir / "sheet.bmp").string(), saved, error)) << error;
  EXPECT_EQ(saved.At(19, 3), 0x000000u) << "the frame's corner";
  fs::remove_all(dir);
}
