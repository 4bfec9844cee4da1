// Fast forms of natives: for a native that a method only wraps (the method
// hands one of its members and its own arguments to the native and
// returns), the interpreter can do the whole call in place when the
// native's fast form accepts the operands. A fast form does the native's
// work only when that cannot fail or report anything; otherwise it
// returns false having changed nothing, and the call runs normally.
#pragma once
#include <cstdint>

#include "vm/value.h"

namespace ruvel {

// member: the member the method passes first; args[-j]: the method's
// argument j (as many as the native takes after the member); out: the
// native's result, which starts as the receiver (a native that returns
// nothing leaves it). Values are not retained by the form.
using FastNative = bool (*)(const Value& member, const Value* args, Value& out);
using SlowNative = void (*)(Value* self, int32_t argc, int32_t reserved);

void RegisterFastNative(SlowNative native, FastNative fast);
// The fast form registered for native, or nullptr.
FastNative FastFormOf(SlowNative native);

}  // namespace ruvel
