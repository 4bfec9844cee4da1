#include "pages/page.h"

#include <unistd.h>

#include <memory>

#include "compiler/snippet.h"
#include "io/cookies.h"
#include "platform/paths.h"
#include "pages/project.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource_loader.h"
#include "resources/resource_markup.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/patterns.h"
#include "screen/sprite.h"
#include "vm/gc.h"
#include "vm/interpreter.h"
#include "vm/process.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

void BusyStart() {
  if (TScreen* screen = MainScreen()) screen->BusyDraw(true);
}

void BusyEnd() {
  if (TScreen* screen = MainScreen()) screen->BusyEnd();
}

void SetResizable(bool on) {
  if (TScreen* screen = MainScreen()) screen->resizable = on;
}

// Alias registration stays off while "usr" is read: only the project's
// copies of the page's classes are found by their short names.
class TNoAliasScope {
 public:
  TNoAliasScope() : saved_(VM().aliasRegistration) { VM().aliasRegistration = false; }
  ~TNoAliasScope() { VM().aliasRegistration = saved_; }
  TNoAliasScope(const TNoAliasScope&) = delete;
  TNoAliasScope& operator=(const TNoAliasScope&) = delete;

 private:
  bool saved_;
};

// Replaces "usr" by the page file's list.
void MountPage(const std::string& file) {
  Unmount("usr");
  std::unique_ptr<TResource> node;
  {
    TNoAliasScope noAlias;
    node = LoadResourceFile(file);
  }
  // A file without any element still gives an (empty) page.
  if (!node) node = std::make_unique<TResourceList>();
  node->name = "usr";
  node->sourcePath = file;
  VM().root->AddChild(node.release());
}

// Creates the root process on a new "Boot" object (no constructor runs)
// running mode; false when there is no compiled "Boot" class.
bool StartRoot(const std::string& mode) {
  TRTTI* boot = FindClass("Boot");
  if (!boot || !boot->Compiled) return false;
  VMState& vm = VM();
  if (vm.rootProcess) TProcess::Free(vm.rootProcess);
  vm.rootProcess = nullptr;
  Instance* inst = NewInstance(boot);
  try {
    vm.rootProcess = TProcess::Create(inst, nullptr, mode);
  } catch (...) {
    if (inst->refcount <= 0) DestroyInstance(inst);
    throw;
  }
  return true;
}

// The load itself; found tells whether the file existed.
int LoadPageFile(const std::string& path, bool& found) {
  found = false;
  BusyStart();
  std::string file = PathResolve(path, PageDir());
  if (file.empty()) file = PathToPosix(path);
  auto located = PathFindNoCase(file);
  if (!located || !VM().root) {
    ShowMessage(file + J("はありません"));
    HostState().halted = true;
    return 0;
  }
  found = true;
  file = *located;
  // Every page starts with the camera at (0, 0).
  ResetCamera();
  TPageState& st = PageState();
  TPrjManager& prj = PrjManager();

  Cookies().Set("AutoLoadPage", file);
  st.currentFile = file;
  st.currentDir = PathParent(file);
  SetBaseDir(st.currentDir);
  if (chdir(st.currentDir.c_str()) != 0) LogLine(st.currentDir + J("に移動できません"));
  prj.recent.Add(file);
  LogLine("Loading Page " + file);

  std::string projectOfPage = LocatePath(st.currentDir + "/" + TPrjManager::kProjectFileName);
  bool sameProject = !prj.projectFile.empty() && PathSame(projectOfPage, prj.projectFile);
  if (!sameProject) prj.OpenProjectOfPage(file);
  // No root process may outlive the page it was started for.
  if (sameProject || VM().rootProcess) StopPage();
  prj.NoteCurrentPage(file);

  MountPage(file);

  if (TResourceList* pageClasses = FindList("usr.classes")) MergeMissing(prj.ClassList(), pageClasses);
  if (TResourceList* pageSounds = FindList("usr.sounds")) {
    if (MergeMissing(prj.SoundList(), pageSounds)) SetGlobal("$_soundAdded", MakeInt(1));
  }

  st.runnable = false;
  if (TResourceList* classes = prj.ClassList()) {
    // Compile errors were reported by the compiler; the page stays halted.
    try {
      classes->Initialize();
      st.runnable = true;
    } catch (const ERuvel& e) {
      LogLine(e.Message());
    }
  }

  int result = 1;
  try {
    LoadPagePatterns();
  } catch (const ERuvel& e) {
    ShowPageError(e.Message());
    result = 0;
  }

  SetUserGlobal("$screenWidth", true);
  SetUserGlobal("$screenHeight", true);

  HostState().halted = !st.runnable;
  if (PageHooks().showMainScreen) PageHooks().showMainScreen();
  return result;
}

}  // namespace

