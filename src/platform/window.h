// The program's one SDL window with its renderer. The window knows nothing
// of scripts: the main screen (screen/main_screen.h) sizes it, draws into
// its renderer and turns its events into script state.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

struct SDL_Window;
struct SDL_Renderer;

namespace ruvel {

struct TWindowOptions {
  int clientWidth = 560;
  int clientHeight = 400;
  bool fullscreen = false;  // desktop full screen
  bool headless = false;    // offscreen window, software renderer
  std::string title = "Ruvel System";  // CP932
};

class TWindow {
 public:
  // Opens the window (VideoInit must have succeeded). Returns none with a
  // one-line reason in error (UTF-8).
  static std::unique_ptr<TWindow> Create(const TWindowOptions& options, std::string& error);
  ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  SDL_Window* Sdl() const { return window_; }
  SDL_Renderer* Renderer() const { return renderer_; }
  uint32_t Id() const { return id_; }
  bool Headless() const { return headless_; }
  bool Fullscreen() const { return fullscreen_; }

  // The size of the window's drawable area as it is now (below the top
  // inset).
  void Size(int& w, int& h) const;
  void SetSize(int w, int h);
  // Rows at the top of the window kept for a menu bar: the window grows by
  // them, and drawing to the window and pointer positions given to it
  // start below them, so the picture keeps its size and coordinates.
  void SetTopInset(int rows);
  int TopInset() const { return inset_; }
  // Draws to the whole window, menu rows included, until the next Size().
  void UseWholeWindow();
  // The desktop's size (the window's size in full-screen mode).
  void ScreenSize(int& w, int& h) const;
  void Position(int& x, int& y) const;
  void SetPosition(int x, int y);
  void SetTitle(const std::string& cp932);
  void ShowCursor(bool visible);
  // Moves the pointer to (x, y) of the window's drawable area.
  void WarpPointer(int x, int y);
  // The pointer's position on the desktop.
  void GlobalPointer(int& x, int& y) const;

 private:
  TWindow() = default;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  uint32_t id_ = 0;
  bool headless_ = false;
  bool fullscreen_ = false;
  int inset_ = 0;
};

}  // namespace ruvel
