#include "compiler/codegen_fusion.h"

#include <string>

#include "platform/cp932.h"
#include "platform/error.h"
#include "vm/compiled_info.h"
#include "vm/opcodes.h"

namespace ruvel {

namespace {

[[noreturn]] void BadInstruction(uint32_t op) {
  throw ECmpError(J("異常な命令が入っています:") + std::to_string(op));
}

}  // namespace

void FuseCode(TCompiledInfo& info) {
  std::vector<uint32_t>& code = info.code;
  const size_t n = code.size();
  // The word after an instruction of w words, or an invalid opcode past the end.
  auto next = [&](size_t i, size_t w) -> uint32_t { return i + w < n ? code[i + w] : kOpcodeCount; };
  size_t i = 0;
  while (i < n) {
    uint32_t op = code[i];
    if (op == Op_Halt) return;
    if (op >= kOpcodeCount || op == Op_LocalValPtr_Deref || op == Op_ArgValPtr_Deref || op == Op_Push_Deref) {
      BadInstruction(op);
    }
    size_t words;
    switch (op) {
      case Op_Push:
        if (next(i, 3) == Op_Deref) {
          code[i] = Op_Push_Deref;
          words = 4;
        } else {
          words = 3;
        }
        break;
      case Op_PushThis:
        if (next(i, 1) == Op_SMemberValPtr) {
          if (next(i, 3) == Op_Deref) {
            code[i] = Op_PushThis_SMemberValPtr_Deref;
            words = 4;
          } else {
            code[i] = Op_PushThis_SMemberValPtr;
            words = 3;
          }
        } else {
          words = 1;
        }
        break;
      case Op_DMemberValPtr:
        if (next(i, 3) == Op_Deref) {
          code[i] = Op_DMemberValPtr_Deref;
          words = 4;
        } else {
          words = 3;
        }
        break;
      case Op_LocalValPtr:
      case Op_ArgValPtr:
        if (next(i, 2) == Op_Deref) {
          code[i] = op == Op_LocalValPtr ? Op_LocalValPtr_Deref : Op_ArgValPtr_Deref;
          words = 3;
        } else {
          words = 2;
        }
        break;
      case Op_PushString:
        if (i + 1 >= n) BadInstruction(op);
        words = 2 + code[i + 1] / 4;
        break;
      default:
        words = static_cast<size_t>(OpInfo(op)->words);
        break;
    }
    i += words;
  }
}

}  // namespace ruvel
