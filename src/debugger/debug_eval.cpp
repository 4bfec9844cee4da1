// Expressions evaluated in a stopped frame: a scratch class that extends
// the receiver's class gets one method whose parameters are named after the
// frame's arguments and locals and whose body returns the expression; it
// runs in a fresh process on the receiver with the frame's current values,
// for a limited number of steps, its errors returned as text.
#include <memory>

#include "compiler/compile_driver.h"
#include "compiler/snippet.h"
#include "debugger/engine_state.h"
#include "platform/cp932.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

constexpr int kEvaluationRuns = 8;  // budgets of 123456 steps each
int g_scratchClasses = 0;

// Restores what an evaluation changes in the VM.
struct TEvaluationScope {
  VMState& vm = VM();
  bool busy = EngineState().busy;
  int32_t budget = vm.stepBudget;
  bool preempted = vm.preempted;
  std::string lastReported = vm.lastReported;
  decltype(VMState::showError) showError = vm.showError;
  decltype(VMState::runError) runError = vm.runError;
  std::string message;
  TEvaluationScope() {
    EngineState().busy = true;
    vm.stepBudget = kUnlimitedBudget;
    vm.showError = [this](const std::string& text, const TTraceList&) {
      if (message.empty()) message = text;
    };
    vm.runError = nullptr;
  }
  ~TEvaluationScope() {
    EngineState().busy = busy;
    vm.stepBudget = budget;
    vm.preempted = preempted;
    vm.lastReported = lastReported;
    vm.showError = showError;
    vm.runError = runError;
  }
};

}  // namespace

bool EvaluateIn(const std::string& expressionUtf8, const TFrameRef& frame, Value& out, std::string& error) {
  TEvaluationScope scope;
  std::vector<std::string> names;
  std::vector<Value> values;
  Instance* receiver = nullptr;
  if (frame.fp) {
    FrameData* fd = FrameOf(frame.fp);
    if (auto* f = dynamic_cast<TNormalFunction*>(fd->func)) {
      for (int32_t i = 0; i < fd->argc && i < static_cast<int32_t>(f->Params.size()); ++i) {
        names.push_back(f->Params[static_cast<size_t>(i)]);
        values.push_back(fd->receiver[-(i + 1)]);
      }
      for (int32_t k = 0; k < f->LocalCount(); ++k) {
        names.push_back(f->Locals[static_cast<size_t>(k)]);
        values.push_back(frame.fp[-k]);
      }
    }
    const Value& self = *fd->receiver;
    if (self.tag == kObject && self.obj) receiver = self.obj;
  }
  for (Value& v : values) {
    if (v.tag == kRef) v = v.ref ? *v.ref : MakeNull();
    if (v.tag == kUninit) v = MakeNull();
  }
  TRTTI* base = receiver ? receiver->cls : VM().objectClass;
  if (!base) {
    error = "評価できません";
    return false;
  }
  std::string text = "extends " + FullName(base) + ";\r\nfunction _debugValue(";
  for (size_t i = 0; i < names.size(); ++i) text += (i ? "," : "") + names[i];
  text += ") {\r\nreturn (" + Utf8ToCp932(expressionUtf8) + "\r\n);\r\n}\r\n";
  auto cls = std::make_unique<TRTTI>("debugvalue" + std::to_string(++g_scratchClasses), std::string());
  if (CompileSource(*cls, text, std::string(), true) != 0 || !cls->Compiled) {
    error = ToUtf8(scope.message.empty() ? J("式を評価できません") : scope.message);
    return false;
  }
  // A name the frame does not know would become a new member of the
  // scratch class, which the receiver lacks.
  if (cls->Members.Count() > base->Members.Count()) {
    error = ToUtf8(cls->Members.NameAt(base->Members.Count())) + "は定義されていません";
    return false;
  }
  TFunction* method = cls->FindMethodByName("_debugValue");
  Instance* own = receiver ? nullptr : NewInstance(cls.get());
  TProcess* p = nullptr;
  try {
    p = TProcess::CreateFor(receiver ? receiver : own, &values, method);
  } catch (const std::exception& e) {
    error = ToUtf8(e.what());
    if (own && own->refcount <= 0) DestroyInstance(own);
    return false;
  }
  for (int run = 0; run < kEvaluationRuns && IsLiveHost(p) && !p->halted; ++run) Run(p, kUnlimitedBudget);
  bool ok = false;
  if (!IsLiveHost(p)) {
    error = "評価が終わりません";
  } else if (p->state == 2) {
    error = ToUtf8(scope.message.empty() ? J("実行時エラー") : scope.message);
  } else if (!p->halted || !p->result) {
    error = "評価が終わりません";
  } else {
    out = *p->result;
    Retain(out);
    ok = true;
  }
  if (IsLiveHost(p)) TProcess::Free(p);
  if (own && own->refcount <= 0) DestroyInstance(own);
  // An instance of it still referenced somewhere keeps the class alive.
  if (!cls->LiveInstances().empty()) EvalCache().kept.push_back(std::move(cls));
  return ok;
}

}  // namespace ruvel
