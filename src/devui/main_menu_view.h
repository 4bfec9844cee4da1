// The menu bar of the main window and the about box, drawn with their own
// ImGui context over the main window's picture. The window grows by the
// bar's rows (TWindow::SetTopInset), so the picture keeps its size and its
// coordinates. Mouse events over the bar or an open menu are taken here;
// the rest reach the game with the bar's rows taken off.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <SDL.h>

#include "devui/about_box.h"
#include "devui/file_browser.h"
#include "devui/main_menu.h"
#include "devui/pattern_window.h"

namespace ruvel {

class TImGuiLayer;
class TScreen;

class TMainMenuView {
 public:
  static constexpr int kBarHeight = 20;

  TMainMenuView(TMainMenu& menu, TScreen& screen);
  ~TMainMenuView();
  TMainMenuView(const TMainMenuView&) = delete;
  TMainMenuView& operator=(const TMainMenuView&) = delete;

  // Takes an event of the main window: true when the menu used it. A
  // mouse event left to the game gets the bar's rows taken off its y.
  bool HandleEvent(SDL_Event& e);
  // Draws the bar (and the about box) over the composed picture; called
  // by the screen just before it presents.
  void DrawOverlay();
  // The command chosen in the last frame, cleared (run it outside the
  // drawing).
  TMenuCommand TakeCommand();
  void ShowAbout();
  void HideAbout() { aboutShown_ = false; }
  // The open command's dialog "ファイルを開く", starting in dir.
  void ShowOpenDialog(const std::string& dir);
  TFileBrowser& OpenDialog() { return openBrowser_; }
  // The file chosen in the open dialog, cleared; "" when none.
  std::string TakeChosenFile();
  TPatternWindow& Patterns() { return patterns_; }
  // The pattern window asked to add its sheet (cleared).
  bool TakeAddPattern();
  // The file dialog that picks a sheet for the pattern editor.
  void ShowSheetDialog(const std::string& dir);
  // The sheet to open in the pattern editor (picked in that dialog or
  // double-clicked in the pattern window), cleared; "" when none.
  std::string TakeSheetToEdit();
  bool AboutShown() const { return aboutShown_; }
  // Where a menu's title was last drawn (window coordinates, menu rows
  // included); false before it was drawn.
  bool TitleCenter(int menu, int& x, int& y) const;
  // A menu drop-down is open now.
  bool MenuOpen() const { return menuOpen_; }
  // Opens the design-mode object popup menu at a window position (menu
  // rows included) with the next frame.
  void OpenObjectPopup(int x, int y);
  bool ObjectPopupOpen() const { return objectPopupOpen_; }
  // The popup entry chosen in the last frame, cleared (run it outside the
  // drawing); cls: the class chosen under 新規.
  TObjectCommand TakeObjectCommand(std::string& cls);

 private:
  void DrawItems(int menu);
  void DrawObjectPopup();
  void DrawAbout();

  TMainMenu& menu_;
  TScreen& screen_;
  std::unique_ptr<TImGuiLayer> layer_;
  TMenuCommand pending_ = TMenuCommand::kNone;
  int requestedMenu_ = -1;  // opened by Alt + its letter
  int keyMenu_ = -1;
  std::vector<SDL_Rect> titleRects_;
  bool wantsMouse_ = false;
  bool menuOpen_ = false;
  bool objectPopupRequested_ = false;
  bool objectPopupOpen_ = false;
  int popupX_ = 0;
  int popupY_ = 0;
  TObjectCommand objectCommand_ = TObjectCommand::kNone;
  std::string objectClass_;
  bool aboutShown_ = false;
  TAboutBox about_;
  TFileBrowser openBrowser_;
  TPatternWindow patterns_;
  TFileBrowser patternBrowser_;
  bool addPattern_ = false;
  TFileBrowser sheetBrowser_;
  std::string sheetToEdit_;
  std::string chosenFile_;
  SDL_Texture* banner_ = nullptr;
  int bannerW_ = 0;
  int bannerH_ = 0;
};

}  // namespace ruvel
