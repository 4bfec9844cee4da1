// Test support for class files: a program directory in a fresh temporary
// folder, a resource tree with classes.lang.{Object,String,Array}, the
// lists "usr" and "usrglobal", a code emitter that records symbols the way
// the code generator does, and a hand-built class "usr.Game" whose code uses
// every kind of linked operand.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "resources/resource_global.h"
#include "runtime/rtti.h"
#include "vm/vm_fixture.h"

namespace ruvel::test {

// CodeBuilder that also records symbol information.
class Emitter : public CodeBuilder {
 public:
  // Records (op, name) at the next instruction's address plus delta.
  Emitter& Rec(int32_t op, const std::string& name, int32_t delta = 0) {
    symbols.Record(op, Here() + delta, name);
    return *this;
  }
  // The builder's emitters, returning the Emitter so chains can record.
  Emitter& Op(uint32_t op, std::initializer_list<uint32_t> operands = {}) {
    CodeBuilder::Op(op, operands);
    return *this;
  }
  Emitter& PushInt(int32_t i) { return Op(Op_Push, {kInt, static_cast<uint32_t>(i)}); }
  Emitter& PushNull() { return Op(Op_Push, {kNull, 0}); }
  std::unique_ptr<TCompiledInfo> Done(TRTTI* cls) {
    auto info = Finish(cls);
    info->symbols = symbols;
    return info;
  }
  TSymInfoList symbols;
};

// Result of usr.Game's class code: 5 + 17 + 17 + 42 + 1 + 1000 + 3.
constexpr int32_t kGameResult = 1085;

class ClassFileTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a file under the program directory; returns its absolute path.
  std::string WriteSource(const std::string& rel, const std::string& text);
  static std::string ReadFile(const std::string& path);
  static void WriteFile(const std::string& path, const std::string& bytes);
  // An uncompiled class record under "usr".
  TRTTI* NewClass(const std::string& name, const std::string& src);
  // Takes a class out of the tree and frees it.
  void Discard(TRTTI* cls);
  // Removes a global from "usrglobal" so the next lookup makes a new one.
  void DropGlobal(const std::string& name);
  TGlobalValue* Global(const std::string& name);
  // Runs a method ("" for the class code) on a new instance; the int result.
  int32_t Run(TRTTI* cls, const std::string& method = "");

  // usr.Game (extends Object): members x, y; native twice; describe()
  // overrides Object's (super.describe() + 10); constructor(a) sets x and
  // calls the super constructor; main() exercises every linked operand;
  // class code returns main().
  TRTTI* BuildGame(const std::string& src);
  // Method names of a class in table order.
  static std::vector<std::string> MethodNames(const TRTTI* cls);
  static std::vector<std::string> MemberNames(const TRTTI* cls);
  // True when the record holds nothing compiled.
  static bool IsEmpty(const TRTTI* cls);

  CaptureSink sink;
  MessageSink* oldSink = nullptr;
  std::string tempDir;
  std::string prog;  // program directory
  std::string oldProgramDir;
  TResourceList* root = nullptr;
  TResourceList* usr = nullptr;
  TResourceList* globals = nullptr;
  TRTTI* objectClass = nullptr;
  TRTTI* stringClass = nullptr;
  TRTTI* arrayClass = nullptr;
};

// Native "twice": the first argument times two.
void NativeTwice(Value* self, int32_t argc, int32_t reserved);

}  // namespace ruvel::test
