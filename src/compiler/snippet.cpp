#include "compiler/snippet.h"

#include "compiler/compile_driver.h"
#include "platform/error.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

TEvalCache& EvalCache() {
  // Never destroyed: classes kept here must not be freed after the tables
  // they unregister from at exit.
  static TEvalCache* cache = new TEvalCache();
  return *cache;
}

namespace {

// Runs the class code of a compiled snippet class on a new instance until
// the process halts; returns the process's state. The class is freed
// afterwards unless an instance of it is still referenced.
int RunSnippetClass(std::unique_ptr<TRTTI> cls) {
  VMState& vm = VM();
  Instance* inst = NewInstance(cls.get());
  TProcess* p;
  try {
    p = TProcess::Create(inst, nullptr, "");
  } catch (const ERuvel& e) {
    // Code the verifier refuses never runs; the snippet counts as failed.
    ReportError(e.Message(), std::string(), 0);
    return 2;
  }
  const bool savedPreempted = vm.preempted;
  int state = 0;
  for (;;) {
    Run(p, kUnlimitedBudget);
    // The script may have freed its own process; it is gone then.
    if (!IsLiveHost(p)) {
      p = nullptr;
      break;
    }
    if (p->halted) break;
  }
  vm.preempted = savedPreempted;
  if (p) {
    state = p->state;
    TProcess::Free(p);
  }
  bool escaped = inst->refcount > 0;
  if (!escaped) DestroyInstance(inst);
  if (escaped || !cls->LiveInstances().empty()) EvalCache().kept.push_back(std::move(cls));
  return state;
}

}  // namespace

int EvaluateSnippet(const std::string& text, bool report) {
  TEvalCache& cache = EvalCache();
  const std::string name = "eval" + std::to_string(cache.counter++);
  auto cls = std::make_unique<TRTTI>(name, std::string());
  int result = CompileClass(*cls, text, report);
  cache.lastResult = result;
  if (result != 0 || !cls->Compiled) return 1;
  return RunSnippetClass(std::move(cls));
}

Value* GlobalValuePtr(const std::string& name) {
  if (name.empty() || name[0] != '$') return nullptr;
  TResource* found = FindResource(name);
  return found ? found->ValuePtr() : nullptr;
}

void SetGlobal(const std::string& name, const Value& value) {
  if (Value* slot = GlobalValuePtr(name)) ValueAssign(*slot, value);
}

Value* SnippetValue(const std::string& expression) {
  EvaluateSnippet("extends Object; $_tmp_valueOf=" + expression + ";", true);
  return GlobalValuePtr("$_tmp_valueOf");
}

}  // namespace ruvel
