// Translation of verified code into the form the interpreter runs: a copy
// of the code with the head word of each frequent instruction group
// replaced by a fused opcode (vm/fused_ops.h).
#pragma once
#include <cstdint>
#include <vector>

#include "vm/compiled_info.h"

namespace ruvel {

// Fills run with the translated copy of code, which must have passed
// verification (every instruction whole and inside the buffer). Groups
// never overlap. Returns the number of groups fused.
int32_t TranslateCode(const std::vector<uint32_t>& code, std::vector<uint32_t>& run);

// Fills w with the wrapper shape of verified code that has one (w.tail
// stays kNone otherwise).
void FindNativeWrapper(const std::vector<uint32_t>& code, NativeWrapper& w);

}  // namespace ruvel
