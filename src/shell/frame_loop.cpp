#include "shell/frame_loop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "platform/surface.h"
#include "resources/resource.h"
#include "screen/host_state.h"
#include "screen/script_globals.h"
#include "vm/interpreter.h"
#include "vm/long_run.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {
// Owned by the shell; this is only the pointer to it.
TFrameLoop* g_loop = nullptr;

// The class a process was executing, from its position registers.
std::string ClassAtPosition(const TProcess* p) {
  if (!p || p->pos[0] == 0) return {};
  auto* cls = static_cast<TResource*>(VM().handles.Get(static_cast<uint32_t>(p->pos[0]), HandleKind::kClass));
  return cls ? FullName(cls) : std::string();
}
}  // namespace

TFrameLoop* FrameLoop() { return g_loop; }

TFrameLoop* SetFrameLoop(TFrameLoop* loop) {
  TFrameLoop* old = g_loop;
  g_loop = loop;
  return old;
}

TFrameLoop::TFrameLoop(TClock& c) : clock(c) { timeBase = clock.NowMs(); }

void TFrameLoop::Pause() {
  if (HostState().designMode || pausedByLoop) return;
  pausedByLoop = true;
  EvaluateStatements("if($frameManager) $frameManager.doPause();");
  if (hooks.draw && !(hooks.drawingDisabled && hooks.drawingDisabled())) hooks.draw();
}

void TFrameLoop::Resume() {
  if (HostState().designMode || !pausedByLoop) return;
  pausedByLoop = false;
  EvaluateStatements("if($frameManager) $frameManager.doPauseEnd();");
  if (hooks.draw && !(hooks.drawingDisabled && hooks.drawingDisabled())) hooks.draw();
}

bool TFrameLoop::Main() {
  // Ctrl+C is answered here too when no script is running.
  LongRunWatch().Poll();
  clock.OnLoopCall();
  double now = clock.NowMs();
  lastSteps = 0;
  // A call that arrives while a frame runs (a dialog or a log call pumping
  // messages inside a native) does nothing: pausing or switching pages
  // under the running process would pull the world from under it.
  if (inFrame) return true;
  const THostState& host = HostState();
  TProcess* root = hooks.rootProcess ? hooks.rootProcess() : VM().rootProcess;
  bool stopped = hooks.debuggerStopped && hooks.debuggerStopped();
  bool pauseInactive = !host.appActive && ProjectParam("deactivation_pause") == "1";
  if (!autoExec || stopped || !root || pauseInactive) {
    timeBase = now;
    try {
      Pause();
    } catch (const EDrawError& e) {
      HandleError(J("実行時エラー:") + e.Message(), true);
    } catch (const ERuvel& e) {
      HandleError(J("実行時エラー:") + e.Message(), false);
    }
    Finish();
    return true;
  }
  inFrame = true;
  try {
    RunFrame(now);
  } catch (const EDrawError& e) {
    HandleError(J("実行時エラー:") + e.Message(), true);
  } catch (const ERuvel& e) {
    HandleError(J("実行時エラー:") + e.Message(), false);
  } catch (const std::exception& e) {
    HandleError(J("実行時エラー:") + e.what(), false);
  }
  inFrame = false;
  Finish();
  return false;
}

void TFrameLoop::RunFrame(double now) {
  THostState& host = HostState();
  Resume();
  VM().preempted = false;

  double elapsed = now - timeBase;
  int64_t steps = elapsed > 0 ? static_cast<int64_t>(elapsed / kStepMs) : 0;
  history[historyPos - 1] = static_cast<char>('0' + std::min<int64_t>(steps, 'z' - '0'));
  historyPos = historyPos % 10 + 1;
  timeBase += double(steps) * kStepMs;

  TProcess* root = hooks.rootProcess ? hooks.rootProcess() : VM().rootProcess;
  host.drawingFrame = false;
  for (int n = static_cast<int>(std::min<int64_t>(steps, kMaxSteps)); n >= 1; --n) {
    host.drawingFrame = n == 1;
    if (n == 1) {
      SetGlobalInt("$_doDraw", 1);
      if (hooks.clearSprites) hooks.clearSprites();
    } else {
      SetGlobalInt("$_doDraw", 0);
    }
    RunStep(root, n == 1);
    ++lastSteps;
    if (hooks.pageSwitchPending && hooks.pageSwitchPending()) break;
  }

  if (!errorSeen && hooks.refillSound) hooks.refillSound();
  auto sleep = [this](int ms) {
    if (hooks.sleep) {
      hooks.sleep(ms);
    } else if (ms > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    } else {
      std::this_thread::yield();
    }
  };
  if (!host.appActive) sleep(100);
  sleep(0);

  if (host.drawingFrame && lastSteps > 0 && !(hooks.drawingDisabled && hooks.drawingDisabled())) {
    ++drawCount;
    if (hooks.draw) hooks.draw();
  }
  if (hooks.setDebuggerCaption) {
    hooks.setDebuggerCaption("0:" + history + (hooks.statsLine ? hooks.statsLine() : std::string()));
  }
}

void TFrameLoop::RunStep(TProcess* root, bool drawing) {
  auto runBudget = [this, root] {
    if (hooks.runRoot) {
      hooks.runRoot(root, kBudget);
    } else {
      Run(root, kBudget);
    }
  };
  const auto started = std::chrono::steady_clock::now();
  runBudget();
  if (!drawing || !root) return;
  // Cut off by the budget before its suspend(): the objects drawn so far
  // would be all the frame shows. The step goes on instead, and the game
  // slows down evenly rather than flickering.
  int budgets = 1;
  auto finished = [this, root] {
    if (hooks.stepFinished) return hooks.stepFinished(root);
    return root->yieldFlag || root->halted || !root->ip;
  };
  while (!finished() && budgets < kMaxDrawBudgets) {
    runBudget();
    ++budgets;
  }
  if (budgets == 1 || slowStepTold) return;
  slowStepTold = true;
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
  char text[200];
  std::snprintf(text, sizeof text, "1ステップの処理が命令数の上限を超えました (プロセス %zu 個、%.1f ms)。描画を終えてから表示するため、ゲームが遅くなります",
                LiveProcesses().size(), ms);
  std::fprintf(stderr, "ruvel: %s\n", text);
  if (hooks.tell) hooks.tell(Utf8ToCp932(text));
}

void TFrameLoop::HandleError(const std::string& message, bool drawingFault) {
  errorSeen = true;
  if (drawingFault) {
    if (hooks.disableDrawing) hooks.disableDrawing();
    LogLine(message);
  } else {
    ShowMessage(message);
  }
  TProcess* p = VM().current ? VM().current : VM().rootProcess;
  if (hooks.showLoadingWindow) hooks.showLoadingWindow(ClassAtPosition(p));
}

void TFrameLoop::Finish() {
  if (hooks.performPageSwitch) hooks.performPageSwitch();
  if (hooks.showPreempted) hooks.showPreempted(VM().preempted ? "Preempted" : "not Preempted");
}

}  // namespace ruvel
