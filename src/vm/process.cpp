#include "vm/process.h"

#include <cstdlib>

#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// Never destroyed: processes may still be freed while the program exits.
std::vector<TProcess*>& ProcessList() {
  static std::vector<TProcess*>* list = new std::vector<TProcess*>();
  return *list;
}
int32_t g_lastSerial = 0;

}  // namespace

const std::vector<TProcess*>& LiveProcesses() { return ProcessList(); }

TProcess::~TProcess() {
  // The last entry takes the place of this one.
  std::vector<TProcess*>& list = ProcessList();
  if (listIndex >= 0 && static_cast<size_t>(listIndex) < list.size() && list[listIndex] == this) {
    list[listIndex] = list.back();
    list[listIndex]->listIndex = listIndex;
    list.pop_back();
  }
  UnregisterHost(this);
}

TProcess* TProcess::Create(Instance* receiver, const std::vector<Value>* args, const std::string& method) {
  TFunction* f = nullptr;
  if (!method.empty()) {
    TRTTI* cls = receiver ? receiver->cls : nullptr;
    if (cls) {
      if (method == "constructor") f = cls->ConstructorOf();
      else if (method == "destructor") f = cls->DestructorOf();
      else f = cls->FindMethodByName(method);
    }
    if (!f) throw EVMError(J("メソッド") + method + J("は未定義です"));
  }
  return CreateFor(receiver, args, f);
}

TProcess* TProcess::CreateFor(Instance* receiver, const std::vector<Value>* args, TFunction* f) {
  if (f && f->Kind() == FunctionKind::kNative) throw EVMError(J("Native関数") + f->GetName() + J("は呼び出せません"));
  int32_t n = args ? static_cast<int32_t>(args->size()) : 0;
  int32_t m = f ? static_cast<TNormalFunction*>(f)->LocalCount() : 0;
  // Receiver, arguments, frame and locals must fit in the stack.
  if (1 + n + (kFrameSlots - 1) + std::max(m, 1) >= kStackSlots) throw EVMError(J("スタックがあふれました"));
  auto* p = new TProcess();
  p->stack = static_cast<Value*>(std::calloc(kStackSlots, sizeof(Value)));
  if (!p->stack) {
    delete p;
    throw std::bad_alloc();
  }
  RegisterHost(p);
  p->serial = ++g_lastSerial;
  p->codeGeneration = VM().codeGeneration;
  p->listIndex = static_cast<int32_t>(ProcessList().size());
  ProcessList().push_back(p);
  ++VM().stats.liveProcesses;
  ++VM().stats.liveStacks;
  ++VM().stats.liveBlocks;
  Value* recv = p->stack + (kStackSlots - 1);
  *recv = MakeObject(receiver);
  if (!receiver) *recv = MakeNull();
  Retain(*recv);
  for (int32_t i = 0; i < n; ++i) {
    recv[-(i + 1)] = (*args)[i];
    Retain(recv[-(i + 1)]);
  }
  Value* F = recv - n - kFrameSlots;
  FrameData* fd = FrameOf(F);
  fd->func = f;
  fd->returnAddr = nullptr;
  fd->argc = n;
  fd->receiver = recv;
  fd->savedFp = nullptr;
  fd->pos[0] = fd->pos[1] = fd->pos[2] = 0;
  p->fp = F;
  p->receiver = recv;
  TCompiledInfo* code = nullptr;
  if (!f) {
    p->sp = F + 1;
    TRTTI* cls = receiver ? receiver->cls : nullptr;
    if (cls && cls->ClassCode && !cls->ClassCode->code.empty()) code = cls->ClassCode.get();
  } else {
    auto* nf = static_cast<TNormalFunction*>(f);
    for (int32_t k = 0; k < m; ++k) F[-k] = MakeNull();
    p->sp = F - (m - 1);
    if (nf->Code && !nf->Code->code.empty()) code = nf->Code.get();
  }
  p->ip = nullptr;
  if (code) {
    try {
      code->EnsureVerified(f ? m : 0);
    } catch (...) {
      Free(p);
      throw;
    }
    // The interpreter runs the translated copy made by the verification.
    p->ip = code->RunStart();
  }
  // Without code there is nothing to run: the process is finished at once.
  if (!p->ip) p->halted = true;
  return p;
}

void TProcess::Yield() {
  yieldFlag = true;
  sliceLength -= remaining;
  remaining = 0;
}

void TProcess::Halt() {
  halted = true;
  sliceLength -= remaining;
  remaining = 0;
}

void TProcess::Kill() {
  if (released) return;
  Halt();
  released = true;
  WalkStack([](Value& v) {
    // A count that is already wrong must not stop the rest being released.
    try {
      Release(v);
    } catch (const ERuvel&) {
    }
    v = MakeNull();
  });
}

void TProcess::MarkStack() {
  if (released) return;
  WalkStack([](Value& v) { MarkValue(v); });
}

void TProcess::Free(TProcess* p) {
  if (!p) return;
  p->Kill();
  // A process freed from inside its own run is released when the run ends.
  if (p->runDepth > 0) {
    p->freePending = true;
    return;
  }
  if (VM().current == p) VM().current = nullptr;
  if (VM().rootProcess == p) VM().rootProcess = nullptr;
  --VM().stats.liveProcesses;
  std::free(p->stack);
  --VM().stats.liveStacks;
  --VM().stats.liveBlocks;
  delete p;
}

}  // namespace ruvel
