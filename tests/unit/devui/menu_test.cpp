// The main menu's commands through their handlers, on a headless window:
// the table, the sound switch, the drawing method, the status bar with its
// cookie, the keys, the pause conditions, the help target, the about box
// and the menu bar's rows kept out of the picture.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "devui/about_box.h"
#include "devui/debugger_model.h"
#include "shell/dev_windows.h"
#include "devui/main_menu.h"
#include "devui/main_menu_view.h"
#include "io/cookies.h"
#include "platform/paths.h"
#include "io/temp_dir.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "pages/page.h"
#include "platform/clock.h"
#include "platform/video.h"
#include "platform/window.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "shell/frame_loop.h"
#include "sound/sound_manager.h"

namespace ruvel::test {

namespace {

std::string WavFile(size_t samples) {
  std::string data(samples, '\xC0');
  auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
  std::string fmt = u16(1) + u16(1) + u32(44100) + u32(44100) + u16(1) + u16(8);
  return "RIFF" + u32(uint32_t(4 + 8 + fmt.size() + 8 + data.size())) + "WAVE" + "fmt " + u32(16) + fmt + "data" +
         u32(uint32_t(data.size())) + data;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(VideoInit(true, error)) << error;
    TWindowOptions options;
    options.headless = true;
    window = TWindow::Create(options, error);
    ASSERT_TRUE(window) << error;
    screen = std::make_unique<TScreen>(*window);
    dir.MakeDir("Kernel");
    oldProgramDir = ProgramDir();
    SetProgramDir(dir.Path());
    Cookies().Clear();
    params.clear();
    HostState().projectParam = [this](const std::string& name) {
      auto it = params.find(name);
      return it == params.end() ? std::string() : it->second;
    };
    HostState().starting = false;
    HostState().designMode = false;
    menu = std::make_unique<TMainMenu>(screen.get(), false);
  }
  void TearDown() override {
    menu.reset();
    HostState().projectParam = nullptr;
    HostState().designMode = false;
    SoundManager().SetSoundSwitch(true);
    Cookies().Clear();
    SetProgramDir(oldProgramDir);
    screen.reset();
    window.reset();
    VideoQuit();
  }

