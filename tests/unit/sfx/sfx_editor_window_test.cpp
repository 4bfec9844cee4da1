// The effect maker inside the running program (SDL's offscreen driver):
// ウィンドウ → 効果音エディタ opens "effect.sfx" beside the page in a window
// of its own; a preset key and Ctrl+S sent to that window save the file,
// and the effect is played on the game's sound, so --record-audio has it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "compiler/compile_driver.h"
#include "devui/main_menu.h"
#include "devui/sfx_editor_window.h"
#include "pages/page_natives.h"
#include "screen/patterns.h"
#include "shell/app.h"
#include "shell/command_line.h"
#include "shell/dev_windows.h"
#include "shell/startup_path.h"
#include "sound/sound_fixture.h"

namespace fs = std::filesystem;

namespace {

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

TEST(SfxEditorWindowTest, TheMenuOpensTheEditorWhoseEffectsSoundInTheGame) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  ruvel::test::TempDir dir;
  std::ofstream(dir.path / "page.cmml") << "<resourcelist name=\"usr\">\n</resourcelist>\n";
  ruvel::InstallCompiler();
  ruvel::InstallPatterns();
  ruvel::InstallPages();

  ruvel::CommandLine cl;
  cl.home = ruvel_test::TestBuildDir();
  cl.file = (dir.path / "page.cmml").string();
  cl.fixedClock = true;
  cl.dev = true;
  cl.frames = 400;
  cl.recordAudio = (dir.path / "game.wav").string();

  int round = 0;
  bool shown = false;
  uint32_t editor = 0;
  ruvel::TShellHooks hooks;
  hooks.startScriptWorld = [&cl] { ruvel::RunStartupPath(cl); };
  hooks.betweenFrames = [&] {
    ruvel::TDevWindows* dev = ruvel::DevWindows();
    if (!dev || !dev->MenuView()) return true;
    ++round;
    if (round == 10) {
      dev->Menu().Execute(ruvel::TMenuCommand::kSfxEditor);
    } else if (round == 12) {
      shown = dev->SfxEditor() && dev->SfxEditor()->Shown();
      editor = dev->SfxEditor() ? dev->SfxEditor()->WindowId() : 0;
      PushKey(editor, SDL_KEYDOWN, SDL_SCANCODE_3, false);  // 爆発
    } else if (round == 13) {
      PushKey(editor, SDL_KEYUP, SDL_SCANCODE_3, false);
    } else if (round == 15) {
      PushKey(editor, SDL_KEYDOWN, SDL_SCANCODE_S, true);
    } else if (round == 16) {
      PushKey(editor, SDL_KEYUP, SDL_SCANCODE_S, true);
    } else if (round == 80) {
      return false;
    }
    return true;
  };
  int code = ruvel::RunShell(cl, hooks);

  EXPECT_EQ(code, 0);
  EXPECT_TRUE(shown) << "the editor's window did not open";
  std::ifstream saved(dir.path / "effect.sfx");
  std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("wave = noise\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("lowpass = 0\n"), std::string::npos) << text;  // the explosion is muffled
  std::vector<int16_t> played = ruvel::test::ReadWav16(cl.recordAudio);
  ASSERT_GT(played.size(), 20000u);
  EXPECT_GT(ruvel::test::Rms(played, 0, played.size()), 300.0) << "the preset was not heard";
}
