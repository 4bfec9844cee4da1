#include "vm/opcodes.h"

#include <cstdio>

#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/compiled_info.h"
#include "vm/value.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {
const OpcodeInfo kTable[kOpcodeCount] = {
#define RUVEL_OP_INFO(code, name, words, text, fmt, need, delta) {"Op_" #name, words, text, OperandFormat::fmt, need, delta},
    RUVEL_OPCODES(RUVEL_OP_INFO)
#undef RUVEL_OP_INFO
};

std::string ClassText(uint32_t h) {
  auto* cls = static_cast<TRTTI*>(VM().handles.Get(h, HandleKind::kClass));
  if (!cls) return "?@" + std::to_string(h);
  return cls->name + "@" + std::to_string(cls->handle);
}

std::string FunctionText(uint32_t h) {
  auto* f = static_cast<TFunction*>(VM().handles.Get(h, HandleKind::kFunction));
  return f ? f->GetName() : std::string("?");
}
}  // namespace

const OpcodeInfo* OpInfo(uint32_t op) { return op < kOpcodeCount ? &kTable[op] : nullptr; }

const char* OpcodeName(uint32_t op) { return op < kOpcodeCount ? kTable[op].tableName : "Invalid Code"; }

int32_t InstructionSize(const uint32_t* p) {
  const OpcodeInfo* info = OpInfo(p[0]);
  if (!info) return 0;
  if (p[0] == Op_PushString) return 8 + static_cast<int32_t>(p[1]);
  return info->words * 4;
}

Value InlineValue(uint32_t tagWord, uint32_t payload) {
  Value v = MakeNull();
  v.tag = static_cast<uint8_t>(tagWord & 0xff);
  if (v.tag == kRef) {
    Value* slot = static_cast<Value*>(VM().handles.Get(payload, HandleKind::kValueSlot));
    v.ref = slot ? slot : &VM().scratch;
  } else if (v.tag == kObject || v.tag == kHost || v.tag > kUninit) {
    // Bytecode never carries objects or host pointers inline.
    v = MakeNull();
  } else {
    v.i = static_cast<int32_t>(payload);
  }
  return v;
}

void ListCode(const TCompiledInfo& info, int32_t start, std::vector<std::string>& lines) {
  const uint32_t* base = info.code.data();
  const int32_t length = info.LengthBytes();
  int32_t addr = start;
  while (addr >= 0 && addr + 4 <= length) {
    const uint32_t* p = base + addr / 4;
    uint32_t op = p[0];
    if (op == Op_Halt) return;
    const OpcodeInfo* oi = OpInfo(op);
    int32_t size = oi ? InstructionSize(p) : 0;
    if (!oi || oi->format == OperandFormat::kBad || size <= 0 || addr + size > length) {
      throw EVMError(J("異常な命令が入っています"));
    }
    char head[16];
    std::snprintf(head, sizeof head, "%08X:", static_cast<unsigned>(addr));
    std::string line = std::string(head) + oi->listing;
    auto i32 = [&](int k) { return std::to_string(static_cast<int32_t>(p[k])); };
    switch (oi->format) {
      case OperandFormat::kNone:
      case OperandFormat::kBad:
        break;
      case OperandFormat::kValue:
        line += " " + ValueToText(InlineValue(p[1], p[2]));
        break;
      case OperandFormat::kText: {
        const char* text = reinterpret_cast<const char*>(p + 2);
        size_t maxLen = p[1];
        size_t n = 0;
        while (n < maxLen && text[n] != '\0') ++n;
        line += " " + std::string(text, n);
        break;
      }
      case OperandFormat::kInt1:
        line += " " + i32(1);
        break;
      case OperandFormat::kMemberName:
        line += " " + SymbolName(static_cast<int32_t>(p[1]));
        break;
      case OperandFormat::kInt2:
        line += " " + i32(2);
        break;
      case OperandFormat::kCallName:
        line += " " + i32(1) + "," + SymbolName(static_cast<int32_t>(p[2]));
        break;
      case OperandFormat::kCallIndex:
        line += " " + i32(1) + "," + i32(2);
        break;
      case OperandFormat::kCallFunc:
        line += " " + i32(1) + "," + FunctionText(p[2]);
        break;
      case OperandFormat::kClassCall:
        line += " " + i32(1) + "," + ClassText(p[2]);
        break;
      case OperandFormat::kClass1:
        line += " " + ClassText(p[1]);
        break;
      case OperandFormat::kJump:
        line += i32(1);
        break;
      case OperandFormat::kPoint: {
        auto* cls = static_cast<TRTTI*>(VM().handles.Get(p[1], HandleKind::kClass));
        line += " " + (cls ? cls->name : std::string("?")) + "/" + i32(2);
        break;
      }
    }
    lines.push_back(line);
    addr += size;
  }
}

}  // namespace ruvel
