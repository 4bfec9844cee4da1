// TScreen: the main screen. It owns the back buffer, the sprite list and the
// text renderer of the window's renderer; presents frames (DrawAll); keeps
// the client size, the status bar and full-screen offsets; turns window
// events (resize, move, mouse) into script globals and statements; draws
// the busy indicator; and offers the keep-alive routine. The window itself
// (platform/window.h) is owned by the shell.
//
// The client size is the picture's own size, the one scripts see. The
// window shows it enlarged by a whole number (screen/view_layout.h): the
// scale a person chose, or whatever fits after they resized the window.
// The status bar stays one pixel per pixel along the window's bottom.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rect.h"
#include "screen/design_editor.h"
#include "screen/sprite_list.h"
#include "screen/view_layout.h"
#include "vm/vm_state.h"

struct SDL_Renderer;

namespace ruvel {

class TSurface;
class TTextRenderer;
class TWindow;

enum class TDrawMethod { A, B, C };

class TScreen {
 public:
  static constexpr int kStatusBarHeight = 19;
  static constexpr int kStatusPanelWidth = 50;
  static constexpr int kStatusPanels = 3;
  static constexpr int kMargin = 50;  // back buffer beyond the client area

  // The screen of a window; the window is not owned. The client size starts
  // as the window's size (560 x 400 in full-screen mode).
  explicit TScreen(TWindow& window);
  ~TScreen();
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;

  TWindow& Window() const { return window_; }
  SDL_Renderer* Renderer() const;
  TSpriteList& Sprites() { return sprites_; }
  // Design-mode selection, dragging and the unsaved-moves flag.
  TDesignEditor& Design() { return design_; }
  TTextRenderer& Text() { return *text_; }
  TSurface& BackBuffer() { return *back_; }
  // The back buffer as a target for sprites (its target is not bound).
  TDrawTarget Target();

  int ClientWidth() const { return clientW_; }
  int ClientHeight() const { return clientH_; }
  int DrawingHeight() const { return clientH_ - (statusBar_ ? kStatusBarHeight : 0); }
  // Sets the client width and the drawing height (the client height follows
  // with the status bar), sizes the window for them at the scale shown,
  // then runs the resize handler.
  void SetClientSize(int width, int drawingHeight);
  bool StatusBarShown() const { return statusBar_; }
  // Shows or hides the status bar keeping the drawing height.
  void SetStatusBarShown(bool shown);
  bool Fullscreen() const;
  int OffsetX() const { return offsetX_; }
  int OffsetY() const { return offsetY_; }

  // The scale chosen (1 .. kMaxScale, or kScaleFit). Choosing sizes the
  // window for it: that many times the picture, or for kScaleFit the
  // largest whole number that fits the desktop. Without a visible window
  // (headless, full screen) only the choice is kept, so headless runs
  // always draw one pixel per pixel.
  int ScaleChoice() const { return scaleChoice_; }
  void SetScaleChoice(int choice);
  // Where the picture sits in the window now (window coordinates below the
  // menu bar); full screen keeps its own offsets and is not described here.
  TViewLayout Layout() const;

  // Presents one frame: background, sprites in depth order, one present.
  void DrawAll();
  // Puts the back buffer on the window (no redraw of the sprites).
  void Present();
  // Puts the picture on the window's target without presenting it.
  void Compose();
  // A paint of the window: clears drawing disabled and redraws, except for
  // a started window whose "$_seamLessLoad" is true.
  void Paint();
  // Writes the last presented picture as PNG: the client area at its own
  // size, whatever the window's scale (the whole screen in full-screen
  // mode).
  bool Screenshot(const std::string& path, std::string& error);
  // The drawing area of the last frame (status bar left out) as 0x00RRGGBB
  // pixels, read from the back buffer; false when it cannot be read.
  bool ReadDrawingArea(std::vector<uint32_t>& rgb, int& w, int& h);
  // A short text shown right of the status bar's panels (UTF-8 or CP932
  // as the text renderer takes it); empty clears it.
  void SetStatusText(const std::string& cp932) { statusText_ = cp932; }

