// Measures the interpreter's dispatch speed: a hand-built loop of local
// reads, integer adds, compares and jumps, reported in nanoseconds per
// executed instruction.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "runtime/rtti.h"
#include "vm/interpreter.h"
#include "vm/opcodes.h"
#include "vm/process.h"
#include "vm/vm_state.h"

using namespace ruvel;

int main(int argc, char** argv) {
  const int32_t n = argc > 1 ? std::atoi(argv[1]) : 20000000;
  auto* root = new TResourceList();
  VM().root = root;
  auto* cls = new TRTTI("Bench", "");
  cls->Compiled = true;
  root->AddChild(cls);

  // i = 0; s = 0; while (i < n) { s = s + i; i += 1; } return s;
  std::vector<uint32_t> w = {
      Op_LocalValPtr, 0, Op_Push, kInt, 0, Op_Subst, Op_Pop,
      Op_LocalValPtr, 1, Op_Push, kInt, 0, Op_Subst, Op_Pop,
  };
  size_t loop = w.size();
  w.insert(w.end(), {Op_LocalValPtr_Deref, 0, 0, Op_Push, kInt, static_cast<uint32_t>(n), Op_LT, Op_JumpZero, 0});
  size_t exitFix = w.size() - 1;
  size_t exitAt = w.size() - 2;
  w.insert(w.end(), {Op_LocalValPtr, 1, Op_LocalValPtr_Deref, 1, 0, Op_LocalValPtr_Deref, 0, 0, Op_Add, Op_Subst, Op_Pop});
  w.insert(w.end(), {Op_LocalValPtr, 0, Op_Push, kInt, 1, Op_AddSubst, Op_Pop});
  w.insert(w.end(), {Op_Jump, 0});
  w.back() = static_cast<uint32_t>(static_cast<int32_t>(loop * 4) - static_cast<int32_t>((w.size() - 2) * 4));
  w[exitFix] = static_cast<uint32_t>(static_cast<int32_t>(w.size() * 4) - static_cast<int32_t>(exitAt * 4));
  w.insert(w.end(), {Op_LocalValPtr_Deref, 1, 0, Op_Ret});

  auto* f = new TNormalFunction(cls, Intern("run"));
  f->Locals = {"i", "s"};
  f->Code = std::make_unique<TCompiledInfo>();
  f->Code->code = w;
  f->Code->cls = cls;
  cls->AddMethod(f);

  Instance* inst = cls->CreateInstance();
  TProcess* p = TProcess::Create(inst, nullptr, "run");
  long long executed = 0;
  auto t0 = std::chrono::steady_clock::now();
  while (!p->halted) {
    Run(p, kUnlimitedBudget);
    executed += p->sliceLength;  // instructions executed in this run's slice
  }
  auto t1 = std::chrono::steady_clock::now();
  long long exact = executed;
  double ns = std::chrono::duration<double, std::nano>(t1 - t0).count();
  int32_t result = p->result ? p->result->i : -1;
  std::printf("iterations=%d instructions=%lld result=%d time=%.1f ms  %.2f ns/instruction\n", n, exact, result,
              ns / 1e6, ns / static_cast<double>(exact));
  TProcess::Free(p);
  VM().root = nullptr;
  delete root;
  return 0;
}
