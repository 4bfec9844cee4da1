// Statement traps for the source-level debugger. Every code buffer is
// registered here while it exists; turning traps on rewrites the run copy
// of each verified buffer in place to the plain code with a trap word at
// every statement start (frames that never leave their copy reach them
// too), and code verified meanwhile gets them as well. Turning them off
// translates every copy again in place (fused groups, native wrappers).
//
// Owner: the registry of live code buffers (CodeRegistry() in the .cpp).
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ruvel {

class TCompiledInfo;

void RegisterCode(TCompiledInfo* info);
void UnregisterCode(TCompiledInfo* info);
// Calls visit on every live code buffer.
void ForEachCode(const std::function<void(TCompiledInfo&)>& visit);
// Changes whenever a buffer is verified or freed (for caches of statement
// lines).
uint64_t CodeGeneration();
void BumpCodeGeneration();

// Turns the traps on or off everywhere (VM().statementTraps).
void SetStatementTraps(bool on);
// True when the point at address marks a call (the position traces give
// for it) rather than the start of a statement: it stands on the call
// instruction itself, after the receiver and arguments were pushed.
bool MarksCall(const std::vector<uint32_t>& code, int32_t address);
// Writes into run (a copy of code) a trap word at every statement start
// (a point that starts an instruction and marks no call).
void PlaceTraps(const std::vector<uint32_t>& code, const std::vector<std::pair<std::string, int32_t>>& points,
                std::vector<uint32_t>& run);

}  // namespace ruvel
