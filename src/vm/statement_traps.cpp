#include "vm/statement_traps.h"

#include <unordered_set>

#include "vm/compiled_info.h"
#include "vm/fused_ops.h"
#include "vm/opcodes.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

struct TCodeRegistry {
  std::unordered_set<TCompiledInfo*> live;
  uint64_t generation = 1;
};

TCodeRegistry& CodeRegistry() {
  // Never destroyed: code buffers of static class records unregister at exit.
  static TCodeRegistry* registry = new TCodeRegistry();
  return *registry;
}

}  // namespace

// A new buffer has no statements before its first verification, which
// counts as the change.
void RegisterCode(TCompiledInfo* info) { CodeRegistry().live.insert(info); }

void UnregisterCode(TCompiledInfo* info) {
  CodeRegistry().live.erase(info);
  ++CodeRegistry().generation;
}

void ForEachCode(const std::function<void(TCompiledInfo&)>& visit) {
  // A copy: a visit may compile and so register more buffers.
  std::vector<TCompiledInfo*> all(CodeRegistry().live.begin(), CodeRegistry().live.end());
  for (TCompiledInfo* info : all) {
    if (CodeRegistry().live.count(info)) visit(*info);
  }
}

uint64_t CodeGeneration() { return CodeRegistry().generation; }
void BumpCodeGeneration() { ++CodeRegistry().generation; }

void SetStatementTraps(bool on) {
  if (VM().statementTraps == on) return;
  VM().statementTraps = on;
  ForEachCode([](TCompiledInfo& info) { info.RewriteRun(); });
}

bool MarksCall(const std::vector<uint32_t>& code, int32_t address) {
  if (address < 0 || static_cast<size_t>(address / 4) >= code.size()) return false;
  const uint32_t op = code[static_cast<size_t>(address / 4)];
  return op == Op_DCall || op == Op_SCall || op == Op_SuperCall || op == Op_NativeCall || op == Op_Constructor;
}

void PlaceTraps(const std::vector<uint32_t>& code, const std::vector<std::pair<std::string, int32_t>>& points,
                std::vector<uint32_t>& run) {
  const size_t n = code.size();
  std::vector<char> start(n, 0);
  for (size_t i = 0; i < n;) {
    start[i] = 1;
    int32_t size = InstructionSize(&code[i]);
    if (size <= 0) break;
    i += static_cast<size_t>(size) / 4;
  }
  for (const auto& point : points) {
    int32_t a = point.second;
    if (a < 0 || a % 4 != 0 || static_cast<size_t>(a / 4) >= n || !start[a / 4] || MarksCall(code, a)) continue;
    uint32_t& w = run[a / 4];
    if (w < kFusedBase) w = kTrapBase + w;
  }
}

}  // namespace ruvel