  TempDir dir;
  std::string oldProgramDir;
  std::map<std::string, std::string> params;
  std::unique_ptr<TWindow> window;
  std::unique_ptr<TScreen> screen;
  std::unique_ptr<TMainMenu> menu;
};

TEST_F(MenuTest, TheTableHoldsEveryEntryUnderItsMenu) {
  std::vector<std::string> titles;
  for (const TMenuTitle& t : MainMenuTitles()) titles.push_back(t.caption);
  EXPECT_EQ(titles, (std::vector<std::string>{"ファイル(&F)", "オプション(&O)", "実行(&R)", "ウィンドウ(&W)",
                                              "ヘルプ(&H)"}));
  std::map<std::string, std::string> keys;
  std::map<std::string, int> menus;
  for (const TMenuEntry& e : MainMenuTable()) {
    keys[e.caption] = e.key;
    menus[e.caption] = e.menu;
  }
  EXPECT_EQ(menus["終了(&X)"], 0);
  EXPECT_EQ(menus["サウンド(&S)"], 1);
  EXPECT_EQ(menus["&B方式"], 1);
  EXPECT_EQ(menus["ステータスバーを表示(&B)"], 1);
  EXPECT_EQ(keys["一時停止/再開(&P)"], "F3");
  EXPECT_EQ(keys["デバッグ(&D)"], "Ctrl+F10");
  EXPECT_EQ(keys["ヘルプ(&H)"], "F1");
  EXPECT_EQ(menus["Ruvelホームページ(&T)"], 4);
  EXPECT_EQ(menus["&About.."], 4);
  EXPECT_EQ(MenuLabel("ファイル(&F)"), "ファイル(F)");
  EXPECT_EQ(MenuLabel("&A方式"), "A方式");
}

TEST_F(MenuTest, TheSoundEntryTogglesAndSwitchingOffStopsTheMusic) {
  dir.WriteFile("TUNE.MID", "MThd");
  dir.WriteFile("e.wav", WavFile(50));
  TSndManager& m = SoundManager();
  EXPECT_TRUE(menu->Checked(TMenuCommand::kSound));
  m.PlayBgm(dir / "TUNE.MID", true, false);
  EXPECT_EQ(m.Mode(), TBgmMode::kMidi);
  menu->Execute(TMenuCommand::kSound);
  EXPECT_FALSE(menu->Checked(TMenuCommand::kSound));
  EXPECT_EQ(m.Mode(), TBgmMode::kNone);
  // Nothing starts while the switch is off.
  m.PlayBgm(dir / "TUNE.MID", true, false);
  EXPECT_EQ(m.Mode(), TBgmMode::kNone);
  int32_t id = m.LoadEffect(dir / "e.wav");
  ASSERT_GT(id, 0);
  m.PlayEffect(id, 128);
  EXPECT_EQ(m.Sequencer().Engine().Effect(1).remaining, 0u);
  menu->Execute(TMenuCommand::kSound);
  EXPECT_TRUE(menu->Checked(TMenuCommand::kSound));
  m.PlayEffect(id, 128);
  EXPECT_EQ(m.Sequencer().Engine().Effect(1).remaining, 50u);
  m.Stop();
  m.FreeEffect(id);
}

TEST_F(MenuTest, ExactlyOneDrawingMethodIsChecked) {
  auto checked = [this] {
    return std::string(menu->Checked(TMenuCommand::kDrawA) ? "A" : "") +
           (menu->Checked(TMenuCommand::kDrawB) ? "B" : "") + (menu->Checked(TMenuCommand::kDrawC) ? "C" : "");
  };
  EXPECT_EQ(checked(), "A");
  menu->Execute(TMenuCommand::kDrawB);
  EXPECT_EQ(checked(), "B");
  EXPECT_EQ(screen->drawMethod, TDrawMethod::B);
  menu->Execute(TMenuCommand::kDrawC);
  EXPECT_EQ(checked(), "C");
}

TEST_F(MenuTest, TheStatusBarToggleKeepsTheDrawingHeightAndStoresTheCookie) {
  int drawing = screen->DrawingHeight();
  int client = screen->ClientHeight();
  ASSERT_TRUE(menu->Checked(TMenuCommand::kStatusBar));
  menu->Execute(TMenuCommand::kStatusBar);
  EXPECT_FALSE(screen->StatusBarShown());
  EXPECT_EQ(screen->DrawingHeight(), drawing);
  EXPECT_EQ(screen->ClientHeight(), drawing);
  EXPECT_EQ(Cookies().Get("statusBar"), "0");
  EXPECT_NE(ReadAll(CookieFilePath()).find("env:statusBar=0"), std::string::npos);
  menu->Execute(TMenuCommand::kStatusBar);
  EXPECT_TRUE(screen->StatusBarShown());
  EXPECT_EQ(screen->ClientHeight(), client);
  EXPECT_EQ(Cookies().Get("statusBar"), "1");
}

TEST_F(MenuTest, TheStatusBarCookieIsReadAtStartUp) {
  // Any value but "0", or none, keeps the status bar.
  menu->ApplyStatusBarCookie();
  EXPECT_TRUE(screen->StatusBarShown());
  dir.WriteFile("Kernel/Cookies.ini", "env:statusBar=1\n");
  ASSERT_TRUE(LoadCookies());
  menu->ApplyStatusBarCookie();
  EXPECT_TRUE(screen->StatusBarShown());
  dir.WriteFile("Kernel/Cookies.ini", "env:statusBar=0\n");
  ASSERT_TRUE(LoadCookies());
  int drawing = screen->DrawingHeight();
  menu->ApplyStatusBarCookie();
  EXPECT_FALSE(screen->StatusBarShown());
  EXPECT_EQ(screen->DrawingHeight(), drawing);
  EXPECT_EQ(screen->ClientHeight(), screen->DrawingHeight());
}

TEST_F(MenuTest, TheScaleChoiceIsStoredAndTheCommandLineWinsForOneRun) {
  EXPECT_TRUE(menu->Checked(TMenuCommand::kScale1));
  menu->Execute(TMenuCommand::kScaleFit);
  EXPECT_EQ(screen->ScaleChoice(), kScaleFit);
  EXPECT_TRUE(menu->Checked(TMenuCommand::kScaleFit));
  EXPECT_FALSE(menu->Checked(TMenuCommand::kScale1));
  menu->Execute(TMenuCommand::kScale3);
  EXPECT_NE(ReadAll(CookieFilePath()).find("env:windowScale=3"), std::string::npos);
  dir.WriteFile("Kernel/Cookies.ini", "env:windowScale=2\n");
  ASSERT_TRUE(LoadCookies());
  menu->ApplyScaleCookie(-1);
  EXPECT_TRUE(menu->Checked(TMenuCommand::kScale2));
  menu->ApplyScaleCookie(1);
  EXPECT_EQ(screen->ScaleChoice(), 1);
  EXPECT_EQ(Cookies().Get("windowScale"), "2");
  // A value the program never writes leaves the choice alone.
  dir.WriteFile("Kernel/Cookies.ini", "env:windowScale=12\n");
  ASSERT_TRUE(LoadCookies());
  menu->ApplyScaleCookie(-1);
  EXPECT_EQ(screen->ScaleChoice(), 1);
}

TEST_F(MenuTest, AcceleratorsAndMnemonics) {
  EXPECT_EQ(menu->KeyCommand(SDL_SCANCODE_F1, KMOD_NONE), TMenuCommand::kHelp);
  EXPECT_EQ(menu->KeyCommand(SDL_SCANCODE_F10, KMOD_LCTRL), TMenuCommand::kDebugger);
  EXPECT_EQ(menu->KeyCommand(SDL_SCANCODE_F10, KMOD_NONE), TMenuCommand::kNone);
  EXPECT_EQ(menu->KeyCommand(SDL_SCANCODE_O, KMOD_RCTRL), TMenuCommand::kOpen);
  EXPECT_EQ(menu->KeyCommand(SDL_SCANCODE_O, KMOD_NONE), TMenuCommand::kNone);
  EXPECT_EQ(menu->MnemonicMenu(SDL_SCANCODE_F), 0);
  EXPECT_EQ(menu->MnemonicMenu(SDL_SCANCODE_H), 4);
  // The development menus open only when they are shown.
  EXPECT_FALSE(menu->DevMenusShown());
  EXPECT_EQ(menu->MnemonicMenu(SDL_SCANCODE_R), -1);
  HostState().designMode = true;
  EXPECT_EQ(menu->MnemonicMenu(SDL_SCANCODE_R), 2);
  HostState().designMode = false;
  TMainMenu dev(screen.get(), true);
  EXPECT_TRUE(dev.DevMenusShown());
  EXPECT_EQ(dev.MnemonicMenu(SDL_SCANCODE_W), 3);
}

TEST_F(MenuTest, PauseTogglesUnlessStartingDisabledOrDesigning) {
  int toggles = 0;
  menu->hooks.togglePause = [&] { ++toggles; };
  menu->Execute(TMenuCommand::kPause);
  EXPECT_EQ(toggles, 1);
  params["disable_pause"] = "1";
  menu->Execute(TMenuCommand::kPause);
  EXPECT_EQ(toggles, 1);
  params["disable_pause"] = "0";
  HostState().designMode = true;
  menu->Execute(TMenuCommand::kPause);
  HostState().designMode = false;
  HostState().starting = true;
  menu->Execute(TMenuCommand::kPause);
  // The debugger and the about box are not shown while starting either.
  int shows = 0;
  menu->hooks.showDebugger = [&] { ++shows; };
  menu->hooks.showAbout = [&] { ++shows; };
  menu->Execute(TMenuCommand::kDebugger);
  menu->Execute(TMenuCommand::kAbout);
  HostState().starting = false;
  EXPECT_EQ(toggles, 1);
  EXPECT_EQ(shows, 0);
  menu->Execute(TMenuCommand::kDebugger);
  menu->Execute(TMenuCommand::kAbout);
  EXPECT_EQ(shows, 2);
}

TEST_F(MenuTest, HelpOpensTheHelpFileOrAnHttpAddress) {
  std::vector<std::string> opened;
  menu->hooks.openUrl = [&](const std::string& u) {
    opened.push_back(u);
    return true;
  };
  menu->Execute(TMenuCommand::kHelp);  // no "helpfile": nothing
  EXPECT_FALSE(menu->Enabled(TMenuCommand::kHelp));
  params["helpfile"] = "http://example.org/help.html";
  menu->Execute(TMenuCommand::kHelp);
  params["helpfile"] = "missing.html";
  menu->Execute(TMenuCommand::kHelp);
  dir.WriteFile("help.html", "<html></html>");
  params["helpfile"] = "help.html";
  menu->Execute(TMenuCommand::kHelp);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], "http://example.org/help.html");
  EXPECT_EQ(opened[1], dir / "help.html");
}

