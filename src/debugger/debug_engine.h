// TDebugEngine: the source-level debugger under every front end (the
// debugger window's panes, the Debug Adapter Protocol server). It keeps
// lasting breakpoints by file and line (with optional conditions), breaks
// on run-time errors, steps by statement (over, into, out), pauses at the
// next statement, and while a process is stopped lists live processes,
// their call stacks and the variables of a frame by name, and evaluates
// expressions in a frame.
//
// The engine stops a process synchronously inside the interpreter, at the
// start of a statement (or where a run-time error is raised), and then
// calls hooks.waitWhileStopped until a run command is given; the front end
// keeps repainting and handling its input in that hook.
//
// Owner: DebugEngine(), one process-wide instance. The shell fills the
// hooks; front ends call the commands.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ruvel {

class TProcess;

// A source breakpoint. file is the class source path as the program names
// it (absolute, '/' separators); line is 1-based. A condition is script
// text for an expression evaluated in the stopped frame; the break happens
// when it is true (an error in it breaks and says so).
struct TBreakpoint {
  int id = 0;
  std::string file;
  int line = 0;
  std::string condition;  // UTF-8; empty: always
  bool verified = false;  // a statement starts on that line of a loaded class
  int actualLine = 0;     // the line of the statement it binds to (>= line)
};

enum class TStopReason { kBreakpoint, kStep, kPause, kException, kEntry };

struct TStopInfo {
  TStopReason reason = TStopReason::kPause;
  int processId = 0;         // the stopped process
  std::string message;       // UTF-8: the error text of kException
  std::vector<int> breakpointIds;
};

// A live process as the debugger lists it ("thread" in the protocol).
struct TProcessInfo {
  int id = 0;          // stable for the process's lifetime, never reused
  std::string name;    // UTF-8: "Class.method" where it runs, or "root"
};

struct TFrameInfo {
  int id = 0;              // valid while stopped; new ids after each stop
  std::string className;   // UTF-8
  std::string method;      // UTF-8; "" for a class's own code
  std::string file;        // source path, "" when none
  int line = 0;            // 1-based; 0 when unknown
  int column = 1;          // 1-based, in UTF-16 units of the line
};

struct TScopeInfo {
  std::string name;   // "引数とローカル変数" / "this" / "グローバル変数"
  int variablesRef = 0;
};

struct TVariableInfo {
  std::string name;       // UTF-8
  std::string value;      // UTF-8, as the debugger shows a value
  std::string type;       // "int", "float", "string", "null", a class name…
  int variablesRef = 0;   // > 0: expandable (an object's members, an array)
};

struct TDebugEngineHooks {
  // Called again and again while a process is stopped: handles pending
  // window or protocol input once, repaints, waits a little. False when
  // the program is being closed (the stop ends and the process is halted).
  std::function<bool()> waitWhileStopped;
  // Told when a process stops and when it runs on again.
  std::function<void(const TStopInfo&)> stopped;
  std::function<void()> continued;
  // Told of text a front end should show (a condition that failed, etc.).
  std::function<void(const std::string& utf8)> output;
};

class TDebugEngine {
 public:
  // ---- breakpoints (kept per project in Temp/breakpoints.txt) ----
  // Replaces every breakpoint of file with the given lines and conditions;
  // returns them with ids and whether each binds to a statement.
  std::vector<TBreakpoint> SetBreakpoints(const std::string& file,
                                          const std::vector<std::pair<int, std::string>>& linesAndConditions);
  // Sets or clears the breakpoint on a line (a click in the margin).
  void ToggleBreakpoint(const std::string& file, int line);
  bool HasBreakpoint(const std::string& file, int line) const;
  std::vector<TBreakpoint> Breakpoints() const;
  // Reads and writes the project's breakpoint file; Load is called when a
  // project is opened, every change saves (atomically).
  void LoadProject(const std::string& projectDir);
  void SetBreakOnError(bool on);
  bool BreakOnError() const;

  // ---- running ----
  void Continue();
  void StepOver();
  void StepInto();
  void StepOut();
  // Stops at the next statement any process runs.
  void RequestPause();
  bool IsStopped() const;
  const TStopInfo& LastStop() const;

  // ---- inspection (while stopped; empty otherwise, but for Processes) ----
  std::vector<TProcessInfo> Processes() const;
  std::vector<TFrameInfo> StackTrace(int processId) const;
  std::vector<TScopeInfo> Scopes(int frameId) const;
  std::vector<TVariableInfo> Variables(int variablesRef) const;
  // Evaluates script text for an expression in a frame (frameId 0: the
  // top frame of the stopped process): true with the value shown as
  // Variables shows it, or false with the error text.
  bool Evaluate(const std::string& expression, int frameId, TVariableInfo& result, std::string& error);
  // Watch expressions, evaluated in the selected frame at every stop.
  std::vector<std::string> watches;

  TDebugEngineHooks hooks;
  void Reset();  // tests, shutdown
};

TDebugEngine& DebugEngine();

}  // namespace ruvel
