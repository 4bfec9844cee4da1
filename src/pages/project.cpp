#include "pages/project.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <memory>

#include "platform/paths.h"
#include "pages/page.h"
#include "pages/page_file_enum.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource_global.h"
#include "resources/resource_loader.h"
#include "resources/resource_markup.h"
#include "resources/resource_tree.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

const char kPagePrefix[] = "$page_";

std::string CurrentDirectory() {
  char buffer[PATH_MAX];
  return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

// The list named childName under "project", created when missing; none
// when there is no project list or a node of another kind holds the name.
TResourceList* ProjectSubList(const char* childName) {
  TResourceList* project = FindList("project");
  if (!project) return nullptr;
  TResource* found = project->Child(childName);
  if (found) return dynamic_cast<TResourceList*>(found);
  auto* list = new TResourceList();
  list->name = childName;
  project->AddChild(list);
  return list;
}

}  // namespace

TPrjManager& PrjManager() {
  static TPrjManager manager;
  return manager;
}

std::string TickCountText() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
  return std::to_string(static_cast<uint32_t>(ms.count()));
}

std::vector<std::string> TPrjManager::NewProjectLines() {
  return {"<resourcelist name=\"project\">", " <resourcelist name=\"pages\">", " </resourcelist>", "</resourcelist>"};
}

bool TPrjManager::Loaded() const { return FindResource("project") != nullptr; }

void TPrjManager::LoadProject(const std::string& file) {
  std::string path = PathResolve(file, CurrentDirectory());
  if (path.empty()) return;
  auto found = PathFindNoCase(path);
  if (!found || !VM().root) return;
  if (Loaded()) {
    StopPage();
    VM().root->ClearValues();
    Unmount("project");
  }
  projectFile = *found;
  std::unique_ptr<TResource> node;
  {
    TBaseDirScope scope(PathParent(projectFile));
    node = LoadResourceFile(projectFile);
  }
  // A file without any element still gives a project to keep the
  // parameters in.
  if (!node) {
    node = std::make_unique<TResourceList>();
    node->sourcePath = projectFile;
  }
  Mount("project", node.release());

  fileList = {"$$$project files"};
  for (const std::string& f : ListResourceFiles(FindResource("project"))) fileList.push_back(f);

  if (!FindResource("project.params")) {
    auto* params = new TResourceList();
    params->name = "params";
    FindResource("project")->AddChild(params);
  }
  if (GetParam("commentID").empty()) SetParam("commentID", TickCountText());
  if (GetParam("sound_stopOnPageLoad").empty()) SetParam("sound_stopOnPageLoad", "1");
  ApplyAllSwitches();
  SetParam("savedVersion", kSavedVersion);
  if (projectChanged) projectChanged();
}

void TPrjManager::OpenProjectOfPage(const std::string& pageFile) {
  if (Loaded() && !projectFile.empty() && !EqualsNoCase(PathFileName(projectFile), kProjectFileName)) return;
  std::string file = LocatePath(PathParent(pageFile) + "/" + kProjectFileName);
  projectFile = file;
  justOpened = true;
  PageState().runnable = false;
  if (!PathExists(file)) WriteLinesAtomic(file, NewProjectLines());
  LoadProject(file);
  if (!FindList("project.pages")) LogLine("!?---");
  RebuildPageList(pageFile);
}

void TPrjManager::CloseProject() {
  Unmount("project");
  projectFile.clear();
  if (projectChanged) projectChanged();
}

void TPrjManager::RebuildPageList(const std::string& pageFile) {
  TResourceList* list = PageList();
  if (!list) return;
  // Without "project.pages" the list is the project itself: only page
  // entries go, so parameters and the class list survive the rebuild.
  const bool whole = list == FindList("project.pages");
  for (size_t i = list->ChildCount(); i-- > 0;) {
    const std::string& childName = list->ChildAt(i)->name;
    if (whole || EqualsNoCase(childName.substr(0, sizeof kPagePrefix - 1), kPagePrefix)) list->DeleteAt(i);
  }
  std::string dir = PathParent(projectFile);
  TDirectory pages(dir + "/*.cmml");
  for (const std::string& fileName : pages.Files()) {
    std::string entryName = UniqueChildName(list, kPagePrefix + PathBaseName(fileName));
    auto node = NodeFromFileMarkup(MarkupLine("", "page", {{"name", entryName}, {"src", fileName}}, "/>"), dir);
    if (!node) continue;
    node->name = entryName;
    list->AddChild(node.release());
    if (PathSame(PathResolve(fileName, dir), pageFile)) currentPageName = entryName;
  }
}

