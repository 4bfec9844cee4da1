// Test support for custom resources and markup objects: a program
// directory in a temporary folder with a copy of the real kernel plus a
// few custom resource classes of the tests' own under
// "classes.customres", the script world started with the compiler and
// the custom resource natives, and helpers to mount a "usr" list and to
// run script text.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "runtime/resource.h"
#include "vm/value.h"

namespace ruvel::test {

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

class CustomResTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Builds the markup (the file format) as the list "usr" under the root,
  // replacing an earlier one, and returns it without preparing it.
  TResourceList* Mount(const std::string& markup);
  // Runs script statements in a class derived from classes.lang.Object;
  // 0 when they finished.
  static int Eval(const std::string& statements);
  // The value slot of a script global (created when missing).
  static Value* Global(const std::string& name);
  // The text of a global's value (CP932).
  static std::string GlobalText(const std::string& name);
  // The member slot of an object; none when the class has no such member.
  static Value* Member(Instance* obj, const std::string& member);
  // A markup node's lines as written at the empty indent.
  static std::vector<std::string> Markup(TResource* node);

  CaptureSink sink;
  std::vector<std::string> errors;
  std::string home;

 private:
  MessageSink* oldSink_ = nullptr;
  std::string oldProgramDir_;
};

}  // namespace ruvel::test
