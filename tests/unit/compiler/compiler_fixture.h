// Test support for the compiler: a fresh resource root with "usrglobal" and
// minimal Object, String and Array classes compiled from source (with the
// core natives they declare bound), the compiler installed in the VM,
// captured messages and errors, and helpers that compile a class and list
// its code.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compile_driver.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource.h"
#include "runtime/rtti.h"
#include "vm/compiled_info.h"
#include "vm/vm_state.h"

namespace ruvel::test {

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

// One error shown through the VM's message display.
struct ShownError {
  std::string message;
  TTraceList trace;
};

class CompilerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A class named name in the list "t" under the root, compiled from source
  // with errors reported. *result receives CompileClass's result.
  TRTTI* Compile(const std::string& name, const std::string& source, int* result = nullptr);
  // Compiles a class that must compile without error.
  TRTTI* MustCompile(const std::string& name, const std::string& source);
  // The message of the one error that compiling source raises ("" if none).
  std::string CompileError(const std::string& source);

  // The code listing without addresses: "Op arg; Op arg; ..." (a listing
  // stopped by an unlistable instruction ends with "!").
  static std::string Ops(const TCompiledInfo& info);
  // The listing lines with their addresses.
  static std::vector<std::string> Lines(const TCompiledInfo& info);
  // The code of a method of cls.
  static const TCompiledInfo& MethodCode(TRTTI* cls, const std::string& method);
  // The member index of name in cls, -1 when absent.
  static int32_t MemberIndex(TRTTI* cls, const std::string& name);

  // Runs a snippet and returns the text of global name afterwards.
  std::string EvalGlobal(const std::string& statements, const std::string& global, int* result = nullptr);

  CaptureSink sink;
  std::vector<ShownError> errors;
  TResourceList* root = nullptr;
  TResourceList* testList = nullptr;
  TRTTI* objectClass = nullptr;
  TRTTI* stringClass = nullptr;
  TRTTI* arrayClass = nullptr;

 private:
  MessageSink* oldSink_ = nullptr;
  decltype(VMState::showError) oldShowError_;
  decltype(VMState::compileClass) oldCompile_;
  decltype(VMState::evaluateSnippet) oldEvaluate_;
};

// Sources of the minimal core classes.
extern const char kObjectSource[];
extern const char kStringSource[];
extern const char kArraySource[];

}  // namespace ruvel::test
