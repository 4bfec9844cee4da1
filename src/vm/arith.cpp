#include "vm/arith.h"

#include <climits>

#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel {

void RaiseIntZeroDivide() { throw EVMError(J("ゼロによる除算")); }
void RaiseFloatZeroDivide() { throw EVMError(J("0 による浮動小数点数除算")); }
void RaiseFloatOverflow() { throw EVMError(J("浮動小数点数のオーバーフロー")); }
void RaiseFloatInvalid() { throw EVMError(J("不正な浮動小数点数演算命令")); }

int32_t FloatToIntChecked(float f) {
  if (std::isnan(f) || f >= 2147483648.0f || f < -2147483648.0f) RaiseFloatInvalid();
  return static_cast<int32_t>(f);
}

int32_t IntDiv(int32_t a, int32_t b) {
  if (b == 0) RaiseIntZeroDivide();
  if (b == -1) return WrapNeg(a);
  return a / b;
}

int32_t IntMod(int32_t a, int32_t b) {
  if (b == 0) RaiseIntZeroDivide();
  if (b == -1) return 0;
  return a % b;
}

}  // namespace ruvel
