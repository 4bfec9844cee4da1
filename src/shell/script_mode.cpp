#include "shell/script_mode.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "devui/debugger_model.h"
#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "natives/natives_core.h"
#include "pages/project.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "runtime/startup.h"
#include "vm/gc.h"
#include "vm/host_registry.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

bool EndsWithNoCase(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

// The "usr" list scripts are mounted under, made when missing.
TResourceList* UserList() {
  if (TResourceList* usr = FindList("usr")) return usr;
  auto* usr = new TResourceList();
  usr->name = "usr";
  VM().root->AddChild(usr);
  return usr;
}

// Runs the class's own code on a new instance until the process halts,
// then frees the process and destroys the instance as a snippet run does,
// so the script's destructor runs. An instance the script stored somewhere
// else is still referenced and is left alone.
int RunClassCode(TRTTI* cls) {
  Value holder = MakeNull();
  ValueSetObject(holder, cls->CreateInstance());
  Instance* inst = holder.obj;
  TProcess* p = TProcess::Create(inst, nullptr, "");
  bool saved = VM().preempted;
  int state = 0;
  for (;;) {
    Run(p, kUnlimitedBudget);
    // The script may have freed its own process; it is gone then.
    if (!IsLiveHost(p)) {
      p = nullptr;
      break;
    }
    if (p->halted) break;
  }
  VM().preempted = saved;
  if (p) {
    state = p->state;
    TProcess::Free(p);
  }
  ValueSetNull(holder);
  if (inst->refcount == 0) DestroyInstance(inst);
  return state == 2 ? kScriptRuntimeError : kScriptFinished;
}

TRTTI* FindClassNamed(TResource* node, const std::string& name) {
  if (auto* cls = dynamic_cast<TRTTI*>(node)) return EqualsNoCase(cls->name, name) ? cls : nullptr;
  if (auto* list = dynamic_cast<TResourceList*>(node)) {
    for (size_t i = 0; i < list->ChildCount(); ++i) {
      if (TRTTI* found = FindClassNamed(list->ChildAt(i), name)) return found;
    }
  }
  return nullptr;
}

}  // namespace

std::string ResolveProgramDir(const CommandLine& cl) {
  if (cl.home.empty()) return DefaultProgramDir();
  std::string home = PathToPosix(cl.home);
  char cwd[4096];
  if (!PathIsAbsolute(home) && getcwd(cwd, sizeof cwd)) home = PathResolve(home, cwd);
  return PathStripSlash(home);
}

static int RunScript(const CommandLine& cl);

int RunScriptMode(const CommandLine& cl) {
  // Message boxes go to stderr; progress lines too with --log.
  StderrSink sink(cl.log);
  MessageSink* previous = SetSink(&sink);
  int result = RunScript(cl);
  SetSink(previous);
  return result;
}

static int RunScript(const CommandLine& cl) {
  std::string programDir = ResolveProgramDir(cl);
  SetProgramDir(programDir);
  // breakExec() has no window to stop in: its refresh goes to stderr.
  InstallHeadlessBreak();
  PrintOutput().print = [](const std::string& text, const TTraceList&) {
    std::string u = ToUtf8(text);
    std::fwrite(u.data(), 1, u.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  };
  // A project folder (--project) keeps its own class caches, and its
  // project file is loaded as when the game runs, so that what depends on
  // it (the ranking's integrity value) is the same.
  if (!cl.project.empty()) {
    SetProjectDir(cl.project);
    SetTempDir(ProjectDir() + "/Temp");
  }
  try {
    StartScriptWorld(programDir);
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    return kScriptDidNotCompile;
  }
  if (!cl.project.empty()) {
    std::string project = PathLocate(ProjectDir() + "/" + TPrjManager::kProjectFileName);
    if (PathExists(project)) PrjManager().LoadProject(project);
  }
  std::string file = PathToPosix(cl.script);
  char cwd[4096];
  if (!PathIsAbsolute(file) && getcwd(cwd, sizeof cwd)) file = PathResolve(file, cwd);
  if (!PathExists(file)) {
    ShowMessage(file + J("が見つかりません"));
    return kScriptDidNotCompile;
  }
  file = PathLocate(file);
  TRTTI* main = nullptr;
  try {
    if (EndsWithNoCase(file, ".ruvelres") || EndsWithNoCase(file, ".cmml")) {
      SetBaseDir(PathParent(file));
      std::unique_ptr<TResource> node = LoadResourceFile(file);
      // A file without a usable top element mounts as an empty list, as a
      // page does; it then has no class Main.
      if (!node) node = std::make_unique<TResourceList>();
      node->name = "usr";
      TResource* old = FindResource("usr");
      if (old) VM().root->Remove(old);
      TResource* usr = node.release();
      VM().root->AddChild(usr);
      usr->Initialize();
      main = FindClassNamed(usr, "Main");
      if (!main) {
        ShowMessage(file + J("にクラスMainがありません"));
        return kScriptDidNotCompile;
      }
    } else {
      std::string stem = PathBaseName(file);
      auto* cls = new TRTTI(stem, file);
      UserList()->AddChild(cls);
      cls->Initialize();
      main = cls;
    }
  } catch (const std::exception& e) {
    ShowMessage(e.what());
    return kScriptDidNotCompile;
  }
  if (!main->Compiled) return kScriptDidNotCompile;
  return RunClassCode(main);
}

}  // namespace ruvel
