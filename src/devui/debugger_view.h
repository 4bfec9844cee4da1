// The debugger window: a second SDL window with its own ImGui context that
// shows TDebugger (debugger_model.h) and turns its buttons into the
// model's commands. Commands run after the frame is drawn, because a step
// enters the pause, which draws this window again from inside.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include <SDL.h>

namespace ruvel {

class TDebugger;
class TImGuiLayer;

class TDebuggerView {
 public:
  static constexpr int kWidth = 689;
  static constexpr int kHeight = 576;

  explicit TDebuggerView(TDebugger& model);
  ~TDebuggerView();
  TDebuggerView(const TDebuggerView&) = delete;
  TDebuggerView& operator=(const TDebuggerView&) = delete;

  // Opens (or raises) the window; false when no window can be made.
  bool Show();
  void Hide();
  bool Shown() const { return window_ != nullptr && shown_; }
  uint32_t WindowId() const;
  // Takes an event of this window; false for other windows' events.
  bool HandleEvent(const SDL_Event& e);
  // Draws the window when it is shown, then runs the command chosen in it.
  // Without present the picture stays in the renderer unpresented and no
  // command runs (for reading the pixels back).
  void Draw(bool present = true);
  // The caption last set on the window (UTF-8).
  const std::string& ShownCaption() const { return shownCaption_; }

  enum class TCommand { kNone, kStep, kRun, kRunTo, kStop, kGc, kShowCode, kSnippets, kMoveClasses, kResume, kObjects, kProfileStop,
                        kProfileStart, kProfileCsv, kRunToLine };
  // Where a command's button was last drawn, in window coordinates (for
  // tests that click it through SDL events); false before it was drawn.
  bool ButtonCenter(TCommand c, int& x, int& y) const;

 private:
  void DrawContents();
  void DrawSpecified();
  void DrawProfile();
  void RunCommand(TCommand c);

  TDebugger& model_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  std::unique_ptr<TImGuiLayer> layer_;
  bool shown_ = false;
  bool activated_ = false;
  TCommand pending_ = TCommand::kNone;
  std::string shownCaption_;
  char eBreak_[32] = {};
  char eClass_[256] = {};
  char eFunc_[128] = {};
  char eLine_[16] = {};
  int selectedLine_ = -1;
  long seenStops_ = 0;
  long seenPauses_ = 0;
  bool sourcePage_ = false;  // the source-level panes are shown
  std::map<TCommand, SDL_Rect> buttonRects_;
};

}  // namespace ruvel
