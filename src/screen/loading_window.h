// The loading window: a borderless, stay-on-top white window with the label
// "Now Loading....." and a progress bar along its bottom edge, centred over
// the main window. Once 2000 ms have passed since it was shown and the
// shell has started, it switches automatic execution on and hides itself.
// In headless mode no window is opened (execution starts as soon as the
// start-up path has finished) but the timing logic is the same.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct SDL_Window;
struct SDL_Renderer;

namespace ruvel {

class TTextRenderer;
class TWindow;

class TLoadingWindow {
 public:
  static constexpr int kImageWidth = 320;
  static constexpr int kImageHeight = 120;
  static constexpr double kWaitMs = 2000.0;

  // main: the window to centre over; none or headless: no window of its own.
  TLoadingWindow(TWindow* main, bool headless);
  ~TLoadingWindow();
  TLoadingWindow(const TLoadingWindow&) = delete;
  TLoadingWindow& operator=(const TLoadingWindow&) = delete;

  // Shows the window and notes the time; caption (CP932) names the class
  // where execution stopped after a run-time error.
  void Show(double nowMs, const std::string& caption = "");
  void Hide();
  bool Visible() const { return visible_; }
  // The timer: advances the bar; after the wait, once started, switches
  // automatic execution on and hides the window.
  void Tick(double nowMs);
  // Width of the progress bar after elapsed milliseconds.
  static int ProgressWidth(double elapsedMs);
  // The SDL window id (0 when none is open), so the shell can route events.
  uint32_t WindowId() const;
  // The user closed it.
  void OnClose();

  std::function<void()> switchAutoExecOn;
  const std::string& Caption() const { return caption_; }

 private:
  void Render(int progress);

  TWindow* main_;
  bool headless_;
  bool visible_ = false;
  double shownAt_ = 0.0;
  std::string caption_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::unique_ptr<TTextRenderer> text_;
};

}  // namespace ruvel
