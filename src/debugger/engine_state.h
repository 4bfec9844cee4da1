// The debugger engine's internal state, shared by its source files (run
// control, inspection, evaluation, breakpoint file). Not for front ends.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "debugger/debug_engine.h"
#include "vm/value.h"

namespace ruvel {

class TCompiledInfo;
class TProcess;
struct FrameData;

enum class TStepMode { kNone, kOver, kInto, kOut };
enum class TResume { kNone, kRun };

// A frame as the inspection commands hand it out while stopped.
struct TFrameRef {
  TProcess* process = nullptr;
  Value* fp = nullptr;
  uint32_t* pc = nullptr;
  bool top = false;  // the innermost frame: pc is the next instruction itself
};

enum class TRefKind { kLocals, kThis, kGlobals, kValue };
struct TVarRef {
  TRefKind kind = TRefKind::kValue;
  int frame = 0;  // index into frames (scopes)
  Value value = MakeNull();
};

struct TEngineState {
  std::vector<TBreakpoint> breakpoints;
  int nextBreakpointId = 1;
  std::string storeFile;  // the project's breakpoint file, "" before a project
  bool breakOnError = false;
  // The last error stopped at: a reported error that then ends its process
  // stops once, not twice.
  int lastErrorSerial = 0;
  std::string lastErrorMessage;

  TStepMode step = TStepMode::kNone;
  int stepSerial = 0;
  int stepDepth = 0;
  bool pauseRequested = false;

  bool stopped = false;
  bool busy = false;  // inside a stop or an evaluation: statements are not watched
  TResume resume = TResume::kNone;
  TStopInfo last;
  TProcess* stoppedProcess = nullptr;
  // A breakpoint line is not hit again by the later statements of the same
  // line in the same frame just after a stop there.
  int skipSerial = 0;
  Value* skipFp = nullptr;
  std::string skipFile;
  int skipLine = 0;
  int32_t skipAddress = -1;

  std::vector<TFrameRef> frames;
  std::vector<TVarRef> refs;

  // Statement lines by file, as bound for the breakpoints.
  uint64_t boundGeneration = 0;
  std::map<std::string, std::vector<int>> statementLines;
  // Line starts of source texts met so far.
  std::map<const std::string*, std::pair<std::shared_ptr<const std::string>, std::vector<int32_t>>> lineStarts;
};

TEngineState& EngineState();

// Source of a code block (the text it was compiled from), or none.
std::shared_ptr<const std::string> SourceOf(const TCompiledInfo& info);
// The 1-based line of each statement point of info, 0 for the marks of
// calls (cached in the block).
const std::vector<int32_t>& PointLines(TCompiledInfo& info);
// The statement a frame is at (the last statement start at or before pc):
// index into symbols.points, -1 when none.
// top: pc is the next instruction (a stop); else a return address.
int StatementAt(const TCompiledInfo& info, const uint32_t* pc, bool top);
// Line and UTF-16 column (both 1-based) of a byte offset in CP932 text.
void LineColumn(const std::string& text, int32_t offset, int& line, int& column);
// The code block a frame runs.
TCompiledInfo* CodeOf(Value* fp, const uint32_t* pc);
// The number of frames of p.
int FrameDepth(const TProcess* p);
// A live process by serial, none when it is gone.
TProcess* ProcessBySerial(int serial);
// A value as the debugger shows it, with its type and whether it expands.
TVariableInfo DescribeValue(const std::string& name, const Value& v);
// Rebinds every breakpoint to the statement lines of the loaded classes.
void BindBreakpoints();
void SaveBreakpoints();
// Evaluates expression in frame (an index into frames, or -1: the top frame
// of the stopped process); true with the value in out.
bool EvaluateIn(const std::string& expressionUtf8, const TFrameRef& frame, Value& out, std::string& error);

}  // namespace ruvel
