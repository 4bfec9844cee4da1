// Test support for the resource tree: a scratch directory that is also the
// base directory, captured message boxes, a fresh root per test and a
// recording stand-in for the snippet evaluator.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"
#include "vm/vm_state.h"

namespace ruvel::test {

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string& text) override { logged.push_back(text); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

class TreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldSink_ = SetSink(&sink);
    std::string templ = (std::filesystem::temp_directory_path() / "ruvel_res_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    dir = templ;
    oldBase_ = BaseDir();
    SetBaseDir(dir);
    oldEval_ = VM().evaluateSnippet;
    VM().evaluateSnippet = nullptr;
    ResourceTree().urls.Clear();
  }
  void TearDown() override {
    FreeRoot();
    VM().evaluateSnippet = oldEval_;
    SetBaseDir(oldBase_);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    SetSink(oldSink_);
  }

  std::string Path(const std::string& rel) const { return dir + "/" + rel; }
  void Write(const std::string& rel, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(Path(rel)).parent_path());
    std::ofstream(Path(rel), std::ios::binary) << text;
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(Path(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& rel) const { return std::filesystem::exists(Path(rel)); }
  // Loads the file as the root of the tree.
  TResource* LoadRoot(const std::string& rel) {
    SetRoot(LoadResourceFile(rel));
    return VM().root;
  }
  // A root list with the list "usrglobal" (as the kernel list has).
  TResourceList* EmptyRoot() {
    auto* root = new TResourceList();
    root->name = "root";
    auto* globals = new TResourceList();
    globals->name = "usrglobal";
    root->AddChild(globals);
    SetRoot(std::unique_ptr<TResource>(root));
    return root;
  }
  static std::vector<std::string> Markup(TResource* node) {
    std::vector<std::string> lines;
    node->WriteMarkup(lines, "");
    return lines;
  }

  CaptureSink sink;
  std::string dir;

 private:
  MessageSink* oldSink_ = nullptr;
  std::string oldBase_;
  std::function<int(const std::string&)> oldEval_;
};

}  // namespace ruvel::test
