// The one owner of the virtual machine's process-wide state: the symbol
// table, handle registry, current process, step budget, preemption flags,
// the scratch value, well-known classes and the live counters.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vm/handles.h"
#include "vm/symbols.h"
#include "vm/value.h"

namespace ruvel {

class TFunction;
class TProcess;
class TRTTI;
class TResource;

// What the time analyzer hears from the interpreter while it listens.
enum class ProfileEvent { kEnter, kLeave, kRunStart, kRunEnd };
// f is the method that runs from now on (none for a class's own code,
// whose receiver self then names the class).
using ProfileHook = void (*)(ProfileEvent event, const TFunction* f, const Value* self);

constexpr int32_t kUnlimitedBudget = 123456;

struct VMStats {
  long liveBlocks = 0;       // zero-filled blocks: stacks, records, cells
  long liveValueCells = 0;   // array cells
  long liveTokens = 0;       // lexer tokens
  long liveResultLists = 0;  // parse result lists
  long liveStacks = 0;
  long liveProcesses = 0;
  long liveTfStrings = 0;
  long liveFunctions = 0;
  long liveInstances = 0;
  long classesCompiled = 0;
  long instancesCreated = 0;
};

// One entry of a trace: the source file of a class and a position in it.
struct TraceEntry {
  std::string file;
  int32_t position;
  // The text the position counts in when the file has been edited since
  // (code replaced by a live reload that a frame still ran); none: the file.
  std::shared_ptr<const std::string> text;
};
using TTraceList = std::vector<TraceEntry>;

struct VMState {
  SymbolTable symbols;
  HandleTable handles;    // bytecode operands: functions, classes, slots
  HandleTable instances;  // object handles of instance records

  TProcess* current = nullptr;
  int32_t stepBudget = kUnlimitedBudget;
  bool preemptDetect = true;
  bool preempted = false;
  std::string lastReported;
  Value scratch = MakeNull();
  int32_t bodyCache = 0;        // member cache for "_body" of strings
  int32_t hostMemberCache = 0;  // member cache for other host lookups

  TRTTI* objectClass = nullptr;
  TRTTI* stringClass = nullptr;
  TRTTI* arrayClass = nullptr;
  int32_t arrayXIndex = -1;  // member index of "_x" in the array class
  TResource* root = nullptr;
  TProcess* rootProcess = nullptr;
  bool aliasRegistration = true;
  bool checkMode = false;  // collector check mode
  // Code verified from now on runs with fused instruction groups
  // (vm/fused_ops.h); off, it runs instruction by instruction.
  bool fuseCode = true;
  // Statement traps are in every run copy (vm/statement_traps.h); the
  // interpreter calls statementHook at each statement start, registers
  // saved, and runs the statement unless the process was halted meanwhile.
  bool statementTraps = false;
  std::function<void(TProcess* p)> statementHook;
  // Told of a run-time error of the running process p before anything is
  // shown: one that ends it (before it is killed, its frames still say
  // where it was) or one that is reported while it goes on.
  std::function<void(TProcess* p, const std::string& message)> errorBreak;
  // Raised by a live reload that replaced methods' code; processes compare
  // it with their own copy before they run on (vm/frame_restart.h).
  // layoutGeneration is the code generation of the last swap that moved
  // members or methods, whose old code must not run on even up to a
  // suspend().
  uint32_t codeGeneration = 0;
  uint32_t layoutGeneration = 0;
  // Member slots kept spare in each new record of a script class, so that
  // a live reload can add members to live objects in place.
  int32_t spareMemberSlots = 0;

  VMStats stats;

  // Shows a run-time error or a report with its trace (the main screen's
  // message display). Defaults to a message box through the message sink.
  std::function<void(const std::string& message, const TTraceList& trace)> showError;
  // Told of a run-time error of process p after it was shown: one that
  // ends the process (told before it is killed, so its frames still say
  // where it was) or one that is reported while the process goes on.
  std::function<void(TProcess* p, const std::string& message)> runError;
  // The time analyzer while it measures; none otherwise (one test of a
  // pointer per call, return and run).
  ProfileHook profile = nullptr;
  // Called when a slice ends with the step budget spent (the debugger pause).
  std::function<void()> debuggerPause;
  // Compiles a class record from its source text (the compile driver).
  std::function<void(TRTTI& cls, const std::string& text)> compileClass;
  // Evaluates script statements (snippet evaluation); returns 0 finished,
  // 1 did not compile, 2 ended by a run-time error. Installed by the
  // compile driver; until then snippets cannot run (returns 1).
  std::function<int(const std::string& statements)> evaluateSnippet;
};

// Inline so that natives and host checks reach the state without a call;
// the one instance is made on first use, whatever the start-up order.
inline VMState& VM() {
  static VMState state;
  return state;
}

}  // namespace ruvel