TEST_F(MenuTest, TheAboutBoxTakesItsLabelsFromTheProject) {
  params = {{"title", "Game"}, {"version", "2.0"}, {"author", "Me"}, {"mail", "me@example.org"},
            {"web", "http://example.org/"}, {"cond", "free"}, {"commentID", "12345"}};
  TAboutBox box = MakeAboutBox();
  ASSERT_EQ(box.fields.size(), 7u);
  EXPECT_EQ(box.fields[0], (std::pair<std::string, std::string>{"タイトル", "Game"}));
  EXPECT_EQ(box.fields[1].second, "2.0");
  EXPECT_EQ(box.fields[2].first, "製作者名");
  EXPECT_EQ(box.fields[4], (std::pair<std::string, std::string>{"Webページアドレス", "http://example.org/"}));
  EXPECT_EQ(box.fields[5], (std::pair<std::string, std::string>{"配布条件", "free"}));
  EXPECT_EQ(box.fields[6].first, "アプリケーションID");
  EXPECT_EQ(box.versionLine, "Ruvel System ver 1.16");
  EXPECT_EQ(box.bannerFile, "");
  dir.WriteFile("Kernel/banner.bmp", "BM");
  EXPECT_EQ(MakeAboutBox().bannerFile, dir / "Kernel/banner.bmp");
}

