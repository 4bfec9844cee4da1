// TProgWriter: the code buffer that one method body or class body is
// compiled into. It emits instructions word by word at a write position
// (jumps are patched by writing below the end), records the symbol
// information that linking a class file needs, and hands the finished
// buffer over as a TCompiledInfo.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "vm/compiled_info.h"
#include "vm/opcodes.h"
#include "vm/value.h"

namespace ruvel {

class TFunction;
class TRTTI;

class TProgWriter {
 public:
  explicit TProgWriter(TRTTI* cls);

  // Write position and length in bytes. Writing below the length
  // overwrites what stands there.
  int32_t Position() const { return pos_; }
  void SetPosition(int32_t pos) { pos_ = pos; }
  void SeekEnd() { pos_ = length_; }
  int32_t Length() const { return length_; }

  // Diagnostics: bytes and instructions emitted so far.
  int64_t BytesWritten() const { return bytesWritten_; }
  int64_t InstructionsWritten() const { return instructionsWritten_; }
  const TSymInfoList& Symbols() const { return symbols_; }

  // One instruction: its words at the write position.
  void Emit(std::initializer_list<uint32_t> words);
  // An instruction without operands (Pop, Add, Ret, Halt ...).
  void Op(Opcode op) { Emit({op}); }

  // Inline constants. PushValue takes null, integer and float values and
  // raises "WritePush Error" for anything else.
  void PushValue(const Value& v);
  void PushInt(int32_t n) { PushValue(MakeInt(n)); }
  void PushFloat(float x) { PushValue(MakeFloat(x)); }
  void PushNull() { PushValue(MakeNull()); }
  // A reference to a global's value slot, named for linking.
  void PushGlobal(uint32_t slotHandle, const std::string& globalName);
  void PushString(const std::string& text);

  void StaticMember(int32_t index, const std::string& memberName);
  void DynamicMember(const std::string& memberName);
  void Local(int32_t index) { Emit({Op_LocalValPtr, static_cast<uint32_t>(index)}); }
  void Arg(int32_t index) { Emit({Op_ArgValPtr, static_cast<uint32_t>(index)}); }

  void DynamicCall(int32_t argc, const std::string& methodName);
  void StaticCall(int32_t argc, int32_t index, const std::string& methodName);
  void SuperCall(int32_t argc, const TFunction& f, const std::string& methodName);
  void NativeCall(int32_t argc, const TFunction& f, const std::string& methodName);
  void Construct(int32_t argc, const TRTTI& cls);
  void Is(const TRTTI& cls);

  // The binary or assignment instruction of an operator token ("+", "<=",
  // "+=" ...), chosen by its first character and then its length.
  void Operator(const std::string& text);

  // A jump-like instruction (Jump, JumpZero, Jump_And, Jump_Or, DoForIn)
  // with a byte offset from its own address; returns that address.
  int32_t Jump(Opcode op, int32_t offset);
  // Rewrites the jump at address so that it lands on target.
  void PatchJump(int32_t address, int32_t target);
  // Emits nothing: records that the statement at source offset p starts
  // at the current code address.
  void Mark(int32_t sourcePos);

  // Hands the code and the symbols over (the writer is spent afterwards).
  std::unique_ptr<TCompiledInfo> Finish();

 private:
  void Record(Opcode op, const std::string& name) { symbols_.Record(op, pos_, name); }
  void Reserve(size_t bytes);

  std::vector<uint8_t> buf_;
  int32_t pos_ = 0;
  int32_t length_ = 0;
  int64_t bytesWritten_ = 0;
  int64_t instructionsWritten_ = 0;
  TSymInfoList symbols_;
  TRTTI* cls_;
};

}  // namespace ruvel
