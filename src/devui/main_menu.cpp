#include "devui/main_menu.h"

#include <SDL.h>

#include "io/cookies.h"
#include "platform/paths.h"
#include "platform/cp932.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "sound/sound_manager.h"

namespace ruvel {

const std::vector<TMenuTitle>& MainMenuTitles() {
  static const std::vector<TMenuTitle> titles = {
      {"ファイル(&F)", 'F', false},
      {"オプション(&O)", 'O', false},
      {"実行(&R)", 'R', true},
      {"ウィンドウ(&W)", 'W', true},
      {"ヘルプ(&H)", 'H', false},
  };
  return titles;
}

const std::vector<TMenuEntry>& MainMenuTable() {
  static const std::vector<TMenuEntry> table = {
      {0, "開く(&O)...", "Ctrl+O", TMenuCommand::kOpen, nullptr},
      {0, "終了(&X)", "", TMenuCommand::kExit, nullptr},
      {1, "サウンド(&S)", "", TMenuCommand::kSound, nullptr},
      {1, "&A方式", "", TMenuCommand::kDrawA, "描画方法(&D)"},
      {1, "&B方式", "", TMenuCommand::kDrawB, "描画方法(&D)"},
      {1, "&C方式", "", TMenuCommand::kDrawC, "描画方法(&D)"},
      {1, "ステータスバーを表示(&B)", "", TMenuCommand::kStatusBar, nullptr},
      {1, "&1倍", "", TMenuCommand::kScale1, "表示倍率(&Z)"},
      {1, "&2倍", "", TMenuCommand::kScale2, "表示倍率(&Z)"},
      {1, "&3倍", "", TMenuCommand::kScale3, "表示倍率(&Z)"},
      {1, "ウィンドウに合わせる(&F)", "", TMenuCommand::kScaleFit, "表示倍率(&Z)"},
      {2, "一時停止/再開(&P)", "F3", TMenuCommand::kPause, nullptr},
      {3, "デバッグ(&D)", "Ctrl+F10", TMenuCommand::kDebugger, nullptr},
      {3, "キャラクタパターン(&P)...", "", TMenuCommand::kPatterns, nullptr},
      {3, "パターンエディタ(&E)...", "", TMenuCommand::kPatternEditor, nullptr},
      {3, "マップエディタ(&M)...", "", TMenuCommand::kMapEditor, nullptr},
      {3, "効果音エディタ(&S)...", "", TMenuCommand::kSfxEditor, nullptr},
      {3, "音楽エディタ(&U)...", "", TMenuCommand::kMusicEditor, nullptr},
      {3, "音色エディタ(&T)...", "", TMenuCommand::kToneEditor, nullptr},
      {4, "ヘルプ(&H)", "F1", TMenuCommand::kHelp, nullptr},
      {4, "Ruvelホームページ(&T)", "", TMenuCommand::kHomePage, nullptr},
      {4, "&About..", "", TMenuCommand::kAbout, nullptr},
  };
  return table;
}

const std::vector<TObjectPopupEntry>& ObjectPopupEntries() {
  static const std::vector<TObjectPopupEntry> entries = {
      {"新規(&N)...", "Ctrl+N", TObjectCommand::kNew},
      {"切り取り(&X)", "", TObjectCommand::kNone},
      {"コピー(&C)", "Ctrl+D", TObjectCommand::kCopy},
      {"貼り付け(&P)", "", TObjectCommand::kNone},
      {"名前の変更(&R)...", "", TObjectCommand::kNone},
      {"削除(&D)", "Delete", TObjectCommand::kDelete},
      {"元に戻す(&U)", "Ctrl+Z", TObjectCommand::kUndo},
      {"やり直し(&Y)", "Ctrl+Y", TObjectCommand::kRedo},
  };
  return entries;
}

std::string MenuLabel(const char* caption) {
  std::string out;
  for (const char* p = caption; *p; ++p) {
    if (*p == '&' && p[1] && p[1] != '&') continue;
    out += *p;
  }
  return out;
}

TMainMenu::TMainMenu(TScreen* screen, bool devOption) : screen_(screen), devOption_(devOption) {}

bool TMainMenu::DevMenusShown() const { return devOption_ || HostState().designMode; }

TMenuCommand TMainMenu::KeyCommand(int scancode, uint16_t mod) const {
  bool ctrl = (mod & KMOD_CTRL) != 0;
  bool alt = (mod & KMOD_ALT) != 0;
  if (alt) return TMenuCommand::kNone;
  if (scancode == SDL_SCANCODE_F1 && !ctrl) return TMenuCommand::kHelp;
  if (scancode == SDL_SCANCODE_F10 && ctrl) return TMenuCommand::kDebugger;
  if (scancode == SDL_SCANCODE_O && ctrl) return TMenuCommand::kOpen;
  return TMenuCommand::kNone;
}

int TMainMenu::MnemonicMenu(int scancode) const {
  const auto& titles = MainMenuTitles();
  for (size_t i = 0; i < titles.size(); ++i) {
    if (titles[i].development && !DevMenusShown()) continue;
    if (scancode == SDL_SCANCODE_A + (titles[i].mnemonic - 'A')) return static_cast<int>(i);
  }
  return -1;
}

bool TMainMenu::Checked(TMenuCommand c) const {
  switch (c) {
    case TMenuCommand::kSound:
      return SoundManager().SoundSwitch();
    case TMenuCommand::kDrawA:
      return screen_ && screen_->drawMethod == TDrawMethod::A;
    case TMenuCommand::kDrawB:
      return screen_ && screen_->drawMethod == TDrawMethod::B;
    case TMenuCommand::kDrawC:
      return screen_ && screen_->drawMethod == TDrawMethod::C;
    case TMenuCommand::kStatusBar:
      return screen_ && screen_->StatusBarShown();
    case TMenuCommand::kScale1:
    case TMenuCommand::kScale2:
    case TMenuCommand::kScale3:
    case TMenuCommand::kScaleFit:
      return screen_ && screen_->ScaleChoice() == ScaleOfCommand(c);
    default:
      return false;
  }
}

bool TMainMenu::Enabled(TMenuCommand c) const {
  const THostState& host = HostState();
  switch (c) {
    case TMenuCommand::kAbout:
    case TMenuCommand::kDebugger:
    case TMenuCommand::kPatternEditor:
      return !host.starting;
    case TMenuCommand::kPause:
      return !host.starting && ProjectParam("disable_pause") != "1" && !host.designMode;
    case TMenuCommand::kHelp:
      return !HelpTarget().empty();
    case TMenuCommand::kPatterns:
      return host.designMode;
    default:
      return true;
  }
}

void TMainMenu::SetStatusBar(bool shown) {
  if (screen_) screen_->SetStatusBarShown(shown);
  Cookies().Set("statusBar", shown ? "1" : "0");
  SaveCookies();
}

void TMainMenu::ApplyStatusBarCookie() {
  // Hidden through the same toggle, which writes the cookie back.
  if (Cookies().Get("statusBar") == "0") SetStatusBar(false);
}

int TMainMenu::ScaleOfCommand(TMenuCommand c) {
  switch (c) {
    case TMenuCommand::kScale1:
      return 1;
    case TMenuCommand::kScale2:
      return 2;
    case TMenuCommand::kScale3:
      return 3;
    case TMenuCommand::kScaleFit:
      return kScaleFit;
    default:
      return -1;
  }
}

void TMainMenu::SetScale(int choice) {
  if (screen_) screen_->SetScaleChoice(choice);
  Cookies().Set("windowScale", ScaleChoiceText(choice));
  SaveCookies();
}

void TMainMenu::ApplyScaleCookie(int commandLineChoice) {
  int choice = commandLineChoice;
  if (choice < 0 && !ParseScaleChoice(Cookies().Get("windowScale"), choice)) return;
  if (screen_) screen_->SetScaleChoice(choice);
}

std::string TMainMenu::HelpTarget() {
  std::string help = ProjectParam("helpfile");
  if (help.empty()) return std::string();
  if (help.find("http://") != std::string::npos) return help;
  std::string file = PathResolve(help, ProgramDir());
  return PathExists(file) ? PathLocate(file) : std::string();
}

std::string TMainMenu::HomePage() {
  for (const char* candidate : {"/docs/devenv.md", "/../docs/devenv.md"}) {
    std::string file = ProgramDir() + candidate;
    if (PathExists(file)) return PathLocate(file);
  }
  return std::string();
}

void TMainMenu::Execute(TMenuCommand c) {
  THostState& host = HostState();
  auto open = [this](const std::string& target) {
    if (!target.empty() && hooks.openUrl) hooks.openUrl(target);
  };
  switch (c) {
    case TMenuCommand::kNone:
      return;
    case TMenuCommand::kOpen:
      if (hooks.openPage) hooks.openPage();
      return;
    case TMenuCommand::kExit:
      if (hooks.requestClose) hooks.requestClose();
      return;
    case TMenuCommand::kSound:
      // Switching off stops all sound.
      SoundManager().SetSoundSwitch(!SoundManager().SoundSwitch());
      return;
    case TMenuCommand::kDrawA:
    case TMenuCommand::kDrawB:
    case TMenuCommand::kDrawC:
      if (screen_) {
        screen_->drawMethod = c == TMenuCommand::kDrawA   ? TDrawMethod::A
                              : c == TMenuCommand::kDrawB ? TDrawMethod::B
                                                          : TDrawMethod::C;
      }
      return;
    case TMenuCommand::kStatusBar:
      SetStatusBar(!(screen_ && screen_->StatusBarShown()));
      return;
    case TMenuCommand::kScale1:
    case TMenuCommand::kScale2:
    case TMenuCommand::kScale3:
    case TMenuCommand::kScaleFit:
      SetScale(ScaleOfCommand(c));
      return;
    case TMenuCommand::kHelp:
      open(HelpTarget());
      return;
    case TMenuCommand::kHomePage:
      open(HomePage());
      return;
    case TMenuCommand::kAbout:
      if (!host.starting && hooks.showAbout) hooks.showAbout();
      return;
    case TMenuCommand::kPause:
      if (Enabled(c) && hooks.togglePause) hooks.togglePause();
      return;
    case TMenuCommand::kDebugger:
      if (!host.starting && hooks.showDebugger) hooks.showDebugger();
      return;
    case TMenuCommand::kPatterns:
      if (Enabled(c) && hooks.showPatterns) hooks.showPatterns();
      return;
    case TMenuCommand::kMapEditor:
      if (hooks.showMapEditor) hooks.showMapEditor();
      return;
    case TMenuCommand::kPatternEditor:
      if (Enabled(c) && hooks.showPatternEditor) hooks.showPatternEditor();
      return;
    case TMenuCommand::kSfxEditor:
      if (hooks.showSfxEditor) hooks.showSfxEditor();
      return;
    case TMenuCommand::kMusicEditor:
      if (hooks.showMusicEditor) hooks.showMusicEditor();
      return;
    case TMenuCommand::kToneEditor:
      if (hooks.showToneEditor) hooks.showToneEditor();
      return;
  }
}

}  // namespace ruvel