TEST_F(MenuTest, TheMenuBarGrowsTheWindowAndKeepsPictureCoordinates) {
  int w0 = 0;
  int h0 = 0;
  window->Size(w0, h0);
  int drawing = screen->DrawingHeight();
  {
    TMainMenuView view(*menu, *screen);
    int w = 0;
    int h = 0;
    window->Size(w, h);
    EXPECT_EQ(window->TopInset(), TMainMenuView::kBarHeight);
    EXPECT_EQ(w, w0);
    EXPECT_EQ(h, h0);
    EXPECT_EQ(screen->DrawingHeight(), drawing);
    int sw = 0;
    int sh = 0;
    SDL_GetWindowSize(window->Sdl(), &sw, &sh);
    EXPECT_EQ(sh, h0 + TMainMenuView::kBarHeight);
    // A press below the bar reaches the game in picture coordinates; one
    // on the bar stays with the menu.
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = window->Id();
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 30;
    e.button.y = 50;
    EXPECT_FALSE(view.HandleEvent(e));
    EXPECT_EQ(e.button.y, 50 - TMainMenuView::kBarHeight);
    e.button.y = 5;
    EXPECT_TRUE(view.HandleEvent(e));
    // Alt + a menu's letter opens that menu.
    SDL_Event k{};
    k.type = SDL_KEYDOWN;
    k.key.windowID = window->Id();
    k.key.keysym.scancode = SDL_SCANCODE_O;
    k.key.keysym.mod = KMOD_LALT;
    EXPECT_TRUE(view.HandleEvent(k));
    EXPECT_FALSE(view.MenuOpen());
    screen->Compose();
    view.DrawOverlay();
    EXPECT_TRUE(view.MenuOpen());
  }
  EXPECT_EQ(window->TopInset(), 0);
}

}  // namespace ruvel::test

namespace ruvel::test {

// The development windows wired to a screen and a frame loop, as the shell
// makes them (with a window, on the headless display).
class DevWindowsTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    loop = std::make_unique<TFrameLoop>(clock);
    dev = std::make_unique<TDevWindows>(*screen, *loop, false, false);
    HostState().started = true;
  }
  void TearDown() override {
    dev.reset();
    loop.reset();
    HostState().started = false;
    MenuTest::TearDown();
  }
  // A right click in window coordinates (menu rows included), moving by
  // (dx, dy) between press and release.
  void RightClick(int x, int y, int dx, int dy) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.windowID = window->Id();
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.x = x;
    e.button.y = y;
    if (!dev->HandleEvent(e)) screen->MouseDown(e.button.x, e.button.y, false, true);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.x = x + dx;
    e.button.y = y + dy;
    if (!dev->HandleEvent(e)) screen->MouseUp(e.button.x, e.button.y, false, true);
    screen->Present();
  }
  TFixedStepClock clock;
  std::unique_ptr<TFrameLoop> loop;
  std::unique_ptr<TDevWindows> dev;
};

