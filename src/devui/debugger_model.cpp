#include "devui/debugger_model.h"

#include <cstdio>
#include <cstdlib>

#include <sys/stat.h>

#include "compiler/snippet.h"
#include "devui/object_view.h"
#include "devui/source_view.h"
#include "devui/stack_dump.h"
#include "platform/paths.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "runtime/function.h"
#include "resources/resource.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

TDebugger& Debugger() {
  static TDebugger debugger;
  return debugger;
}

void InstallHeadlessBreak() {
  TDebugger& d = Debugger();
  d.headless = true;
  d.hooks.writeLine = [](const std::string& line) { std::fprintf(stderr, "%s\n", ToUtf8(line).c_str()); };
  VM().debuggerPause = [] { Debugger().Pause(); };
}

void TDebugger::Reset() { *this = TDebugger(); }

TProcess* TDebugger::CurrentProcess() const { return VM().current ? VM().current : VM().rootProcess; }

int64_t TDebugger::ParseAddress(const std::string& text) {
  if (text.empty()) return -1;
  bool hex = text[0] == '$';
  std::string digits = hex ? text.substr(1) : text;
  if (digits.empty() || digits.size() > 9) return -1;
  char* end = nullptr;
  long long v = std::strtoll(digits.c_str(), &end, hex ? 16 : 10);
  if (!end || *end != '\0' || v < 0) return -1;
  return v;
}

bool TDebugger::AtRunToAddress() const {
  const TProcess* p = VM().current;
  if (runToCode && CurrentCode(p) != runToCode) return false;
  return CurrentAddress(p) == runTo;
}

void TDebugger::Pause() {
  VMState& vm = VM();
  if (runTo >= 0) {
    // Running to an address: one instruction at a time until the process
    // stands there, without showing anything in between.
    if (!AtRunToAddress()) {
      vm.stepBudget = 1;
      return;
    }
    runTo = -1;
    runToCode = nullptr;
  }
  ++pauses;
  if (headless || !hooks.waitForInput) {
    WriteHeadless();
    vm.stepBudget = kUnlimitedBudget;
    return;
  }
  // A nested run inside a pause (code run by a command) ends its slice
  // here rather than pausing twice.
  if (paused) return;
  paused = true;
  visible = true;
  if (hooks.show) hooks.show();
  Refresh();
  vm.stepBudget = 0;
  caption = J("停止中");
  while (vm.stepBudget <= 0) {
    if (!hooks.waitForInput()) {
      paused = false;
      caption.clear();
      if (hooks.endProgram) hooks.endProgram();
      // Still here (no program to end): the paused process ends instead.
      if (vm.current) vm.current->Halt();
      vm.stepBudget = kUnlimitedBudget;
      return;
    }
  }
  caption.clear();
  paused = false;
}

void TDebugger::Refresh() {
  TProcess* p = CurrentProcess();
  listFunc = {"- Main -"};
  listOpr = ListingFromCurrent(p);
  listedCode = CurrentCode(p);
  listStack = StackDump(p);
  listSource.clear();
  std::string file;
  int line = 0;
  if (listedCode && SourceLineAt(*listedCode, CurrentAddress(p), file, line)) listSource = SourceAround(file, line, 6);
  if (p && p->stack && p->sp) listStack.push_back("proc.sp =" + std::to_string(p->sp - p->stack));
}

void TDebugger::WriteHeadless() {
  Refresh();
  if (!hooks.writeLine) return;
  hooks.writeLine(J("停止中"));
  size_t n = 0;
  for (const std::string& line : listOpr) {
    if (n++ == kHeadlessListingLines) break;
    hooks.writeLine(line);
  }
  for (const std::string& line : listStack) hooks.writeLine(line);
}

void TDebugger::RunCurrent() {
  if (TProcess* p = CurrentProcess()) Run(p, kUnlimitedBudget);
}

void TDebugger::Step() {
  runTo = -1;
  runToCode = nullptr;
  VM().stepBudget = 1;
  if (paused) return;
  RunCurrent();
}

void TDebugger::RunAll() {
  runTo = -1;
  runToCode = nullptr;
  VM().stepBudget = kUnlimitedBudget;
  if (paused) return;
  RunCurrent();
}

