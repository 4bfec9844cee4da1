// Argument access for the screen module's natives: argument k (1-based) is
// the slot k below the receiver, which is also the result slot.
#pragma once
#include <cstdint>

#include "vm/value.h"

namespace ruvel {

inline Value& NArg(Value* self, int32_t k) { return self[-k]; }
inline int32_t NInt(Value* self, int32_t k) { return ValueToInt(self[-k]); }
inline double NFloat(Value* self, int32_t k) { return ValueToFloat(self[-k]); }
inline bool NTrue(Value* self, int32_t k) { return ValueIsTrue(self[-k]); }
// A colour argument 0xBBGGRR.
inline uint32_t NColor(Value* self, int32_t k) { return uint32_t(ValueToInt(self[-k])) & 0xFFFFFF; }
// The argument is the number 1 (an integer 1 or a float 1.0).
inline bool NIsOne(Value* self, int32_t k) {
  const Value& v = self[-k];
  return (v.tag == kInt && v.i == 1) || (v.tag == kFloat && v.f == 1.0f);
}

}  // namespace ruvel