TEST_F(DevWindowsTest, ARightClickInDesignModeOpensTheObjectMenuWithinEightPixels) {
  ASSERT_NE(dev->MenuView(), nullptr);
  RightClick(100, 100, 5, 3);
  EXPECT_FALSE(dev->MenuView()->ObjectPopupOpen());  // not in design mode
  HostState().designMode = true;
  RightClick(100, 100, 5, 3);
  EXPECT_TRUE(dev->MenuView()->ObjectPopupOpen());
  // A left click elsewhere closes it; nine pixels away it does not open.
  SDL_Event e{};
  e.type = SDL_MOUSEBUTTONDOWN;
  e.button.windowID = window->Id();
  e.button.button = SDL_BUTTON_LEFT;
  e.button.x = 400;
  e.button.y = 300;
  dev->HandleEvent(e);
  screen->Present();
  e.type = SDL_MOUSEBUTTONUP;
  dev->HandleEvent(e);
  screen->Present();
  EXPECT_FALSE(dev->MenuView()->ObjectPopupOpen());
  RightClick(100, 100, 5, 4);
  EXPECT_FALSE(dev->MenuView()->ObjectPopupOpen());
  HostState().designMode = false;
}

TEST_F(DevWindowsTest, CtrlOOpensTheFileDialogUnlessTheDebuggerHoldsExecution) {
  class Shown : public MessageSink {
   public:
    void ShowMessage(const std::string& t) override { shown.push_back(t); }
    void Log(const std::string&) override {}
    std::vector<std::string> shown;
  } sink;
  MessageSink* old = SetSink(&sink);
  SDL_Event k{};
  k.type = SDL_KEYDOWN;
  k.key.windowID = window->Id();
  k.key.keysym.scancode = SDL_SCANCODE_O;
  k.key.keysym.mod = KMOD_LCTRL;
  Debugger().paused = true;
  EXPECT_TRUE(dev->HandleEvent(k));
  Debugger().paused = false;
  EXPECT_FALSE(dev->MenuView()->OpenDialog().shown);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_EQ(sink.shown[0], J("先にデバッグウィンドウの「停止」を押してください"));
  PageState().currentDir = dir.Path();
  EXPECT_TRUE(dev->HandleEvent(k));
  SetSink(old);
  const TFileBrowser& b = dev->MenuView()->OpenDialog();
  EXPECT_TRUE(b.shown);
  EXPECT_EQ(b.title, J("ファイルを開く"));
  ASSERT_EQ(b.filters.size(), 2u);
  EXPECT_EQ(b.filters[0].extensions, std::vector<std::string>{".cmml"});
  EXPECT_EQ(b.filters[1].extensions, std::vector<std::string>{".ruvel"});
  EXPECT_EQ(b.dir, OpenDialogStart());
  PageState().currentDir.clear();
}

TEST_F(DevWindowsTest, KeysReachTheMenuCommandsAndTheFrameLoopFollowsTheDebugger) {
  int shown = 0;
  dev->Menu().hooks.showDebugger = [&] { ++shown; };
  SDL_Event k{};
  k.type = SDL_KEYDOWN;
  k.key.windowID = window->Id();
  k.key.keysym.scancode = SDL_SCANCODE_F10;
  k.key.keysym.mod = KMOD_LCTRL;
  EXPECT_TRUE(dev->HandleEvent(k));
  EXPECT_EQ(shown, 1);
  // "自動実行" is the frame loop's automatic execution.
  TDebugger& d = Debugger();
  loop->autoExec = false;
  ASSERT_TRUE(d.hooks.setAutoExec);
  d.hooks.setAutoExec(true);
  EXPECT_TRUE(loop->autoExec);
  EXPECT_TRUE(d.hooks.autoExec());
  // The frame loop reports "Preempted" and its caption to the debugger and
  // holds back while the debugger is paused.
  ASSERT_TRUE(loop->hooks.showPreempted);
  loop->hooks.showPreempted("not Preempted");
  EXPECT_EQ(d.preempted, "not Preempted");
  EXPECT_FALSE(loop->hooks.debuggerStopped());
  d.paused = true;
  EXPECT_TRUE(loop->hooks.debuggerStopped());
  EXPECT_TRUE(PageHooks().debuggerHolding());
  d.paused = false;
}

}  // namespace ruvel::test
