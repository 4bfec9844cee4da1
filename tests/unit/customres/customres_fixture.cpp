#include "customres_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "compiler/compile_driver.h"
#include "io/paths.h"
#include "platform/cp932.h"
#include "runtime/cmml.h"
#include "runtime/custom_resource.h"
#include "runtime/resource_loader.h"
#include "runtime/resource_tree.h"
#include "runtime/rtti.h"
#include "runtime/startup.h"
#include "vm/gc.h"
#include "vm/symbols.h"
#include "vm/vm_state.h"

namespace ruvel::test {

namespace fs = std::filesystem;

namespace {

// The tests' own custom resource classes (file name -> source).
const std::pair<const char*, const char*> kClasses[] = {
    {"note",
     "// A note with a title and a body; counts its preparations and says\n"
     "// which node went last.\n"
     "extends classes.customres.CustomResource;\n"
     "function onInit() {\n"
     "  $inits = $inits + 1;\n"
     "  $lastInit = getName();\n"
     "  return 2;\n"
     "}\n"
     "function onDestroy() {\n"
     "  $destroyed = getName() + \"@\" + getFullPath();\n"
     "}\n"
     "function text() {\n"
     "  return title + \"/\" + body + \"/\" + count;\n"
     "}\n"},
    {"answer",
     "// Answers onInit with $answer, or ends in a run-time error.\n"
     "extends classes.customres.CustomResource;\n"
     "function onInit() {\n"
     "  var a;\n"
     "  if ($answer == \"error\") {\n"
     "    a = new Array();\n"
     "    return a.get(3);\n"
     "  }\n"
     "  return $answer;\n"
     "}\n"},
    {"Ranking", "extends classes.customres.CustomResource;\n"},
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

void CustomResTest::SetUp() {
  const char* src = std::getenv("RUVEL_SOURCE_DIR");
  fs::path base = src ? fs::path(src) : fs::path(__FILE__).parent_path() / ".." / ".." / "..";
  fs::path kernel = base / "Kernel";
  if (!fs::exists(kernel / "resource.ruvelres")) GTEST_SKIP() << "no kernel at " << kernel;
  std::string templ = (fs::temp_directory_path() / "ruvel_customres_XXXXXX").string();
  ASSERT_NE(mkdtemp(templ.data()), nullptr);
  home = fs::canonical(templ).string();
  fs::copy(kernel, home + "/Kernel", fs::copy_options::recursive);

  // The test classes join the kernel's custom resource list.
  std::string lines;
  for (const auto& [file, source] : kClasses) {
    std::ofstream(home + "/Kernel/classes/customres/" + file + ".ruvel", std::ios::binary) << source;
    lines += std::string("   <class name=\"") + file + "\" src=\"classes/customres/" + file + ".ruvel\">\n";
  }
  std::string list = ReadFile(home + "/Kernel/resource.ruvelres");
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
  sink.logged.clear();
}

void CustomResTest::TearDown() {
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

TResourceList* CustomResTest::Mount(const std::string& markup) {
  Unmount("usr");
  auto node = NodeFromFileMarkup(markup, home);
  auto* list = dynamic_cast<TResourceList*>(node.get());
  if (!list || !ruvel::Mount("usr", node.release())) return nullptr;
  return list;
}

int CustomResTest::Eval(const std::string& statements) {
  return VM().evaluateSnippet("extends classes.lang.Object;" + statements);
}

Value* CustomResTest::Global(const std::string& name) { return ScratchGlobal(name); }

std::string CustomResTest::GlobalText(const std::string& name) {
  Value* v = Global(name);
  return v ? ValueToText(*v) : std::string("<none>");
}

Value* CustomResTest::Member(Instance* obj, const std::string& member) {
  int32_t id = Symbols().Find(member);
  int32_t cache = 0;
  return id < 0 || !obj ? nullptr : FindMemberSlot(obj, id, cache);
}

std::vector<std::string> CustomResTest::Markup(TResource* node) {
  std::vector<std::string> lines;
  node->WriteMarkup(lines, "");
  return lines;
}

}  // namespace ruvel::test
