#include "shell/startup_path.h"

#include <unistd.h>

#include <string>

#include "devui/dev_windows.h"
#include "devui/main_menu.h"
#include "io/cookies.h"
#include "io/paths.h"
#include "pages/page.h"
#include "pages/project.h"
#include "runtime/resource_tree.h"
#include "runtime/startup.h"
#include "shell/design_session.h"
#include "shell/script_mode.h"

namespace ruvel {

namespace {

// A command-line file that exists, made absolute; empty otherwise.
std::string CommandLineFile(const CommandLine& cl) {
  if (cl.file.empty()) return std::string();
  std::string f = PathToPosix(cl.file);
  char cwd[4096];
  if (!PathIsAbsolute(f) && getcwd(cwd, sizeof cwd)) f = PathResolve(f, cwd);
  if (!PathExists(f)) return std::string();
  return PathLocate(f);
}

// The page the project names: "mainPage", else the first of its page list.
std::string ProjectMainPage(const std::string& home) {
  TPrjManager& pm = PrjManager();
  std::string mainPage = pm.GetParam("mainPage");
  TResource* page = nullptr;
  if (!mainPage.empty()) {
    page = FindResource(pm.PageListName() + "." + mainPage);
  } else if (TResourceList* list = pm.PageList()) {
    if (list->ChildCount() > 0) page = list->ChildAt(0);
  }
  if (!page || page->sourcePath.empty()) return std::string();
  return PathLocate(PathResolve(page->sourcePath, home + "/Usr"));
}

}  // namespace

void RunStartupPath(const CommandLine& cl) {
  std::string home = ResolveProgramDir(cl);
  SetProgramDir(home);
  LoadCookies();
  PrjManager().recent.LoadFromCookies();
  // The status bar as the cookie "statusBar" left it.
  if (TDevWindows* dev = DevWindows()) dev->Menu().ApplyStatusBarCookie();
  std::string fileToOpen = CommandLineFile(cl);
  if (chdir(home.c_str()) != 0) {
    // The current directory only matters for relative paths in scripts.
  }
  StartScriptWorld(home);
  std::string project = PathLocate(home + "/Usr/default.ruvelprj");
  if (PathExists(project)) PrjManager().LoadProject(project);
  if (fileToOpen.empty()) fileToOpen = ProjectMainPage(home);
  if (fileToOpen.empty()) return;
  // --design: the page opened for play is put into design mode before its
  // first frame runs.
  if (OpenPageCommand(fileToOpen) && cl.design) EnterDesignMode();
}

}  // namespace ruvel
