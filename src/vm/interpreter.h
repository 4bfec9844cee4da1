// The interpreter: runs a process's bytecode for an instruction budget,
// reports non-fatal messages once, ends a process on a run-time error and
// gives the source trace of a process's frames.
#pragma once
#include <cstdint>
#include <string>

#include "vm/vm_state.h"

namespace ruvel {

class TProcess;

// Executes p for at most budget instructions (budget <= 0: 123456).
void Run(TProcess* p, int32_t budget);
// A non-fatal message: shown unless it repeats the last one.
void Report(TProcess* p, const std::string& message);
// Source positions of the process's frames, innermost first.
TTraceList Trace(TProcess* p);
// Where p runs now, as "Class.method" (the class whose code it is in;
// the class name alone for a class's own code); empty without a frame.
std::string RunningWhere(TProcess* p);
// "Class.method" of a function, for when its frame is already gone.
std::string FunctionWhere(const TFunction* f);
// "null" + "はオブジェクトではないため" and the like, for messages.
std::string Describe(const struct Value& v);
// The default message display: the text and the first trace entries.
std::string FormatError(const std::string& message, const TTraceList& trace);

}  // namespace ruvel
