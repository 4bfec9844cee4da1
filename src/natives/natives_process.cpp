#include "natives/natives_process.h"

#include "runtime/function.h"
#include "natives/native_table.h"
#include "natives/natives_args.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

void NativeProcessInit(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (!a.Has(1)) return;
  Instance* receiver = ValueAsObject(a[1]);
  if (!receiver) return;
  std::string method = a.Has(2) ? a.Text(2) : std::string();
  a.ReturnHost(TProcess::Create(receiver, nullptr, method));
}

void NativeProcessExec(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  // Run returns at once for a finished process and for one whose run is
  // already in progress further out.
  if (TProcess* p = a.Host<TProcess>(1)) Run(p, kUnlimitedBudget);
}

void NativeProcessSuspend(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TProcess* p = a.Host<TProcess>(1)) p->Yield();
}

void NativeProcessHalted(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TProcess* p = a.Host<TProcess>(1)) a.ReturnFloat(p->halted ? 1.0f : 0.0f);
}

void NativeProcessFree(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TProcess* p = a.Host<TProcess>(1)) TProcess::Free(p);
}

void NativeProcessKill(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TProcess* p = a.Host<TProcess>(1)) p->Kill();
}

void NativeProcessMark(Value* self, int32_t argc, int32_t) {
  TNativeArgs a(self, argc);
  if (TProcess* p = a.Host<TProcess>(1)) p->MarkStack();
}

void NativeSuspend(Value*, int32_t, int32_t) {
  if (TProcess* p = VM().current) p->Yield();
}

void NativeCurrentProcess(Value* self, int32_t, int32_t) {
  if (TProcess* p = VM().current) ValueSetHost(*self, p);
}

void NativeBreakExec(Value*, int32_t, int32_t) {
  VM().stepBudget = 0;
  if (TProcess* p = VM().current) p->remaining = 0;
}

void NativeCurrentFunc(Value* self, int32_t, int32_t) {
  TProcess* p = VM().current;
  if (!p || !p->fp) return;
  TFunction* f = FrameOf(p->fp)->func;
  if (!f) return;
  ValueSetString(*self, f->GetName());
}

const std::vector<NativeEntry>& ProcessNatives() {
  static const std::vector<NativeEntry> table = {
      {"classes.lang.Process", "native_init", NativeProcessInit},
      {"classes.lang.Process", "native_exec", NativeProcessExec},
      {"classes.lang.Process", "native_suspend", NativeProcessSuspend},
      {"classes.lang.Process", "native_halted", NativeProcessHalted},
      {"classes.lang.Process", "native_free", NativeProcessFree},
      {"classes.lang.Process", "native_kill", NativeProcessKill},
      {"classes.lang.Process", "native_proc_mark", NativeProcessMark},
  };
  return table;
}

}  // namespace ruvel
