#include "compiler/codegen_writer.h"

#include <cstring>

#include "platform/cp932.h"
#include "platform/error.h"
#include "runtime/function.h"
#include "runtime/rtti.h"
#include "vm/symbols.h"

namespace ruvel {

namespace {
constexpr size_t kInitialBuffer = 256;
}

TProgWriter::TProgWriter(TRTTI* cls) : buf_(kInitialBuffer), cls_(cls) {}

void TProgWriter::Reserve(size_t bytes) {
  size_t need = static_cast<size_t>(pos_) + bytes;
  if (need <= buf_.size()) return;
  size_t size = buf_.size();
  while (size < need) size *= 2;
  buf_.resize(size);
}

void TProgWriter::Emit(std::initializer_list<uint32_t> words) {
  size_t bytes = words.size() * 4;
  Reserve(bytes);
  // Words are little-endian, which is the host's own order.
  std::memcpy(buf_.data() + pos_, words.begin(), bytes);
  pos_ += static_cast<int32_t>(bytes);
  if (pos_ > length_) length_ = pos_;
  bytesWritten_ += static_cast<int64_t>(bytes);
  ++instructionsWritten_;
}

void TProgWriter::PushValue(const Value& v) {
  uint32_t payload = 0;
  switch (v.tag) {
    case kNull:
      break;
    case kInt:
      payload = static_cast<uint32_t>(v.i);
      break;
    case kFloat:
      std::memcpy(&payload, &v.f, 4);
      break;
    default:
      throw ERuvel("WritePush Error");
  }
  Record(Op_Push, "");
  Emit({Op_Push, v.tag, payload});
}

void TProgWriter::PushGlobal(uint32_t slotHandle, const std::string& globalName) {
  Record(Op_Push, globalName);
  Emit({Op_Push, kRef, slotHandle});
}

void TProgWriter::PushString(const std::string& text) {
  int32_t area = PushStringArea(text.size());
  size_t bytes = 8 + static_cast<size_t>(area);
  Reserve(bytes);
  uint8_t* p = buf_.data() + pos_;
  uint32_t head[2] = {Op_PushString, static_cast<uint32_t>(area)};
  std::memcpy(p, head, 8);
  std::memset(p + 8, 0, static_cast<size_t>(area));
  std::memcpy(p + 8, text.data(), text.size());
  pos_ += static_cast<int32_t>(bytes);
  if (pos_ > length_) length_ = pos_;
  bytesWritten_ += static_cast<int64_t>(bytes);
  ++instructionsWritten_;
}

void TProgWriter::StaticMember(int32_t index, const std::string& memberName) {
  Record(Op_SMemberValPtr, memberName);
  Emit({Op_SMemberValPtr, static_cast<uint32_t>(index)});
}

void TProgWriter::DynamicMember(const std::string& memberName) {
  Record(Op_DMemberValPtr, memberName);
  Emit({Op_DMemberValPtr, static_cast<uint32_t>(Intern(memberName)), 0});
}

void TProgWriter::DynamicCall(int32_t argc, const std::string& methodName) {
  Record(Op_DCall, methodName);
  Emit({Op_DCall, static_cast<uint32_t>(argc), static_cast<uint32_t>(Intern(methodName)), 0});
}

void TProgWriter::StaticCall(int32_t argc, int32_t index, const std::string& methodName) {
  Record(Op_SCall, methodName);
  Emit({Op_SCall, static_cast<uint32_t>(argc), static_cast<uint32_t>(index)});
}

void TProgWriter::SuperCall(int32_t argc, const TFunction& f, const std::string& methodName) {
  Record(Op_SuperCall, methodName);
  Emit({Op_SuperCall, static_cast<uint32_t>(argc), f.handle});
}

void TProgWriter::NativeCall(int32_t argc, const TFunction& f, const std::string& methodName) {
  Record(Op_NativeCall, methodName);
  Emit({Op_NativeCall, static_cast<uint32_t>(argc), f.handle});
}

void TProgWriter::Construct(int32_t argc, const TRTTI& cls) {
  Record(Op_Constructor, FullName(&cls));
  Emit({Op_Constructor, static_cast<uint32_t>(argc), cls.handle});
}

void TProgWriter::Is(const TRTTI& cls) {
  Record(Op_Is, FullName(&cls));
  Emit({Op_Is, cls.handle});
}

void TProgWriter::Operator(const std::string& text) {
  Opcode op;
  const bool one = text.size() == 1;
  switch (text.empty() ? '\0' : text[0]) {
    case '!':
      op = Op_NEQ;
      break;
    case '%':
      op = Op_Mod;
      break;
    case '&':
      op = Op_And;
      break;
    case '*':
      op = Op_Mul;
      break;
    case '+':
      op = one ? Op_Add : Op_AddSubst;
      break;
    case '-':
      op = one ? Op_Sub : Op_SubSubst;
      break;
    case '/':
      op = Op_Div;
      break;
    case '<':
      op = one ? Op_LT : Op_LTE;
      break;
    case '=':
      op = one ? Op_Subst : Op_EQ;
      break;
    case '>':
      op = one ? Op_GT : Op_GTE;
      break;
    case '|':
      op = Op_Or;
      break;
    default:
      throw ECmpError(J("不明な演算子です:") + text);
  }
  Op(op);
}

int32_t TProgWriter::Jump(Opcode op, int32_t offset) {
  int32_t at = pos_;
  Emit({op, static_cast<uint32_t>(offset)});
  return at;
}

void TProgWriter::PatchJump(int32_t address, int32_t target) {
  // Only the offset word changes; the opcode stays.
  uint32_t offset = static_cast<uint32_t>(target - address);
  std::memcpy(buf_.data() + address + 4, &offset, 4);
}

void TProgWriter::Mark(int32_t sourcePos) { symbols_.Record(Op_Point, pos_, std::to_string(sourcePos)); }

std::unique_ptr<TCompiledInfo> TProgWriter::Finish() {
  auto info = std::make_unique<TCompiledInfo>();
  info->code.resize(static_cast<size_t>(length_) / 4);
  std::memcpy(info->code.data(), buf_.data(), info->code.size() * 4);
  info->symbols = std::move(symbols_);
  info->cls = cls_;
  buf_.clear();
  buf_.shrink_to_fit();
  symbols_ = TSymInfoList();
  return info;
}

}  // namespace ruvel
