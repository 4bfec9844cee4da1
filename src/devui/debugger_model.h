// TDebugger: the debugger window's state and commands, without any drawing
// (debugger_view draws it). It pauses a process between instructions
// (entered from the interpreter when the step budget is spent: breakExec()
// or a step), steps it one instruction at a time, runs it on, runs it to
// an address or stops it, lists code from the current instruction or of a
// chosen method, dumps the stack, runs the collector in check mode and
// lists resource names and cached snippets.
//
// Owner: Debugger(), one process-wide instance. The shell fills the hooks;
// tests drive the pause through waitForInput.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devui/profiler.h"

namespace ruvel {

class TCompiledInfo;
class TProcess;

struct TDebuggerHooks {
  // Handles the pending window messages once (waiting a little for them)
  // while paused; false when the application is being closed.
  std::function<bool()> waitForInput;
  // Ends the program at once (closing while paused).
  std::function<void()> endProgram;
  // Shows the debugger window.
  std::function<void()> show;
  // Automatic execution of the frame loop ("自動実行").
  std::function<bool()> autoExec;
  std::function<void(bool)> setAutoExec;
  // Reinstalls the frame loop as the idle work ("BResume").
  std::function<void()> reinstallIdle;
  // Shows a text as the loading window's caption (a resource's file).
  std::function<void(const std::string&)> setLoadingCaption;
  // Headless: where the refresh of a pause is written (one line a call).
  std::function<void(const std::string&)> writeLine;
};

class TDebugger {
 public:
  static constexpr int kHeadlessListingLines = 8;

  // Entered by the interpreter when a slice ends with the step budget
  // spent. Shows the window, refreshes it and handles messages until a
  // command gives the step budget back. Without a window (headless) the
  // refresh goes to writeLine once and execution goes on.
  void Pause();
  // ListFunc, ListOpr from the current instruction, ListStack.
  void Refresh();

  // The buttons.
  void Step();
  void RunAll();
  void RunToAddress();
  void Stop();
  // "GC": a check pass, then a normal pass (only with a root process).
  bool CollectGarbage();
  void ShowCode();
  // The object view: the live instances of the class named by EClass.
  void ShowObjects();
  // The time analyzer ("Start" / "Stop"); Stop fills profileRows. The CSV
  // goes to Temp/profile.csv in the program directory; its path (or the
  // reason it failed) is shown in Edit1.
  void StartProfile();
  void StopProfile();
  void WriteProfileCsv();
  // A breakpoint on a source line: runs until the first statement of line
  // eLine of the class named by EClass (as "まで実行" does with an
  // address); false when no statement starts there.
  bool RunToLine();
  void ListCachedSnippets();
  void MoveClassList();
  void ReinstallIdle();
  // Selecting a line of the code listing: EBreak := "$" + its address.
  void SelectListingLine(size_t index);
  // Activating the window: LFiles := the names of all resources.
  void Activate();
  // Selecting a resource name: its file becomes the loading caption.
  void SelectResource(const std::string& name);

  // The run-to address of EBreak: "$" marks hexadecimal; -1 when it is
  // no number.
  static int64_t ParseAddress(const std::string& text);
  // The process the buttons act on: the running (paused) one, else the
  // root process.
  TProcess* CurrentProcess() const;
  // The debugger holds execution (a paused Run is waiting on it).
  bool HoldsExecution() const { return paused; }

  // Forgets everything (tests, shutdown).
  void Reset();

  TDebuggerHooks hooks;
  // Called once per round of messages while paused (tools and tests watch
  // the pause through it; the shell leaves it alone).
  std::function<void()> pausedWatcher;

  bool paused = false;
  bool headless = false;
  bool visible = false;
  std::string caption;  // the window caption (UTF-8 shown, CP932 kept)
  std::string preempted = "LPre";
  std::vector<std::string> listObj;
  std::vector<std::string> listFunc;
  std::vector<std::string> listVar;
  std::vector<std::string> listOpr;
  std::vector<std::string> listStack;
  std::vector<std::string> lFiles;
  std::vector<std::string> listObjects;  // the object view
  std::vector<TProfileRow> profileRows;   // the time analyzer's last table
  std::string edit1 = "Edit1";
  std::string eBreak = "$0000ffff";
  std::string eClass = "EClass";
  std::string eFunc = "EFunc";
  std::string eLine;                     // the source line for RunToLine
  std::vector<std::string> listSource;   // source around the current statement
  // Where "まで実行" stops: an address in a code block (any block when the
  // listing showed none). -1: no run-to address.
  int64_t runTo = -1;
  const TCompiledInfo* runToCode = nullptr;
  // The code block ListOpr shows.
  const TCompiledInfo* listedCode = nullptr;
  long pauses = 0;  // pauses entered, for the window and tests

 private:
  bool AtRunToAddress() const;
  void RunCurrent();
  void WriteHeadless();
};

TDebugger& Debugger();
// Without any window: a pause writes its refresh to stderr and goes on.
void InstallHeadlessBreak();

}  // namespace ruvel
