#include "compiler_fixture.h"

#include "compiler/snippet.h"
#include "platform/error.h"
#include "runtime/function.h"
#include "natives/native_table.h"
#include "resources/resource_tree.h"
#include "vm/interpreter.h"
#include "vm/opcodes.h"

namespace ruvel::test {

const char kObjectSource[] =
    "// The root class.\r\n"
    "native suspend;\r\n"
    "native currentProcess;\r\n"
    "native getGlobal;\r\n"
    "native setGlobal;\r\n"
    "constructor Object() { }\r\n";

const char kStringSource[] =
    "extends classes.lang.Object;\r\n"
    "native _free_body;\r\n"
    "native native_length;\r\n"
    "destructor free() { _free_body(_body); }\r\n"
    "function length() { return native_length(); }\r\n"
    "_body;\r\n";

const char kArraySource[] =
    "extends classes.lang.Object;\r\n"
    "native native_init;\r\n"
    "native native_add;\r\n"
    "native native_size;\r\n"
    "native native_get;\r\n"
    "native native_free;\r\n"
    "constructor Array() { _x = native_init(); }\r\n"
    "destructor free() { if (_x != null) native_free(_x); _x = null; }\r\n"
    "function add(v) { native_add(_x, v); return this; }\r\n"
    "function size() { return native_size(_x); }\r\n"
    "function get(i) { return native_get(_x, i); }\r\n";

namespace {

TResourceList* NewList(const std::string& name, TResourceList* parent) {
  auto* list = new TResourceList();
  list->name = name;
  if (parent) parent->AddChild(list);
  return list;
}

TRTTI* CoreClass(TResourceList* lang, const std::string& name, const char* source) {
  auto* cls = new TRTTI(name, std::string());
  lang->AddChild(cls);
  if (CompileClass(*cls, source, true) != 0 || !cls->Compiled) {
    ADD_FAILURE() << "core class " << name << " did not compile";
  }
  return cls;
}

}  // namespace

void CompilerTest::SetUp() {
  oldSink_ = SetSink(&sink);
  VMState& vm = VM();
  oldShowError_ = vm.showError;
  oldCompile_ = vm.compileClass;
  oldEvaluate_ = vm.evaluateSnippet;
  vm.showError = [this](const std::string& message, const TTraceList& trace) { errors.push_back({message, trace}); };
  InstallCompiler();
  vm.lastReported.clear();
  vm.stepBudget = kUnlimitedBudget;
  vm.preempted = false;

  root = NewList("root", nullptr);
  SetRoot(std::unique_ptr<TResource>(root));
  NewList("usrglobal", root);
  TResourceList* lang = NewList("lang", NewList("classes", root));
  testList = NewList("t", root);
  objectClass = CoreClass(lang, "Object", kObjectSource);
  stringClass = CoreClass(lang, "String", kStringSource);
  arrayClass = CoreClass(lang, "Array", kArraySource);
  vm.objectClass = objectClass;
  vm.stringClass = stringClass;
  vm.arrayClass = arrayClass;
  vm.arrayXIndex = arrayClass->Members.IndexOf(Intern("_x"));
  BindNatives(CoreNatives());
  // The core table names natives these small classes do not declare.
  sink.shown.clear();
  errors.clear();
}

void CompilerTest::TearDown() {
  FreeRoot();
  VMState& vm = VM();
  vm.objectClass = vm.stringClass = vm.arrayClass = nullptr;
  vm.arrayXIndex = -1;
  vm.current = nullptr;
  vm.scratch = MakeNull();
  vm.showError = oldShowError_;
  vm.compileClass = oldCompile_;
  vm.evaluateSnippet = oldEvaluate_;
  SetSink(oldSink_);
}

TRTTI* CompilerTest::Compile(const std::string& name, const std::string& source, int* result) {
  auto* cls = new TRTTI(name, std::string());
  testList->AddChild(cls);
  int r = CompileClass(*cls, source, true);
  if (result) *result = r;
  return cls;
}

TRTTI* CompilerTest::MustCompile(const std::string& name, const std::string& source) {
  int r = -1;
  TRTTI* cls = Compile(name, source, &r);
  EXPECT_EQ(r, 0) << source;
  EXPECT_TRUE(cls->Compiled) << source;
  for (const auto& e : errors) ADD_FAILURE() << Cp932ToUtf8(e.message);
  errors.clear();
  return cls;
}

std::string CompilerTest::CompileError(const std::string& source) {
  errors.clear();
  int r = -1;
  TRTTI* cls = Compile("E", source, &r);
  EXPECT_EQ(r, 1) << source;
  EXPECT_TRUE(cls->CompileFailed) << source;
  EXPECT_FALSE(cls->Compiled) << source;
  EXPECT_EQ(errors.size(), 1u) << source;
  testList->Remove(cls);
  return errors.empty() ? std::string() : errors.back().message;
}

std::vector<std::string> CompilerTest::Lines(const TCompiledInfo& info) {
  std::vector<std::string> lines;
  try {
    ListCode(info, 0, lines);
  } catch (const ERuvel&) {
    lines.push_back("!");
  }
  return lines;
}

std::string CompilerTest::Ops(const TCompiledInfo& info) {
  std::string text;
  for (const std::string& line : Lines(info)) {
    if (!text.empty()) text += "; ";
    size_t colon = line.find(':');
    text += colon == std::string::npos ? line : line.substr(colon + 1);
  }
  return text;
}

const TCompiledInfo& CompilerTest::MethodCode(TRTTI* cls, const std::string& method) {
  auto* f = dynamic_cast<TNormalFunction*>(cls->FindMethodByName(method));
  if (!f || !f->Code) throw ERuvel("no code for " + method);
  return *f->Code;
}

int32_t CompilerTest::MemberIndex(TRTTI* cls, const std::string& name) {
  return cls->Members.IndexOf(Intern(name));
}

std::string CompilerTest::EvalGlobal(const std::string& statements, const std::string& global, int* result) {
  int r = EvaluateSnippet(statements, true);
  if (result) *result = r;
  Value* slot = GlobalValuePtr(global);
  return slot ? ValueToText(*slot) : std::string("<none>");
}

}  // namespace ruvel::test