TPageState& PageState() {
  static TPageState state;
  return state;
}

TPageHooks& PageHooks() {
  static TPageHooks hooks;
  return hooks;
}

std::vector<std::string> NewPageLines() {
  return {"<resourcelist name=\"usr\">",
          " <resourcelist name=\"patterns\">",
          " </resourcelist>",
          " <resourcelist name=\"classes\">",
          " </resourcelist>",
          " <resourcelist name=\"gen\">",
          " </resourcelist>",
          "</resourcelist>"};
}

bool WriteNewPageFile(const std::string& path) { return WriteLinesAtomic(path, NewPageLines()); }

void ShowPageError(const std::string& message) {
  if (TScreen* screen = MainScreen()) screen->KeepAlive(message, nullptr, true);
  else ShowMessage(message);
}

int LoadPage(const std::string& path) {
  bool found = false;
  return LoadPageFile(path, found);
}

void LoadAndRunPage(const std::string& path) {
  if (PageHooks().clearErrorSeen) PageHooks().clearErrorSeen();
  SetResizable(false);
  try {
    LogLine("---LoadPage--");
    bool found = false;
    LoadPageFile(path, found);
    LogLine("--/LoadPage--");
    // A missing file leaves the previous page as it was: nothing starts.
    if (found && PageState().runnable && StartRoot("execute")) HostState().designMode = false;
  } catch (const std::exception& e) {
    ShowPageError(e.what());
  }
  BusyEnd();
}

void StartDesignMode() {
  BusyEnd();
  StopPage();
  // Objects are placed where the page puts them, not where a scrolled game left them.
  ResetCamera();
  try {
    if (PageState().runnable && StartRoot("design")) {
      HostState().designMode = true;
      if (PageHooks().enableMusicTimer) PageHooks().enableMusicTimer();
      SetResizable(true);
    }
  } catch (const std::exception& e) {
    ShowPageError(e.what());
  }
}

void StopPage() {
  if (TScreen* screen = MainScreen()) screen->Sprites().Clear();
  VMState& vm = VM();
  if (vm.rootProcess) TProcess::Free(vm.rootProcess);
  vm.rootProcess = nullptr;
  if (vm.root) Collect(false);
}

void RunDesignStep() {
  if (PageHooks().designStep) {
    PageHooks().designStep();
    return;
  }
  TProcess* root = VM().rootProcess;
  if (!root) return;
  HostState().drawingFrame = true;
  SetGlobal("$_doDraw", MakeInt(1));
  if (TScreen* screen = MainScreen()) screen->Sprites().Clear();
  Run(root, kUnlimitedBudget);
}

std::string OpenDialogTitle() { return J("ファイルを開く"); }

std::string OpenDialogFilter() { return J("Ruvelリソースファイル|*.cmml|Ruvelスクリプトファイル|*.ruvel"); }

bool OpenPageCommand(std::string& fileToOpen, const std::string& title) {
  TPageHooks& hooks = PageHooks();
  if (hooks.debuggerHolding && hooks.debuggerHolding()) {
    ShowMessage(J("先にデバッグウィンドウの「停止」を押してください"));
    return false;
  }
  std::string file = fileToOpen;
  if (file.empty()) {
    if (!hooks.chooseFile) return false;
    file = hooks.chooseFile(title, OpenDialogFilter());
    if (file.empty()) return false;
  }
  fileToOpen.clear();
  std::string resolved = PathResolve(file, PageDir());
  if (!resolved.empty()) file = resolved;
  if (!PathExists(file) && !WriteNewPageFile(LocatePath(file))) return false;
  bool loaded = false;
  try {
    LoadPage(file);
    loaded = PageState().runnable;
  } catch (const std::exception& e) {
    ShowPageError(e.what());
  }
  if (hooks.setLoadingCaption) hooks.setLoadingCaption(file);
  // The second load only exists to run the page; after a failed first load
  // it would fail the same way and report every compile error a second time.
  if (!loaded) {
    BusyEnd();
    return true;
  }
  TResource* usr = FindResource("usr");
  LoadAndRunPage(usr && !usr->sourcePath.empty() ? usr->sourcePath : file);
  return true;
}

}  // namespace ruvel
