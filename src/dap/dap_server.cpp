#include "dap/dap_server.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "dap/dap_channel.h"
#include "dap/dap_session.h"
#include "debugger/debug_engine.h"
#include "natives/natives_core.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "shell/app.h"
#include "shell/dev_windows.h"
#include "shell/startup_path.h"
#include "vm/long_run.h"

namespace ruvel {

namespace {

// The game's messages and errors go to the client (and stay on stderr).
class TDapSink : public MessageSink {
 public:
  TDapSink(TDapSession& session, bool log) : session_(session), log_(log) {}
  void ShowMessage(const std::string& text) override {
    std::string u = ToUtf8(text);
    std::fprintf(stderr, "%s\n", u.c_str());
    session_.SendOutput("stderr", u);
  }
  void Log(const std::string& text) override {
    if (log_) session_.SendOutput("console", ToUtf8(text));
  }

 private:
  TDapSession& session_;
  bool log_;
};

struct TStopReasonName {
  TStopReason reason;
  const char* name;
};
constexpr TStopReasonName kStopReasons[] = {
    {TStopReason::kBreakpoint, "breakpoint"}, {TStopReason::kStep, "step"},   {TStopReason::kPause, "pause"},
    {TStopReason::kException, "exception"},   {TStopReason::kEntry, "entry"},
};

const char* StopReasonName(TStopReason reason) {
  for (const TStopReasonName& r : kStopReasons) {
    if (r.reason == reason) return r.name;
  }
  return "pause";
}

void ForgetStop(TDapSession& session) {
  session.frameIds.clear();
  session.variableRefs.clear();
}

// Connects the engine to the session: stops and runs become events, and
// while a process is stopped the session's requests are served. What the
// shell had wired (the debugger window's wait, which keeps the windows
// painting, and its panes) goes on working beside it.
void WireEngine(TDapSession& session) {
  TDebugEngineHooks& hooks = DebugEngine().hooks;
  TDebugEngineHooks shell = hooks;
  hooks.waitWhileStopped = [&session, wait = shell.waitWhileStopped] {
    session.ServePending(wait ? 0 : 10);
    // Waiting for the person at the editor is no script running long.
    LongRunWatch().Rest();
    if (session.endRequested) return false;
    return wait ? wait() : true;
  };
  hooks.stopped = [&session, told = shell.stopped](const TStopInfo& stop) {
    ForgetStop(session);
    TStopReason reason = stop.reason;
    if (session.entryPending && reason == TStopReason::kPause) reason = TStopReason::kEntry;
    session.entryPending = false;
    nlohmann::json body = {{"reason", StopReasonName(reason)}, {"threadId", stop.processId}, {"allThreadsStopped", true}};
    if (!stop.message.empty()) {
      body["text"] = stop.message;
      body["description"] = stop.message;
    }
    if (!stop.breakpointIds.empty()) body["hitBreakpointIds"] = stop.breakpointIds;
    session.SendEvent("stopped", std::move(body));
    if (told) told(stop);
  };
  hooks.continued = [&session, told = shell.continued] {
    ForgetStop(session);
    session.SendEvent("continued", {{"threadId", DebugEngine().LastStop().processId}, {"allThreadsContinued", true}});
    if (told) told();
  };
  hooks.output = [&session, told = shell.output](const std::string& text) {
    session.SendOutput("console", text);
    if (told) told(text);
  };
}

// Opens the launched project inside the shell's start-up, tells the client
// it may configure, and holds the game until configuration is done.
void StartGame(TDapSession& session, const CommandLine& cl, TDapSink& sink) {
  SetSink(&sink);
  PrintOutput().print = [&session](const std::string& text, const TTraceList&) {
    session.SendOutput("stdout", ToUtf8(text));
  };
  // The client's breakpoints are the only ones: the debugger window does
  // not load the project's file over them.
  if (TDevWindows* dev = DevWindows()) dev->TakeOverBreakpoints();
  try {
    RunStartupPath(cl);
  } catch (...) {
    session.endRequested = true;
    throw;
  }
  WireEngine(session);
  // The run-time error filter is on until the client says otherwise.
  DebugEngine().SetBreakOnError(true);
  session.gameStarted = true;
  session.SendEvent("initialized");
  while (!session.configured && !session.endRequested) session.ServePending(-1);
  if (session.stopOnEntry && !session.endRequested) {
    session.entryPending = true;
    DebugEngine().RequestPause();
  }
}

int RunGame(TDapSession& session, const CommandLine& base) {
  CommandLine cl = session.launch;
  cl.home = base.home;
  cl.log = base.log;
  TDapSink sink(session, cl.log);
  TShellHooks hooks;
  hooks.startScriptWorld = [&] { StartGame(session, cl, sink); };
  hooks.betweenFrames = [&session] {
    session.ServePending(0);
    return !session.endRequested;
  };
  session.gameRunning = true;
  int code = RunShell(cl, hooks);
  session.gameRunning = false;
  session.gameStarted = false;
  DebugEngine().hooks = TDebugEngineHooks();
  PrintOutput().print = nullptr;
  return code;
}

}  // namespace

int RunDapServer(const CommandLine& cl) {
  // A client that goes away must not end the program with a signal.
  std::signal(SIGPIPE, SIG_IGN);
  // Standard output belongs to the protocol: the server keeps it, and
  // whatever else writes to descriptor 1 goes to stderr.
  std::fflush(stdout);
  int protocolOut = dup(STDOUT_FILENO);
  if (protocolOut < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    std::perror("ruvel --dap");
    return 1;
  }
  // The channel lives until the process ends: its reader thread may still
  // be waiting on the client's input when this function returns.
  static TDapChannel* const kept = new TDapChannel(STDIN_FILENO, protocolOut);
  TDapChannel& channel = *kept;
  TDapSession session(channel);
  channel.Start();
  while (!session.endRequested && !session.launchRequested) session.ServePending(-1);
  if (session.launchRequested && !session.endRequested) {
    int code = RunGame(session, cl);
    session.SendEvent("exited", {{"exitCode", code}});
    session.SendEvent("terminated");
  }
  // After the game: requests are still answered until the client leaves.
  while (!session.endRequested) session.ServePending(-1);
  if (session.pendingDisconnect) channel.Send(*session.pendingDisconnect);
  return 0;
}

}  // namespace ruvel