std::string TPrjManager::GetParam(const std::string& paramName) const {
  TResourceList* params = FindList("project.params");
  auto* param = params ? dynamic_cast<TfParam*>(params->Child(paramName)) : nullptr;
  return param ? param->valueText : std::string();
}

void TPrjManager::SetParam(const std::string& paramName, const std::string& value) {
  if (TResourceList* params = FindList("project.params")) {
    TResource* existing = params->Child(paramName);
    if (auto* param = dynamic_cast<TfParam*>(existing)) {
      param->valueText = value;
    } else if (!existing) {
      params->AddChild(new TfParam(paramName, value));
    }
  }
  ApplySwitch(paramName, value);
}

void TPrjManager::ApplySwitch(const std::string& paramName, const std::string& value) {
  bool on = value == "1";
  if (EqualsNoCase(paramName, "deactivation_disablekey")) switches_.deactivationDisableKey = on;
  else if (EqualsNoCase(paramName, "deactivation_pause")) switches_.deactivationPause = on;
  else if (EqualsNoCase(paramName, "disable_pause")) switches_.disablePause = on;
}

void TPrjManager::ApplyAllSwitches() {
  switches_ = TProjectSwitches();
  TResourceList* params = FindList("project.params");
  if (!params) return;
  for (size_t i = 0; i < params->ChildCount(); ++i) {
    if (auto* param = dynamic_cast<TfParam*>(params->ChildAt(i))) ApplySwitch(param->name, param->valueText);
  }
}

std::string TPrjManager::HostParam(const std::string& paramName) const {
  if (EqualsNoCase(paramName, "deactivation_disablekey")) return switches_.deactivationDisableKey ? "1" : "0";
  if (EqualsNoCase(paramName, "deactivation_pause")) return switches_.deactivationPause ? "1" : "0";
  if (EqualsNoCase(paramName, "disable_pause")) return switches_.disablePause ? "1" : "0";
  return GetParam(paramName);
}

TResourceList* TPrjManager::ClassList() {
  TResourceList* list = ProjectSubList("classes");
  if (!list) ShowMessage("TPrjManager.getClassList :: !?");
  return list;
}

TResourceList* TPrjManager::SoundList() {
  TResourceList* list = ProjectSubList("sounds");
  if (!list) ShowMessage("TPrjManager.getSoundList :: !?");
  return list;
}

TResourceList* TPrjManager::PageList() const {
  if (TResourceList* pages = FindList("project.pages")) return pages;
  return FindList("project");
}

std::string TPrjManager::PageListName() const { return FindList("project.pages") ? "project.pages" : "project"; }

void TPrjManager::NoteCurrentPage(const std::string& pageFile) {
  currentPageName.clear();
  TResourceList* list = PageList();
  if (!list) return;
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    TResource* entry = list->ChildAt(i);
    if (!entry->sourcePath.empty() && PathSame(entry->sourcePath, pageFile)) {
      currentPageName = entry->name;
      return;
    }
  }
}

void TPrjManager::RequestPage(const std::string& file, bool designMode) {
  pendingPage = file;
  pendingInDesign = designMode;
}

void TPrjManager::PerformPendingPage() {
  if (pendingPage.empty()) return;
  // Consumed before the switch: a switch that fails is not tried again
  // after every frame.
  std::string file = pendingPage;
  bool design = pendingInDesign;
  pendingPage.clear();
  pendingInDesign = false;
  if (design) {
    try {
      LoadPage(file);
    } catch (const std::exception& e) {
      ShowPageError(e.what());
    }
    StartDesignMode();
    RunDesignStep();
  } else {
    StopPage();
    LoadAndRunPage(file);
  }
}

}  // namespace ruvel
