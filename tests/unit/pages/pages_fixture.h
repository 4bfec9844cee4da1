// Test support for pages, projects and generators: a program directory in
// a temporary folder with a copy of the real kernel, the script world
// started with the compiler and this module's natives, and helpers to
// write page files and read globals.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_sink.h"
#include "vm/value.h"

namespace ruvel::test {

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  // True when a shown message (UTF-8) contains the fragment.
  bool Shown(const std::string& utf8Fragment) const;
  bool Logged(const std::string& utf8Fragment) const;
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

class PagesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A path under the program directory.
  std::string Path(const std::string& rel) const { return home + "/" + rel; }
  // Writes text (UTF-8 in the test, CP932 on disk) under the program
  // directory, creating folders; returns the full path.
  std::string Write(const std::string& rel, const std::string& text) const;
  // The lines of a file without their line ends.
  static std::vector<std::string> ReadLines(const std::string& path);
  // A page file with the given classes (name -> source) and the lines of
  // its "gen" list.
  std::string WritePage(const std::string& rel, const std::vector<std::pair<std::string, std::string>>& classes,
                        const std::vector<std::string>& genLines, const std::string& extraLines = "") const;
  // The value slot of a global (created when missing).
  static Value* Global(const std::string& name);
  // The member of an object held by a global; none when absent.
  static Value* Member(const std::string& global, const std::string& member);
  // Runs the root process for n update steps.
  static void Steps(int n);

  CaptureSink sink;
  std::vector<std::string> errors;
  std::string home;

 private:
  MessageSink* oldSink_ = nullptr;
  std::string oldProgramDir_;
  std::string oldPageDir_;
  std::string oldCwd_;
};

}  // namespace ruvel::test
