// Pages: loading a page file (".cmml") as the resource list "usr", merging
// its classes and sounds into the project's lists and compiling them,
// preparing its patterns, and starting the root process on a "Boot" object
// in execute or design mode; stopping a page; the open command; and new
// page files.
//
// Owner of the page state: PageState(), one process-wide instance defined
// in page.cpp. The hooks the shell and the screen fill are PageHooks(),
// owned there too; an empty hook does nothing, so headless runs and tests
// need none of them.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace ruvel {

struct TPageState {
  std::string currentFile;  // full path of the loaded page
  std::string currentDir;   // its directory (also the base directory)
  // The project's class list was prepared by the last load, so "Boot"
  // can be started.
  bool runnable = false;
};
TPageState& PageState();

struct TPageHooks {
  // The frame loop's error-seen flag is cleared when a page is run.
  std::function<void()> clearErrorSeen;
  // Shows the main window after a load.
  std::function<void()> showMainScreen;
  // The music engine's timer, enabled by design mode.
  std::function<void()> enableMusicTimer;
  // The debugger holds execution (the open command is refused meanwhile).
  std::function<bool()> debuggerHolding;
  // The file-open dialog: title and filter; returns the chosen file or ""
  // when cancelled. Installed only while a window is shown: without it the
  // open command never asks (headless).
  std::function<std::string(const std::string& title, const std::string& filter)> chooseFile;
  // The loading window's caption.
  std::function<void(const std::string& caption)> setLoadingCaption;
  // One design step (the debugger's step); without it the root process
  // runs once as a drawing step.
  std::function<void()> designStep;
};
TPageHooks& PageHooks();

// The seven lines of a new page file.
std::vector<std::string> NewPageLines();
// Writes a new page file (temporary file, then rename); false when it
// could not be written (a message box says so).
bool WriteNewPageFile(const std::string& path);

// Loads the page (resolved against the current page directory): the
// result of preparing "usr.patterns" (1 when it succeeded or there is
// none), 0 when the file is missing ("はありません", halted).
int LoadPage(const std::string& path);
// Loads the page and starts "Boot" in execute mode; errors are shown.
void LoadAndRunPage(const std::string& path);
// Stops the page and starts "Boot" of the loaded page in design mode.
void StartDesignMode();
// Empties the sprite list, frees the root process, collects garbage.
void StopPage();
// One design step: the hook, or one run of the root process as the
// drawing step of a frame.
void RunDesignStep();

// The dialog's title and filter of the open command.
std::string OpenDialogTitle();
std::string OpenDialogFilter();
// The open command: fileToOpen (set by the start-up path) is used without
// asking and cleared; otherwise the user chooses a file (no dialog without
// a window). A file that does not exist becomes a new page. The page is
// loaded, then loaded and run. False when nothing was opened.
bool OpenPageCommand(std::string& fileToOpen, const std::string& title = OpenDialogTitle());

// A page error in a message box, through the main screen when there is one.
void ShowPageError(const std::string& message);

}  // namespace ruvel