  void BusyDraw(bool start);
  void BusyEnd();
  // The routine that long operations and run-time errors call: feeds the
  // sound engine, pumps window messages while starting, draws the busy
  // indicator when it is on, advances the loading window, and shows the
  // text in a message box when show is set.
  void KeepAlive(const std::string& text, const TTraceList* trace, bool show);
  // Restart of the display before the script world starts.
  void RestartDisplay();

  // Window events; positions are window coordinates. A press outside the
  // picture (the status bar, the bands around a scaled picture) is not
  // the game's.
  void OnResize(bool fromSystem);
  void OnMove(int x, int y);
  void MouseDown(int wx, int wy, bool left, bool right);
  void MouseMove(int wx, int wy, bool left, bool right);
  void MouseUp(int wx, int wy, bool leftReleased, bool rightReleased);
  // The same with picture positions (replayed and recorded input).
  void PictureMouseDown(int x, int y, bool left, bool right);
  void PictureMouseMove(int x, int y, bool left, bool right);
  void PictureMouseUp(int x, int y, bool leftReleased, bool rightReleased);
  // Window coordinates to picture coordinates (the full-screen offset, or
  // the scaled picture's place); false when the position lies outside the
  // picture.
  bool WindowToPicture(int& x, int& y) const;
  // Picture coordinates to the window position of that pixel.
  void PictureToWindow(int& x, int& y) const;
  // Owners of the sprites at picture position (x, y), in list order.
  std::vector<Instance*> HitTest(int x, int y);

  // The "Window" natives.
  void SetSizeFromScript(int width, int height, bool resizable);
  void SetPosFromScript(int x, int y);

  TDrawMethod drawMethod = TDrawMethod::A;
  bool resizable = true;
  bool drawingDisabled = false;
  bool loadingClosed = false;  // the user closed the loading window

  // Hooks filled by the shell and later modules.
  std::function<void()> runFrameLoop;  // one frame-loop call
  std::function<void()> designStep;    // the debugger's single step
  std::function<void(int screenX, int screenY)> popupMenu;  // design-mode object menu
  std::function<void()> refillSound;
  std::function<void()> loadingTick;
  std::function<void()> pumpMessages;
  std::function<void()> dropProject;  // restart of the display
  // Drawn over the composed picture just before each present (the menu
  // bar and the windows drawn inside the main window).
  std::function<void()> overlay;

  // Mouse state, visible for tests.
  bool leftHeld = false;
  bool rightHeld = false;
  int lastMouseX = 0;
  int lastMouseY = 0;
  double lastMoveTime = -1e9;
  int pressX = 0;
  int pressY = 0;
  bool rightPressPending = false;
  int busyCounter = 0;
  bool busyOn = false;
  long presentCount = 0;

 private:
  void GrowBackBuffer();
  void UpdateOffsets();
  void DrawStatusBar(int width, int bottom);
  // The picture, status bar and busy indicator on a ww × wh target.
  void ComposeWindowed(int ww, int wh);
  // Sizes the window for the client size at the scale shown.
  void SizeWindow();
  std::string statusText_;
  void SnapTo(int width, int drawingHeight);
  void EvaluateMouseDown(int x, int y, const std::vector<Instance*>& owners);

  TWindow& window_;
  std::unique_ptr<TSurface> back_;
  std::unique_ptr<TTextRenderer> text_;
  TSpriteList sprites_;
  TDesignEditor design_;
  int clientW_ = 560;
  int clientH_ = 400;
  bool statusBar_ = true;
  int offsetX_ = 0;
  int offsetY_ = 0;
  int pictureW_ = 0;
  int pictureH_ = 0;
  int borderCounter_ = 0;
  bool resizing_ = false;
  int scaleChoice_ = 1;
  int shownScale_ = 1;      // the whole scale the window is sized for
  int requestedW_ = -1;     // the window size last asked for
  int requestedH_ = -1;
  bool restartedOnce_ = false;
  int savedW_ = 0;
  int savedH_ = 0;
  int snapW_ = -1;
  int snapH_ = -1;
  int snapRepeats_ = 0;
  int windowX_ = 0;
  int windowY_ = 0;
};

// The main screen while one exists (set by the shell, not owned).
TScreen* MainScreen();
TScreen* SetMainScreen(TScreen* screen);

}  // namespace ruvel
