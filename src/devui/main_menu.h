// The main window's menu: one table of every menu entry with its caption,
// key and command (MainMenuTable), and TMainMenu, the commands behind them
// without any drawing (main_menu_view draws the bar). The development
// menus ("実行(&R)", "ウィンドウ(&W)") are shown with --dev or in design
// mode; their keys work in every mode.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ruvel {

class TScreen;

enum class TMenuCommand {
  kNone,
  kOpen,
  kExit,
  kSound,
  kDrawA,
  kDrawB,
  kDrawC,
  kStatusBar,
  kScale1,
  kScale2,
  kScale3,
  kScaleFit,
  kHelp,
  kHomePage,
  kAbout,
  kPause,
  kDebugger,
  kPatterns,
  kMapEditor,
  kPatternEditor,
  kSfxEditor,
  kMusicEditor,
  kToneEditor,
};

struct TMenuEntry {
  int menu;             // index into MainMenuTitles()
  const char* caption;  // UTF-8, "&" before the mnemonic
  const char* key;      // accelerator text shown beside it, "" for none
  TMenuCommand command;
  const char* submenu;  // entries with the same submenu caption are grouped
};

struct TMenuTitle {
  const char* caption;  // UTF-8 with "&"
  char mnemonic;        // Alt + this letter opens it
  bool development;     // hidden unless --dev or design mode
};

const std::vector<TMenuTitle>& MainMenuTitles();
const std::vector<TMenuEntry>& MainMenuTable();
// The design-mode object popup menu's entries, in order, with the edit
// each makes. 新規 opens a list of the page's classes; 切り取り, 貼り付け
// and 名前の変更 have no edit here and are shown disabled.
enum class TObjectCommand { kNone, kNew, kCopy, kDelete, kUndo, kRedo };
struct TObjectPopupEntry {
  const char* caption;  // UTF-8, "&" before the mnemonic
  const char* key;      // the design-mode key that does the same, "" for none
  TObjectCommand command;
};
const std::vector<TObjectPopupEntry>& ObjectPopupEntries();
// "ファイル(&F)" → "ファイル(F)": how a caption is shown.
std::string MenuLabel(const char* caption);

struct TMainMenuHooks {
  std::function<void()> requestClose;
  std::function<void()> showDebugger;
  std::function<void()> showAbout;
  std::function<void()> showPatterns;  // the pattern registration window
  std::function<void()> showMapEditor;
  std::function<void()> showPatternEditor;
  std::function<void()> showSfxEditor;    // 効果音エディタ
  std::function<void()> showMusicEditor;  // 音楽エディタ
  std::function<void()> showToneEditor;   // 音色エディタ
  std::function<void()> openPage;  // the open command's file dialog
  std::function<void()> togglePause;  // automatic execution on / off
  std::function<bool(const std::string& cp932)> openUrl;
};

class TMainMenu {
 public:
  // screen: the main screen the view commands act on (none in tests of
  // the pure commands); devOption: --dev was given.
  TMainMenu(TScreen* screen, bool devOption);

  void Execute(TMenuCommand c);
  // The command of an accelerator key (SDL scancode and modifiers), or
  // kNone. F3 stays with the shell, which already handles it.
  TMenuCommand KeyCommand(int scancode, uint16_t mod) const;
  // The menu Alt + key opens, or -1.
  int MnemonicMenu(int scancode) const;
  bool Checked(TMenuCommand c) const;
  bool Enabled(TMenuCommand c) const;
  bool DevMenusShown() const;

  // The status bar from the cookie "statusBar" at start-up.
  void ApplyStatusBarCookie();
  // Shows or hides the status bar (keeping the drawing height) and stores
  // the cookie "statusBar" as "1" or "0".
  void SetStatusBar(bool shown);
  // The window's scale from the cookie "windowScale" at start-up, or the
  // command line's choice (0 or more) for this run, which is not stored.
  void ApplyScaleCookie(int commandLineChoice);
  // Chooses the window's scale and stores the cookie "windowScale" as
  // "1", "2", "3" or "fit".
  void SetScale(int choice);
  // The scale an entry stands for, or -1 for other entries.
  static int ScaleOfCommand(TMenuCommand c);
  // The help file (project parameter "helpfile"): a file that exists, or a
  // name containing "http://"; empty when there is none to open.
  static std::string HelpTarget();
  // The home page: the documentation beside the program, when present.
  static std::string HomePage();

  TMainMenuHooks hooks;

 private:
  TScreen* screen_;
  bool devOption_;
};

}  // namespace ruvel
