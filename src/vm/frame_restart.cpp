#include "vm/frame_restart.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/function.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// True when pc lies in code that func no longer runs for new calls.
bool RunsRetiredCode(const TFunction* func, const uint32_t* pc) {
  if (!func || func->isNative || !pc) return false;
  auto* nf = static_cast<const TNormalFunction*>(func);
  if (!nf->Code || nf->Code->Holds(pc)) return false;
  for (const auto& old : nf->Retired) {
    if (old->Holds(pc)) return true;
  }
  return false;
}

void Drop(Value& v) {
  Value old = v;
  v = MakeNull();
  // A count that is already wrong must not stop the rest being released.
  try {
    Release(old);
  } catch (const ERuvel&) {
  }
}

}  // namespace

Value* OutdatedFrame(TProcess* p) {
  Value* outdated = nullptr;
  Value* f = p->fp;
  const uint32_t* pc = p->ip;
  int guard = 0;
  while (f && guard++ < kStackSlots) {
    FrameData* fd = FrameOf(f);
    if (RunsRetiredCode(fd->func, pc)) outdated = f;
    pc = fd->returnAddr;
    f = fd->savedFp;
  }
  return outdated;
}

void RestartFrame(TProcess* p, Value* frame) {
  auto* nf = static_cast<TNormalFunction*>(FrameOf(frame)->func);
  int32_t m = nf->LocalCount();
  if (frame - (m > 0 ? m - 1 : 0) < p->stack) throw EVMError(J("スタックがあふれました"));
  TCompiledInfo* code = nf->Code.get();
  code->EnsureVerified(m);
  // The frames above: their temporaries and locals, then their arguments
  // and receivers (the frame data slots between hold no values).
  Value* low = p->sp;
  Value* f = p->fp;
  int guard = 0;
  while (f && f != frame && guard++ < kStackSlots) {
    for (Value* s = low; s <= f; ++s) Drop(*s);
    FrameData* fd = FrameOf(f);
    for (int32_t k = fd->argc; k >= 0; --k) Drop(*(fd->receiver - k));
    low = fd->receiver + 1;
    f = fd->savedFp;
  }
  if (f != frame) throw EVMError(J("異常な命令が入っています"));
  // The frame's own temporaries and locals; its arguments and receiver stay.
  for (Value* s = low; s <= frame; ++s) Drop(*s);
  for (int32_t k = 0; k < m; ++k) frame[-k] = MakeNull();
  FrameData* fd = FrameOf(frame);
  p->fp = frame;
  p->sp = frame - (m - 1);
  p->receiver = fd->receiver;
  p->ip = code->RunStart();
  p->pos[0] = fd->pos[0];
  p->pos[1] = fd->pos[1];
  p->pos[2] = fd->pos[2];
}

bool RestartIfOutdated(TProcess* p, bool atSuspend) {
  VMState& vm = VM();
  if (p->codeGeneration == vm.codeGeneration) return false;
  bool moved = static_cast<int32_t>(p->codeGeneration - vm.layoutGeneration) < 0;
  if (!atSuspend && !moved) return false;
  p->codeGeneration = vm.codeGeneration;
  Value* frame = OutdatedFrame(p);
  if (!frame) return false;
  RestartFrame(p, frame);
  return true;
}

}  // namespace ruvel
