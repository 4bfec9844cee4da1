// TDevWindows: the development environment's windows as the shell sees
// them. It installs the debugger (the interpreter's pause, the frame
// loop's caption and "Preempted" line, the open command's refusal), owns
// the debugger window and hands it its events, and keeps the windows
// painted, also while a pause holds execution. Headless there are no
// windows: a pause writes its refresh to stderr and execution goes on.
//
// The shell makes one and calls HandleEvent for every event and Draw once
// per loop round; nothing else of the shell knows these windows.
#pragma once
#include <functional>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>

namespace ruvel {

class TDebuggerView;
class TMapEditor;
class TMapEditorView;
class TFrameLoop;
class TMainMenu;
class TMainMenuView;
class TPatternEditorWindow;
class TMusicEditorWindow;
class TSfxEditorWindow;
class TScreen;
class TToneEditorWindow;

struct TDevShellHooks {
  // The shell's own handling of an event (main window, quit).
  std::function<void(const SDL_Event&)> dispatch;
  // False once the application is closing.
  std::function<bool()> running;
  // Ends the program at once (closed while paused).
  std::function<void()> endProgram;
  // Keeps sound going while paused.
  std::function<void()> service;
  // Shows the loading window captioned with a text (CP932).
  std::function<void(const std::string&)> setLoadingCaption;
  // Closes the main window as its close box does ("終了(&X)").
  std::function<void()> requestClose;
};

class TDevWindows {
 public:
  // The main screen and the frame loop the windows act on. Headless there
  // are no windows (the menu's commands and keys remain); devOption
  // (--dev) shows the development menus in every mode. The menu bar is
  // not shown in full-screen mode.
  TDevWindows(TScreen& screen, TFrameLoop& loop, bool headless, bool devOption);
  ~TDevWindows();
  TDevWindows(const TDevWindows&) = delete;
  TDevWindows& operator=(const TDevWindows&) = delete;

  // Takes an event meant for a development window or the menu; false for
  // others. A mouse event of the main window left to the game gets the
  // menu bar's rows taken off its y.
  bool HandleEvent(SDL_Event& e);
  // Paints the shown development windows and runs their commands.
  void Draw();
  // A front end that owns the breakpoints (the debug adapter, whose
  // client sends them) takes them over: the project's breakpoint file is
  // then neither read nor written in this run.
  void TakeOverBreakpoints() { breakpointsTakenOver_ = true; }
  // An exported game's window: no menu bar, no status bar, no debugger or
  // open command from their keys; only F1 (the game's help) is left.
  void HideDevelopmentMenus();
  // Loads the breakpoints kept in the Temp folder now in use, unless they
  // are loaded already or taken over (start-up calls it once the project
  // is known, and every round of drawing checks again).
  void LoadBreakpoints();
  // Shows the debugger window (Ctrl+F10); false headless.
  bool ShowDebugger();
  TDebuggerView* DebuggerView() const { return debugger_.get(); }
  TMainMenu& Menu() const { return *menu_; }
  TMainMenuView* MenuView() const { return menuView_.get(); }
  // The map editor window (ウィンドウ → マップエディタ); none until first shown.
  TMapEditorView* MapEditorView() const { return mapView_.get(); }
  // The file name (UTF-8) of the map editor's map when it has unsaved
  // changes; empty otherwise.
  std::string UnsavedMap() const;
  // Saves the map editor's map; false (and the editor says why) when the
  // save failed.
  bool SaveMap();
  // The file name (UTF-8) of the music editor's song when it has unsaved
  // changes; empty otherwise.
  std::string UnsavedMusic() const;
  // Saves the music editor's song; false (and a message says why) when
  // the save failed.
  bool SaveMusic();
  // The pattern editor's window (made when first opened; none headless).
  TPatternEditorWindow* SheetEditor() const { return sheetEditor_.get(); }
  // The effect maker's window (ウィンドウ → 効果音エディタ); none until first shown.
  TSfxEditorWindow* SfxEditor() const { return sfxEditor_.get(); }
  // The effect maker's file name (UTF-8) when it has unsaved changes; empty
  // otherwise. SaveSfx saves them; false (and the editor says why) when the
  // save failed.
  std::string UnsavedSfx() const;
  bool SaveSfx();
  // Opens a sheet in the pattern editor; false headless or when refused.
  bool EditSheet(const std::string& path);
  // Opens the project's tones.wdt (made from the program's on the first
  // save) in the tone editor; false headless or when refused.
  bool EditTones();
  // The tone editor's file name (UTF-8) when it has unsaved changes; empty
  // otherwise. SaveTones saves them; false (and the editor says why) when
  // the save failed.
  std::string UnsavedTones() const;
  bool SaveTones();

  // One round of window messages and painting while the debugger engine
  // holds a process (its waitWhileStopped); false when the program closes.
  bool PumpWhileStopped() { return PumpWhilePaused(true); }

  TDevShellHooks shell;

 private:
  // One round of messages while paused (waiting a little when alwaysWait
  // or the step budget is spent); false when the application closes.
  bool PumpWhilePaused(bool alwaysWait = false);

  TScreen& screen_;
  TFrameLoop& loop_;
  bool headless_;
  bool gameOnly_ = false;
  std::unique_ptr<TDebuggerView> debugger_;
  std::unique_ptr<TMainMenu> menu_;
  std::unique_ptr<TMainMenuView> menuView_;
  std::unique_ptr<TMapEditor> mapModel_;
  std::unique_ptr<TMapEditorView> mapView_;
  std::vector<std::string> savedMaps_;  // saved by the map editor, not yet reloaded
  std::unique_ptr<TPatternEditorWindow> sheetEditor_;
  // The tone editor's window, made when first shown (none headless).
  std::unique_ptr<TToneEditorWindow> toneEditor_;
  std::unique_ptr<TMusicEditorWindow> musicEditor_;
  std::unique_ptr<TSfxEditorWindow> sfxEditor_;  // ウィンドウ → 効果音エディタ; none until first shown
  long lastPresent_ = -1;
  std::string breakpointsTemp_;  // the Temp folder whose breakpoints are loaded
  bool breakpointsTakenOver_ = false;
  uint64_t lastPresentTicks_ = 0;
};

// The development windows while the shell has them (not owned).
TDevWindows* DevWindows();
// Where the open dialog starts: the project's folder, else the page's,
// else the program's "Usr".
std::string OpenDialogStart();

}  // namespace ruvel
