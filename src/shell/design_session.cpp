#include "shell/design_session.h"

#include <SDL.h>
#include <unistd.h>

#include "platform/paths.h"
#include "pages/page.h"
#include "pages/page_script.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource_tree.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"

namespace ruvel {

namespace {

// Runs one design step and shows its picture.
void StepAndShow(TScreen& screen) {
  if (screen.designStep) screen.designStep();
}

// Deletes the cached page script of a page file, when there is one.
void ForgetPageScript(const std::string& pageFile) {
  if (pageFile.empty()) return;
  std::string script = PageScriptPath(pageFile);
  if (PathExists(script) && unlink(script.c_str()) != 0) {
    LogLine(script + J("を削除できません"));
  }
}

}  // namespace

void WireDesignMode(TScreen& screen) {
  screen.designStep = [&screen] {
    RunDesignStep();
    if (!screen.drawingDisabled) screen.DrawAll();
  };
}

bool EnterDesignMode() {
  StartDesignMode();
  if (!HostState().designMode) return false;
  TScreen* screen = MainScreen();
  if (screen) screen->Design().Reset();
  if (screen && screen->designStep) {
    screen->designStep();
  } else {
    RunDesignStep();
  }
  return true;
}

bool SaveDesignedPage(TScreen& screen) {
  if (!HostState().designMode) return false;
  TResource* usr = FindResource("usr");
  if (!usr) return false;
  // Both names of the page lead to the same cache file in practice; the
  // page script was built under the name the page was loaded by.
  std::string loaded = PageState().currentFile;
  std::string file = usr->sourcePath;
  bool ok = false;
  try {
    ok = SaveNode("usr");
  } catch (const ERuvel& e) {
    ShowMessage(file + J("を保存できませんでした: ") + e.Message());
    return false;
  } catch (const std::exception& e) {
    ShowMessage(file + J("を保存できませんでした: ") + e.what());
    return false;
  }
  // SaveNode has already said why it could not write the file.
  if (!ok) return false;
  ForgetPageScript(loaded);
  if (file != loaded) ForgetPageScript(file);
  screen.Design().SetModified(false);
  LogLine(J("ページを保存しました: ") + file);
  return true;
}

bool HandleDesignKey(TScreen& screen, int scancode, bool ctrl) {
  if (!HostState().designMode) return false;
  TDesignEditor& design = screen.Design();
  if (ctrl) {
    if (scancode != SDL_SCANCODE_S) return false;
    SaveDesignedPage(screen);
    return true;
  }
  int dx = 0;
  int dy = 0;
  switch (scancode) {
    case SDL_SCANCODE_LEFT: dx = -1; break;
    case SDL_SCANCODE_RIGHT: dx = 1; break;
    case SDL_SCANCODE_UP: dy = -1; break;
    case SDL_SCANCODE_DOWN: dy = 1; break;
    case SDL_SCANCODE_ESCAPE:
      if (!TDesignEditor::Selected()) return false;
      design.Deselect();
      StepAndShow(screen);
      return true;
    default:
      return false;
  }
  if (design.Nudge(dx, dy)) StepAndShow(screen);
  return true;
}

std::string WindowCaption(const std::string& base, TScreen& screen) {
  if (!HostState().designMode) return base;
  std::string page = PathFileName(PageState().currentFile);
  std::string caption = screen.Design().Modified() ? "*" : "";
  if (!page.empty()) caption += page + " - ";
  return caption + base + J(" [デザインモード]");
}

}  // namespace ruvel
