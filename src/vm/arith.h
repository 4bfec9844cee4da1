// Arithmetic helpers of the interpreter: 32-bit wrap-around integer
// operations without undefined behaviour, and float operations whose
// zero-divide, overflow and invalid cases raise run-time errors.
#pragma once
#include <cmath>
#include <cstdint>

namespace ruvel {

inline int32_t WrapAdd(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
inline int32_t WrapSub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
inline int32_t WrapMul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }
inline int32_t WrapNeg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }

[[noreturn]] void RaiseIntZeroDivide();
[[noreturn]] void RaiseFloatZeroDivide();
[[noreturn]] void RaiseFloatOverflow();
[[noreturn]] void RaiseFloatInvalid();

// Checks a float result made from the operands: an infinite result from
// finite operands overflowed; a NaN from non-NaN operands was invalid.
inline float CheckFloat(float r, float a, float b) {
  if (__builtin_expect(!std::isfinite(r), 0)) {
    if (std::isnan(r)) {
      if (!std::isnan(a) && !std::isnan(b)) RaiseFloatInvalid();
    } else if (std::isfinite(a) && std::isfinite(b)) {
      RaiseFloatOverflow();
    }
  }
  return r;
}

inline float FloatAdd(float a, float b) { return CheckFloat(a + b, a, b); }
inline float FloatSub(float a, float b) { return CheckFloat(a - b, a, b); }
inline float FloatMul(float a, float b) { return CheckFloat(a * b, a, b); }
inline float FloatDiv(float a, float b) {
  if (b == 0.0f) {
    if (a == 0.0f || std::isnan(a)) RaiseFloatInvalid();
    RaiseFloatZeroDivide();
  }
  return CheckFloat(a / b, a, b);
}
// Widens an int to the single-precision float the VM computes with.
inline float IntToFloat(int32_t i) { return static_cast<float>(i); }
// Truncates toward zero; a NaN or a value outside the int range is an
// invalid operation.
int32_t FloatToIntChecked(float f);
// Integer quotient and remainder with truncating division; the divisor 0
// raises; INT_MIN / -1 wraps to INT_MIN with remainder 0.
int32_t IntDiv(int32_t a, int32_t b);
int32_t IntMod(int32_t a, int32_t b);

}  // namespace ruvel
