#include "shell/startup_path.h"

#include <unistd.h>

#include <string>

#include "shell/dev_windows.h"
#include "devui/main_menu.h"
#include "io/cookies.h"
#include "platform/host_caps.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/project.h"
#include "resources/resource_tree.h"
#include "runtime/startup.h"
#include "shell/design_session.h"
#include "shell/script_mode.h"

namespace ruvel {

namespace {

// A command-line file that exists, made absolute; empty otherwise.
std::string CommandLineFile(const CommandLine& cl) {
  std::string f = CommandLineFilePath(cl);
  if (f.empty() || !PathIsAbsolute(f) || !PathExists(f)) return std::string();
  return PathLocate(f);
}

// The page the project names: "mainPage", else the first of its page list.
std::string ProjectMainPage() {
  TPrjManager& pm = PrjManager();
  std::string mainPage = pm.GetParam("mainPage");
  TResource* page = nullptr;
  if (!mainPage.empty()) {
    page = FindResource(pm.PageListName() + "." + mainPage);
  } else if (TResourceList* list = pm.PageList()) {
    if (list->ChildCount() > 0) page = list->ChildAt(0);
  }
  if (!page || page->sourcePath.empty()) return std::string();
  return PathLocate(PathResolve(page->sourcePath, ProjectDir()));
}

}  // namespace

void RunStartupPath(const CommandLine& cl) {
  std::string home = ResolveProgramDir(cl);
  SetProgramDir(home);
  // A project folder of its own stands where the program's Usr stands,
  // with its own class caches.
  if (!cl.project.empty()) {
    SetProjectDir(cl.project);
    SetTempDir(ProjectDir() + "/Temp");
  }
  LoadCookies();
  PrjManager().recent.LoadFromCookies();
  // The status bar and the window's scale as the cookies left them (a
  // --scale given for this run wins). A browser page sizes its canvas
  // itself.
  if (TDevWindows* dev = DevWindows()) {
    dev->LoadBreakpoints();
    dev->Menu().ApplyStatusBarCookie();
    if (HostHasMoreWindows()) dev->Menu().ApplyScaleCookie(cl.scale);
  }
  std::string fileToOpen = CommandLineFile(cl);
  if (chdir(home.c_str()) != 0) {
    // The current directory only matters for relative paths in scripts.
  }
  StartScriptWorld(home);
  std::string project = PathLocate(ProjectDir() + "/default.ruvelprj");
  if (PathExists(project)) PrjManager().LoadProject(project);
  if (fileToOpen.empty()) fileToOpen = ProjectMainPage();
  if (fileToOpen.empty()) return;
  // --design: the page opened for play is put into design mode before its
  // first frame runs.
  if (OpenPageCommand(fileToOpen) && cl.design) EnterDesignMode();
}

}  // namespace ruvel
