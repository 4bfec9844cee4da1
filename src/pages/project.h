// The project manager (TPrjManager): the project file "default.ruvelprj" of
// the pages' directory, mounted in the resource tree as "project"; its page
// list kept in step with the directory's ".cmml" files; its parameters
// (with defaults and three behaviour switches); the project's class and
// sound lists into which pages merge theirs; a page switch requested by a
// script, held until the end of the frame; and the recently opened pages.
//
// Owner: PrjManager(), one process-wide instance defined in project.cpp.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "pages/recent_pages.h"

namespace ruvel {

class TResourceList;

// The behaviour switches among the parameters; a switch is on exactly when
// its value is "1" (names compared without regard to letter case).
struct TProjectSwitches {
  bool deactivationDisableKey = true;  // "deactivation_disablekey", on when absent
  bool deactivationPause = false;      // "deactivation_pause"
  bool disablePause = false;           // "disable_pause"
};

class TPrjManager {
 public:
  static constexpr const char* kProjectFileName = "default.ruvelprj";
  static constexpr const char* kSavedVersion = "1160";

  // The four lines of a new project file.
  static std::vector<std::string> NewProjectLines();

  // Mounts the project file (resolved against the process's current
  // directory) as "project", after stopping the page and dropping the
  // previous project. A file that does not exist is not loaded.
  void LoadProject(const std::string& file);
  // Opens "default.ruvelprj" of the page's directory (writing a new one
  // when missing) and rebuilds its page list from the directory's ".cmml"
  // files, unless a project of another name is loaded.
  void OpenProjectOfPage(const std::string& pageFile);
  // Removes "project" and forgets the project file.
  void CloseProject();
  bool Loaded() const;

  // project.params.NAME, empty when missing.
  std::string GetParam(const std::string& paramName) const;
  // Sets the value (adding the parameter when project.params exists), then
  // applies the switch of that name.
  void SetParam(const std::string& paramName, const std::string& value);
  // The text the host sees for a parameter: for the three switches "1" or
  // "0" as they are applied, for every other name its value.
  std::string HostParam(const std::string& paramName) const;
  const TProjectSwitches& Switches() const { return switches_; }

  // "project.classes" and project.sounds, created when missing; none (with
  // a "!?" message) when there is no project to create them in.
  TResourceList* ClassList();
  TResourceList* SoundList();
  // "project.pages", or "project" itself when that list is missing.
  TResourceList* PageList() const;
  // The dotted name of the page list ("project.pages" or "project").
  std::string PageListName() const;

  // Sets the current page name from the page-list entry whose file is
  // pageFile (empty when none is).
  void NoteCurrentPage(const std::string& pageFile);

  // A script asks for a page switch; a later request replaces it.
  void RequestPage(const std::string& file, bool designMode);
  bool HasPendingPage() const { return !pendingPage.empty(); }
  // Performs the pending switch (after the frame): in design mode load the
  // page, start design mode and run one design step; otherwise stop the
  // page and load and run it. The request is consumed first.
  void PerformPendingPage();

  std::string projectFile;      // full path; empty when none is loaded
  // Told after a project was loaded or closed (the shell loads the
  // project's own tone file then).
  std::function<void()> projectChanged;
  std::string currentPageName;  // page-list entry of the loaded page
  std::string pendingPage;      // requested by a script; empty when none
  bool pendingInDesign = false;
  bool justOpened = false;      // set when a page's directory project was opened
  // The project's files, headed by "$$$project files", for the debugger.
  std::vector<std::string> fileList;
  TRecentPages recent;

 private:
  void ApplySwitch(const std::string& paramName, const std::string& value);
  void ApplyAllSwitches();
  void RebuildPageList(const std::string& pageFile);

  TProjectSwitches switches_;
};

TPrjManager& PrjManager();

// The decimal tick count stored as "commentID" in a project without one.
std::string TickCountText();

}  // namespace ruvel
