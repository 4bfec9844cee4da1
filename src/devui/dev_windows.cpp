#include "devui/dev_windows.h"

#include <cstdio>

#include "devui/debugger_model.h"
#include "devui/debugger_view.h"
#include "pages/page.h"
#include "platform/cp932.h"
#include "screen/host_state.h"
#include "shell/frame_loop.h"
#include "vm/gc.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {
TDevWindows* g_dev = nullptr;
constexpr int kPausedWaitMs = 20;
}  // namespace

TDevWindows* DevWindows() { return g_dev; }

TDevWindows::TDevWindows(TWindow* main, TFrameLoop& loop, bool headless)
    : main_(main), loop_(loop), headless_(headless) {
  g_dev = this;
  TDebugger& d = Debugger();
  d.headless = headless;
  d.hooks.writeLine = [](const std::string& line) { std::fprintf(stderr, "%s\n", ToUtf8(line).c_str()); };
  d.hooks.autoExec = [this] { return loop_.autoExec; };
  d.hooks.setAutoExec = [this](bool on) { loop_.autoExec = on; };
  // The frame loop is always the idle work here; the button only makes
  // sure it runs again.
  d.hooks.reinstallIdle = [this] { loop_.inFrame = false; };
  d.hooks.setLoadingCaption = [this](const std::string& caption) {
    if (shell.setLoadingCaption) shell.setLoadingCaption(caption);
  };
  if (!headless) {
    debugger_ = std::make_unique<TDebuggerView>(d);
    d.hooks.show = [this] { ShowDebugger(); };
    d.hooks.waitForInput = [this] { return PumpWhilePaused(); };
    d.hooks.endProgram = [this] {
      if (shell.endProgram) shell.endProgram();
    };
    Collector().showDebugger = [this] { ShowDebugger(); };
  }
  VM().debuggerPause = [] { Debugger().Pause(); };
  loop_.hooks.debuggerStopped = [] { return Debugger().paused; };
  loop_.hooks.setDebuggerCaption = [](const std::string& caption) {
    if (!Debugger().paused) Debugger().caption = caption;
  };
  loop_.hooks.showPreempted = [](const std::string& text) { Debugger().preempted = text; };
  loop_.hooks.statsLine = [] { return StatisticsText(); };
  PageHooks().debuggerHolding = [] { return Debugger().HoldsExecution(); };
}

TDevWindows::~TDevWindows() {
  VM().debuggerPause = nullptr;
  Collector().showDebugger = nullptr;
  PageHooks().debuggerHolding = nullptr;
  loop_.hooks.debuggerStopped = nullptr;
  loop_.hooks.setDebuggerCaption = nullptr;
  loop_.hooks.showPreempted = nullptr;
  loop_.hooks.statsLine = nullptr;
  debugger_.reset();
  Debugger().Reset();
  if (g_dev == this) g_dev = nullptr;
}

bool TDevWindows::ShowDebugger() { return debugger_ && debugger_->Show(); }

bool TDevWindows::HandleEvent(const SDL_Event& e) {
  if (debugger_ && debugger_->HandleEvent(e)) return true;
  // Ctrl+F10: the debugger window ("ウィンドウ(&W)" → "デバッグ(&D)"), not
  // while starting.
  if (e.type == SDL_KEYDOWN && !e.key.repeat && e.key.keysym.scancode == SDL_SCANCODE_F10 &&
      (e.key.keysym.mod & KMOD_CTRL) && !HostState().starting) {
    ShowDebugger();
    return true;
  }
  return false;
}

void TDevWindows::Draw() {
  if (debugger_) debugger_->Draw();
}

bool TDevWindows::PumpWhilePaused() {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (HandleEvent(e)) continue;
    // The main window keeps painting and can be closed; its mouse and
    // keys would run script code under the paused process and wait.
    if ((e.type == SDL_QUIT || e.type == SDL_WINDOWEVENT) && shell.dispatch) shell.dispatch(e);
    if (shell.running && !shell.running()) return false;
  }
  if (shell.running && !shell.running()) return false;
  if (shell.service) shell.service();
  Draw();
  if (Debugger().pausedWatcher) Debugger().pausedWatcher();
  if (VM().stepBudget <= 0) SDL_WaitEventTimeout(nullptr, kPausedWaitMs);
  return !shell.running || shell.running();
}

}  // namespace ruvel
