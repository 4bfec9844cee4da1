// Test support: builds bytecode by hand and sets up the minimal classes the
// interpreter needs (Object, String, Array) under a fresh resource root.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/interpreter.h"
#include "vm/opcodes.h"
#include "vm/process.h"
#include "vm/value_list.h"
#include "vm/vm_state.h"

namespace ruvel::test {

// Collects message boxes instead of printing them.
class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

// Emits instruction words; jumps are patched through labels.
class CodeBuilder {
 public:
  int32_t Here() const { return static_cast<int32_t>(words.size() * 4); }
  CodeBuilder& Op(uint32_t op, std::initializer_list<uint32_t> operands = {}) {
    words.push_back(op);
    for (uint32_t w : operands) words.push_back(w);
    return *this;
  }
  CodeBuilder& PushInt(int32_t i) { return Op(Op_Push, {kInt, static_cast<uint32_t>(i)}); }
  CodeBuilder& PushFloat(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return Op(Op_Push, {kFloat, bits});
  }
  CodeBuilder& PushNull() { return Op(Op_Push, {kNull, 0}); }
  CodeBuilder& PushString(const std::string& text) {
    int32_t area = PushStringArea(text.size());
    words.push_back(Op_PushString);
    words.push_back(static_cast<uint32_t>(area));
    std::vector<uint32_t> buf(area / 4, 0);
    std::memcpy(buf.data(), text.data(), text.size());
    words.insert(words.end(), buf.begin(), buf.end());
    return *this;
  }
  // A jump-like instruction whose offset is filled in by Bind(label).
  CodeBuilder& Jump(uint32_t op, int label) {
    fixups.push_back({label, Here(), static_cast<int32_t>(words.size() + 1)});
    return Op(op, {0});
  }
  CodeBuilder& Bind(int label) {
    if (labels.size() <= static_cast<size_t>(label)) labels.resize(label + 1, -1);
    labels[label] = Here();
    return *this;
  }
  std::unique_ptr<TCompiledInfo> Finish(TRTTI* cls) {
    for (auto& f : fixups) words[f.wordIndex] = static_cast<uint32_t>(labels[f.label] - f.instrAddr);
    auto info = std::make_unique<TCompiledInfo>();
    info->code = words;
    info->cls = cls;
    return info;
  }
  std::vector<uint32_t> words;

 private:
  struct Fixup {
    int label;
    int32_t instrAddr;
    int32_t wordIndex;
  };
  std::vector<Fixup> fixups;
  std::vector<int32_t> labels;
};

class VMTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A compiled class under the root with the given members.
  TRTTI* MakeClass(const std::string& name, std::vector<std::string> members = {}, TRTTI* parent = nullptr);
  // Adds a normal function (or constructor/destructor) with code.
  TNormalFunction* AddFunction(TRTTI* cls, FunctionKind kind, const std::string& name, CodeBuilder& code,
                               std::vector<std::string> params = {}, std::vector<std::string> locals = {});
  TNativeFunction* AddNative(TRTTI* cls, const std::string& name, NativeHandler h);
  // Runs code as the class body of a fresh class on a new instance and
  // returns a copy of the result (retained, released at tear-down).
  Value RunCode(CodeBuilder& code, int32_t budget = 0, TProcess** keep = nullptr);
  std::string RunText(CodeBuilder& code) { return ValueToText(RunCode(code)); }
  Value NewArray(std::vector<Value> cells);

  CaptureSink sink;
  MessageSink* oldSink = nullptr;
  TResourceList* root = nullptr;
  TRTTI* objectClass = nullptr;
  TRTTI* stringClass = nullptr;
  TRTTI* arrayClass = nullptr;
  std::vector<Value> held;
  std::vector<TProcess*> processes;
  std::vector<std::unique_ptr<TValueList>> lists;
  int classCounter = 0;
};

}  // namespace ruvel::test
