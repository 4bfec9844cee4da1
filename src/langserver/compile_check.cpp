#include "langserver/compile_check.h"

#include <memory>

#include "compiler/compile_driver.h"
#include "langserver/workspace.h"
#include "platform/cp932.h"
#include "resources/resource.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "runtime/startup.h"
#include "vm/vm_state.h"

namespace ruvel::lsp {

namespace {

// Catches what the compiler reports while it lives, instead of showing it.
class CapturedErrors {
 public:
  CapturedErrors() : saved_(VM().showError) {
    VM().showError = [this](const std::string& message, const TTraceList& trace) {
      if (!found) {
        found = true;
        problem.message = Cp932ToUtf8(message);
        problem.offset = trace.empty() ? 0 : trace[0].position;
      }
    };
  }
  ~CapturedErrors() { VM().showError = saved_; }

  bool found = false;
  CompileProblem problem;

 private:
  std::function<void(const std::string&, const TTraceList&)> saved_;
};

}  // namespace

bool CompileChecker::Start(const std::string& programDir) {
  if (started_) return true;
  CapturedErrors quiet;
  try {
    StartScriptWorld(programDir);
    started_ = VM().root != nullptr;
  } catch (const std::exception&) {
    started_ = false;
  }
  return started_;
}

void CompileChecker::Mount(const std::vector<ClassEntry*>& classes) {
  if (!started_) return;
  CapturedErrors quiet;
  if (TResource* old = FindResource("usr")) VM().root->Remove(old);
  auto* usr = new TResourceList();
  usr->name = "usr";
  auto* list = new TResourceList();
  list->name = "classes";
  usr->AddChild(list);
  for (const ClassEntry* c : classes) {
    if (!c->kernel) list->AddChild(new TRTTI(Utf8ToCp932(c->name), c->path));
  }
  VM().root->AddChild(usr);
  try {
    usr->Initialize();
  } catch (const std::exception&) {
    // A class that does not compile is still there to be named.
  }
}

bool CompileChecker::Check(const ClassEntry& cls, const std::string& cp932, CompileProblem& problem) {
  if (!started_) return true;
  CapturedErrors errors;
  auto scratch = std::make_unique<TRTTI>(Utf8ToCp932(cls.name), cls.path);
  int result = 1;
  try {
    result = CompileSource(*scratch, cp932, cls.path, true);
  } catch (const std::exception& e) {
    if (!errors.found) {
      errors.found = true;
      errors.problem.message = Cp932ToUtf8(e.what());
    }
  }
  if (result == 0 && !errors.found) return true;
  problem = errors.problem;
  return false;
}

}  // namespace ruvel::lsp
