// Test support for custom resources: a program directory in a temporary
// folder with a copy of the real kernel plus the tests' own custom
// resource classes under "classes.customres", the script world started
// with the compiler and the custom resource natives, and helpers to mount
// a "usr" list and to run script text.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compiler/compile_driver.h"
#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/cmml.h"
#include "resources/custom_resource.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"
#include "runtime/startup.h"
#include "vm/gc.h"
#include "vm/symbols.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace fs = std::filesystem;

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(text); }
  void Log(const std::string&) override {}
  std::vector<std::string> shown;
};

// The tests' custom resource classes (name, source).
inline const std::pair<const char*, const char*> kTestClasses[] = {
    {"note",
     "extends classes.customres.CustomResource;\n"
     "function onInit() {\n  $inits = $inits + 1;\n  $lastInit = getName();\n  return 2;\n}\n"
     "function onDestroy() {\n  $destroyed = getName() + \"@\" + getFullPath();\n}\n"
     "function text() {\n  return title + \"/\" + body + \"/\" + count;\n}\n"},
    {"answer",  // answers onInit with $answer, or ends in a run-time error
     "extends classes.customres.CustomResource;\n"
     "function onInit() {\n  var a;\n"
     "  if ($answer == \"error\") {\n    a = new Array();\n    return a.get(3);\n  }\n"
     "  return $answer;\n}\n"},
    {"Ranking", "extends classes.customres.CustomResource;\n"},
};

class CustomResTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* src = std::getenv("RUVEL_SOURCE_DIR");
    fs::path kernel = (src ? fs::path(src) : fs::path(__FILE__).parent_path() / ".." / ".." / "..") / "Kernel";
    if (!fs::exists(kernel / "resource.ruvelres")) GTEST_SKIP() << "no kernel at " << kernel;
    std::string templ = (fs::temp_directory_path() / "ruvel_customres_XXXXXX").string();
    ASSERT_NE(mkdtemp(templ.data()), nullptr);
    home = fs::canonical(templ).string();
    fs::copy(kernel, home + "/Kernel", fs::copy_options::recursive);
    // The test classes join the kernel's custom resource list.
    std::string lines;
    for (const auto& [file, source] : kTestClasses) {
      std::ofstream(home + "/Kernel/classes/customres/" + file + ".ruvel", std::ios::binary) << source;
      lines += std::string("<class name=\"") + file + "\" src=\"classes/customres/" + file + ".ruvel\">\n";
    }
    std::ifstream in(home + "/Kernel/resource.ruvelres", std::ios::binary);
    std::string list((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string anchor = "<resourcelist name=\"customres\">\n";
    size_t at = list.find(anchor);
    ASSERT_NE(at, std::string::npos);
    list.insert(at + anchor.size(), lines);
    std::ofstream(home + "/Kernel/resource.ruvelres", std::ios::binary | std::ios::trunc) << list;

    oldSink_ = SetSink(&sink);
    oldProgramDir_ = ProgramDir();
    SetProgramDir(home);
    VM().showError = [this](const std::string& message, const TTraceList&) { errors.push_back(message); };
    InstallCompiler();
    RegisterNativeTable(CustomResourceNatives);
    StartScriptWorld(home);
    ASSERT_TRUE(errors.empty()) << ToUtf8(errors.front());
    sink.shown.clear();
  }

  void TearDown() override {
    if (home.empty()) return;
    CmmlDocuments().Clear();
    ResetScriptObjects();
    FreeRoot();
    VMState& vm = VM();
    vm.objectClass = vm.stringClass = vm.arrayClass = nullptr;
    vm.arrayXIndex = -1;
    vm.current = nullptr;
    vm.showError = nullptr;
    SetProgramDir(oldProgramDir_);
    SetSink(oldSink_);
    std::error_code ec;
    fs::remove_all(home, ec);
  }

  // Builds the markup (file format) as the list "usr", replacing an
  // earlier one; not prepared.
  TResourceList* Mount(const std::string& markup) {
    Unmount("usr");
    auto node = NodeFromFileMarkup(markup, home);
    auto* list = dynamic_cast<TResourceList*>(node.get());
    return list && ruvel::Mount("usr", node.release()) ? list : nullptr;
  }
  // Runs statements in a class derived from classes.lang.Object; 0 when
  // they finished.
  static int Eval(const std::string& statements) {
    return VM().evaluateSnippet("extends classes.lang.Object;" + statements);
  }
  static Value* Global(const std::string& name) { return ScratchGlobal(name); }
  static std::string GlobalText(const std::string& name) { return ValueToText(*Global(name)); }
  static Value* Member(Instance* obj, const std::string& member) {
    int32_t id = Symbols().Find(member);
    int32_t cache = 0;
    return id < 0 || !obj ? nullptr : FindMemberSlot(obj, id, cache);
  }
  static std::vector<std::string> Markup(TResource* node) {
    std::vector<std::string> lines;
    node->WriteMarkup(lines, "");
    return lines;
  }

  CaptureSink sink;
  std::vector<std::string> errors;
  std::string home;

 private:
  MessageSink* oldSink_ = nullptr;
  std::string oldProgramDir_;
};

}  // namespace ruvel::test