void TDebugger::RunToAddress() {
  runTo = ParseAddress(eBreak);
  runToCode = runTo >= 0 ? listedCode : nullptr;
  // The address is checked between single instructions, so the budget
  // goes down to one; without an address the process simply runs on.
  VM().stepBudget = runTo >= 0 ? 1 : kUnlimitedBudget;
  if (paused) return;
  RunCurrent();
}

bool TDebugger::RunToLine() {
  TRTTI* cls = FindClass(eClass);
  const TCompiledInfo* code = nullptr;
  int32_t address = -1;
  if (!cls || !LineAddress(*cls, std::atoi(eLine.c_str()), code, address)) return false;
  runTo = address;
  runToCode = code;
  VM().stepBudget = 1;
  if (!paused) RunCurrent();
  return true;
}

void TDebugger::Stop() {
  runTo = -1;
  runToCode = nullptr;
  if (TProcess* p = CurrentProcess()) p->Halt();
  VM().stepBudget = 1;
}

bool TDebugger::CollectGarbage() {
  // Destructors and "gc_mark" methods run as nested processes: they must
  // not stop at the budget that holds the paused process.
  VMState& vm = VM();
  int32_t saved = vm.stepBudget;
  vm.stepBudget = kUnlimitedBudget;
  bool ran = CollectFromDebugger();
  vm.stepBudget = saved;
  listObj = Collector().objectList;
  return ran;
}

void TDebugger::ShowCode() {
  TRTTI* cls = FindClass(eClass);
  if (!cls) return;
  TCompiledInfo* code = nullptr;
  TFunction* f = cls->FindMethodByName(eFunc);
  if (f && f->Kind() != FunctionKind::kNative) code = static_cast<TNormalFunction*>(f)->Code.get();
  if (!code) code = cls->ClassCode.get();
  if (!code) return;
  listOpr = ListingOf(*code, 0);
  listObj = code->SymbolListing();
  listedCode = code;
}

void TDebugger::ShowObjects() {
  TRTTI* cls = FindClass(eClass);
  listObjects = cls ? ObjectViewLines(*cls) : std::vector<std::string>{};
}

void TDebugger::StartProfile() {
  profileRows.clear();
  Profiler().Start();
}

void TDebugger::StopProfile() {
  Profiler().Stop();
  profileRows = Profiler().Rows();
}

void TDebugger::WriteProfileCsv() {
  std::string dir = ProgramDir() + "/Temp";
  ::mkdir(dir.c_str(), 0755);
  std::string path = dir + "/profile.csv";
  edit1 = Profiler().WriteCsv(path) ? path : path + J("に書き込めません");
}

void TDebugger::ListCachedSnippets() {
  listOpr.clear();
  for (const auto& [text, cls] : EvalCache().table) {
    listOpr.push_back(std::to_string(cls ? cls->CreatedCount : 0) + ":" + text);
  }
  listedCode = nullptr;
}

void TDebugger::MoveClassList() {
  TResourceList* classes = FindList("usr.classes");
  TResourceList* project = classes ? PrjManager().ClassList() : nullptr;
  if (project) MergeMissing(project, classes);
}

void TDebugger::ReinstallIdle() {
  if (hooks.reinstallIdle) hooks.reinstallIdle();
}

void TDebugger::SelectListingLine(size_t index) {
  if (index >= listOpr.size()) return;
  const std::string& line = listOpr[index];
  eBreak = "$" + line.substr(0, 8);
  edit1 = line;
}

namespace {
class TNameCollector : public TResourceIterator {
 public:
  explicit TNameCollector(std::vector<std::string>& out) : out_(out) {}
  void Visit(TResource* node) override {
    std::string name = node == VM().root ? std::string() : FullName(node);
    out_.push_back(name.empty() ? "<root>" : name);
  }

 private:
  std::vector<std::string>& out_;
};
}  // namespace

void TDebugger::Activate() {
  lFiles.clear();
  if (!VM().root) return;
  TNameCollector names(lFiles);
  VM().root->Accept(names);
}

void TDebugger::SelectResource(const std::string& name) {
  std::string dotted = name == "<root>" ? std::string() : name;
  TResource* node = dotted.empty() ? VM().root : FindResource(dotted);
  if (!node || node->sourcePath.empty() || !PathExists(node->sourcePath)) return;
  if (hooks.setLoadingCaption) hooks.setLoadingCaption(node->sourcePath);
}

}  // namespace ruvel
