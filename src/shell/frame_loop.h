// TFrameLoop: the idle-time routine that runs the game. For every 17 ms of
// elapsed time it runs one update step of the root process (at most 7 per
// call), draws once after the last step, keeps the frame history, pauses
// and resumes the script world through "$frameManager", and turns errors
// that reach it into "実行時エラー:" messages. Everything it needs from
// other modules comes through hooks, so tests drive it with a fake clock
// and fake runners. Owner of the process-wide instance: the shell (app.cpp)
// through SetFrameLoop.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace ruvel {

class TClock;
class TProcess;

struct TFrameLoopHooks {
  // Runs the root process for a budget (default: the interpreter's Run).
  std::function<void(TProcess* root, int32_t budget)> runRoot;
  // Whether the root's step reached its suspend() (or the root ended);
  // default: the process's own state after the interpreter's Run.
  std::function<bool(TProcess* root)> stepFinished;
  // The root process; default VM().rootProcess.
  std::function<TProcess*()> rootProcess;
  // The project manager holds a page switch / performs it.
  std::function<bool()> pageSwitchPending;
  std::function<void()> performPageSwitch;
  // The debugger has stopped execution.
  std::function<bool()> debuggerStopped;
  // Lets the sound engine refill its buffers.
  std::function<void()> refillSound;
  // Empties the sprite list; draws a frame (DrawAll).
  std::function<void()> clearSprites;
  std::function<void()> draw;
  std::function<bool()> drawingDisabled;
  std::function<void()> disableDrawing;
  // Sleeps (default: the thread sleeps; 0 yields).
  std::function<void(int ms)> sleep;
  // The debugger window's caption and its "Preempted" line.
  std::function<void(const std::string&)> setDebuggerCaption;
  std::function<void(const std::string&)> showPreempted;
  // The collector statistics line appended to the caption.
  std::function<std::string()> statsLine;
  // Puts a text (CP932) on the status bar.
  std::function<void(const std::string&)> tell;
  // Shows the loading window captioned with a class name (errors).
  std::function<void(const std::string& caption)> showLoadingWindow;
};

class TFrameLoop {
 public:
  static constexpr double kStepMs = 17.0;
  static constexpr int kMaxSteps = 7;
  static constexpr int32_t kBudget = 123456;
  // A step that ends a frame runs on in further budgets until it reaches its
  // suspend(), so that a frame is never shown with part of its sprites;
  // this many budgets at most (about 5 million instructions), so that an
  // endless loop still lets frames go on.
  static constexpr int kMaxDrawBudgets = 40;

  explicit TFrameLoop(TClock& clock);

  // One call of the idle handler. Returns true when the idle work is done
  // (nothing can run now), false when it wants to be called again at once.
  bool Main();
  // Pause and resume of the script world ("doPause" / "doPauseEnd").
  void Pause();
  void Resume();

  TFrameLoopHooks hooks;
  TClock& clock;

  bool autoExec = false;  // automatic execution (the debugger's check box)
  double timeBase = 0.0;
  bool inFrame = false;
  bool errorSeen = false;
  bool pausedByLoop = false;
  std::string history = "0000000000";
  int historyPos = 1;  // 1..10
  long drawCount = 0;
  int lastSteps = 0;  // update steps run by the last call
  bool slowStepTold = false;  // the long drawing step was named once

 private:
  void RunFrame(double now);
  // Runs one update step of the root for its budget; a step that ends a
  // frame runs on until it is complete (kMaxDrawBudgets).
  void RunStep(TProcess* root, bool drawing);
  void HandleError(const std::string& message, bool drawingFault);
  void Finish();
};

TFrameLoop* FrameLoop();
TFrameLoop* SetFrameLoop(TFrameLoop* loop);

}  // namespace ruvel
