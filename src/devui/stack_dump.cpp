#include "devui/stack_dump.h"

#include "platform/error.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/compiled_info.h"
#include "vm/opcodes.h"
#include "vm/process.h"
#include "vm/value.h"

namespace ruvel {

TCompiledInfo* CurrentCode(const TProcess* p) {
  if (!p || !p->fp || p->released) return nullptr;
  FrameData* fd = FrameOf(p->fp);
  return FrameCode(fd->func, fd->receiver, p->ip);
}

int32_t CurrentAddress(const TProcess* p) {
  TCompiledInfo* code = CurrentCode(p);
  if (!code || !p->ip) return -1;
  return code->AddressOf(p->ip);
}

std::vector<std::string> ListingOf(const TCompiledInfo& code, int32_t start) {
  std::vector<std::string> lines;
  try {
    ListCode(code, start, lines);
  } catch (const ERuvel& e) {
    lines.push_back(e.Message());
  }
  return lines;
}

std::vector<std::string> ListingFromCurrent(const TProcess* p) {
  TCompiledInfo* code = CurrentCode(p);
  int32_t address = CurrentAddress(p);
  if (!code || address < 0) return {};
  return ListingOf(*code, address);
}

std::vector<std::string> StackDump(const TProcess* p) {
  std::vector<std::string> lines;
  if (!p || p->released || !p->stack) return lines;
  Value* const top = p->stack + kStackSlots;  // one past the last slot
  auto inside = [&](const Value* s) { return s >= p->stack && s < top; };
  Value* from = p->sp;
  Value* f = p->fp;
  // Frames are chained through the stack itself; a damaged chain must not
  // walk outside the block or forever.
  int guard = 0;
  while (f && inside(f) && guard++ < kStackSlots) {
    lines.push_back("stacks");
    for (Value* s = from; s <= f; ++s) {
      if (inside(s)) lines.push_back(ValueToText(*s));
    }
    FrameData* fd = FrameOf(f);
    Value* recv = fd->receiver;
    lines.push_back("args/this " + std::to_string(fd->argc));
    for (int32_t k = fd->argc; k >= 0; --k) {
      Value* s = recv - k;
      if (inside(s)) lines.push_back(ValueToText(*s));
    }
    from = recv + 1;
    f = fd->savedFp;
  }
  lines.push_back("-----------");
  lines.push_back(ValueToText(p->stack[kStackSlots - 1]));
  return lines;
}

}  // namespace ruvel
