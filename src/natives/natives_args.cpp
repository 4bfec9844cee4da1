#include "natives/natives_args.h"

#include <cstring>

#include "vm/symbols.h"
#include "vm/tfstring.h"
#include "vm/vm_state.h"

namespace ruvel {

std::string ReceiverText(const Value& v) {
  if (v.tag == kObject && v.obj) {
    Value* body = FindMemberSlot(v.obj, kSymBody, VM().bodyCache);
    if (body && body->tag == kHost && body->host) {
      if (auto* s = dynamic_cast<TfString*>(body->host)) return s->text;
    }
    if (body) return std::string();
  }
  return ValueToText(v);
}

bool SameIdentity(const Value& a, const Value& b) {
  if (a.tag != b.tag) return false;
  switch (a.tag) {
    case kNull:
      return true;
    case kInt:
    case kError:
    case kUninit:
      return a.i == b.i;
    case kFloat: {
      uint32_t x, y;
      std::memcpy(&x, &a.f, 4);
      std::memcpy(&y, &b.f, 4);
      return x == y;
    }
    case kObject:
      return a.obj == b.obj;
    case kRef:
      return a.ref == b.ref;
    case kHost:
      return a.host == b.host;
    default:
      return a.bits == b.bits;
  }
}

}  // namespace ruvel
