// What the debugger reads from a process: the code block and address it is
// executing, the listing from there, and the dump of its stack frame by
// frame. Texts are CP932 like every script text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

class TCompiledInfo;
class TProcess;

// The code block of the process's innermost frame (a method's code, or
// the class's own code), none when it runs no compiled code.
TCompiledInfo* CurrentCode(const TProcess* p);
// Byte address of the process's next instruction in that block, -1 when
// there is none.
int32_t CurrentAddress(const TProcess* p);
// The code listing from the process's next instruction; an error of the
// listing ends it with the message as the last line.
std::vector<std::string> ListingFromCurrent(const TProcess* p);
// The listing of a code block from its start (same error rule).
std::vector<std::string> ListingOf(const TCompiledInfo& code, int32_t start);

// The stack dump: per frame from the innermost "stacks", the slots from
// the stack pointer up to the frame's local 0, "args/this " + argument
// count, the arguments from the last to the first and the receiver; then
// "-----------" and the stack block's last slot. Nothing for a process
// whose stack has been released.
std::vector<std::string> StackDump(const TProcess* p);

}  // namespace ruvel
