// TSourcePanes: the state of the debugger window's source-level panes,
// without drawing (source_panes_view draws them): the source of the file of
// the selected frame with its current line and breakpoints, re-read when it
// changes on disk; the live processes and the call stack of the chosen one;
// the variables of the selected frame as an expandable tree; the watch
// expressions with their values; and the run commands of the engine.
//
// Owner: SourcePanes(), one process-wide instance next to the engine.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "debugger/debug_engine.h"

namespace ruvel {

class TSourcePanes {
 public:
  // A stop happened: the stopped process and its innermost frame are
  // selected, the panes filled and the frame's file shown.
  void OnStopped();
  // The program runs on: stack and variables are emptied.
  void OnContinued();
  void SelectProcess(int processId);
  void SelectFrame(size_t index);
  // Shows a file (UTF-8 path) from the start.
  void OpenFile(const std::string& path);
  // Re-reads the shown file when its time or size changed; true when read.
  bool ReloadIfChanged();
  // A click in the margin of line (1-based) of the shown file.
  void ToggleLine(int line);
  bool HasBreakpoint(int line) const;

  // The variables under a reference, read once per stop.
  const std::vector<TVariableInfo>& Children(int variablesRef);
  void AddWatch(const std::string& expression);
  void RemoveWatch(size_t index);
  // Evaluates the watches in the selected frame (also when running: then
  // without locals).
  void EvaluateWatches();

  void Continue() { DebugEngine().Continue(); }
  void StepOver() { DebugEngine().StepOver(); }
  void StepInto() { DebugEngine().StepInto(); }
  void StepOut() { DebugEngine().StepOut(); }
  void Pause() { DebugEngine().RequestPause(); }

  void Reset();

  std::string file;                // UTF-8 path of the shown source
  std::vector<std::string> lines;  // its lines in UTF-8
  int currentLine = 0;             // the selected frame's line there; 0 none
  int scrollToLine = 0;            // a line the view should bring into sight once
  std::vector<TProcessInfo> processes;
  int processId = 0;
  std::vector<TFrameInfo> stack;
  size_t frame = 0;
  std::vector<TScopeInfo> scopes;
  std::vector<std::pair<std::string, std::string>> watchValues;  // expression, value or error
  long stops = 0;  // stops seen, for the view to bring the panes forward
  double lastDiskCheck = 0;  // the view's clock when the file was last looked at
  // Where the view last drew each run button (its label), window
  // coordinates of its centre, for tests that click it.
  std::map<std::string, std::pair<int, int>> buttonCenters;

 private:
  void ReadFile();
  void ShowFrame();
  std::map<int, std::vector<TVariableInfo>> children_;
  int64_t fileTime_ = 0;
  int64_t fileSize_ = -1;
};

TSourcePanes& SourcePanes();

}  // namespace ruvel
