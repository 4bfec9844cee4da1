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
#include "runtime/rtti.h"
#include "screen/design_commands.h"
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
  screen.SetStatusText(J("保存しました: ") + PathFileName(file));
  LogLine(J("ページを保存しました: ") + file);
  return true;
}

namespace {

// The class of a new object made with the keyboard: the selection's, else
// the page's first class.
std::string NewObjectClass() {
  Instance* sel = TDesignEditor::Selected();
  if (sel && sel->cls) return sel->cls->name;
  std::vector<std::string> classes = PageClassNames();
  return classes.empty() ? std::string() : classes.front();
}

enum class TDesignKeyAction { kSave, kUndo, kRedo, kCopy, kNew, kDelete, kLeft, kRight, kUp, kDown, kDeselect };

struct TDesignKey {
  int scancode;
  bool ctrl;
  TDesignKeyAction action;
};

// Every key of design mode.
const TDesignKey kDesignKeys[] = {
    {SDL_SCANCODE_S, true, TDesignKeyAction::kSave},      {SDL_SCANCODE_Z, true, TDesignKeyAction::kUndo},
    {SDL_SCANCODE_Y, true, TDesignKeyAction::kRedo},      {SDL_SCANCODE_D, true, TDesignKeyAction::kCopy},
    {SDL_SCANCODE_N, true, TDesignKeyAction::kNew},       {SDL_SCANCODE_DELETE, false, TDesignKeyAction::kDelete},
    {SDL_SCANCODE_LEFT, false, TDesignKeyAction::kLeft},  {SDL_SCANCODE_RIGHT, false, TDesignKeyAction::kRight},
    {SDL_SCANCODE_UP, false, TDesignKeyAction::kUp},      {SDL_SCANCODE_DOWN, false, TDesignKeyAction::kDown},
    {SDL_SCANCODE_ESCAPE, false, TDesignKeyAction::kDeselect},
};

}  // namespace

bool RunDesignCommand(TScreen& screen, TDesignCommandId id, const std::string& cls) {
  if (!HostState().designMode) return false;
  TDesignEditor& design = screen.Design();
  bool changed = false;
  switch (id) {
    case TDesignCommandId::kNew:
      changed = design.AddObject(cls.empty() ? NewObjectClass() : cls, design.PointX(), design.PointY());
      break;
    case TDesignCommandId::kCopy: changed = design.CopySelection(); break;
    case TDesignCommandId::kDelete: changed = design.DeleteSelection(); break;
    case TDesignCommandId::kUndo: changed = design.Undo(); break;
    case TDesignCommandId::kRedo: changed = design.Redo(); break;
  }
  if (changed) StepAndShow(screen);
  return changed;
}

bool HandleDesignKey(TScreen& screen, int scancode, bool ctrl) {
  if (!HostState().designMode) return false;
  const TDesignKey* key = nullptr;
  for (const TDesignKey& k : kDesignKeys) {
    if (k.scancode == scancode && k.ctrl == ctrl) key = &k;
  }
  if (!key) return false;
  TDesignEditor& design = screen.Design();
  int dx = 0;
  int dy = 0;
  switch (key->action) {
    case TDesignKeyAction::kSave: SaveDesignedPage(screen); return true;
    case TDesignKeyAction::kUndo: RunDesignCommand(screen, TDesignCommandId::kUndo); return true;
    case TDesignKeyAction::kRedo: RunDesignCommand(screen, TDesignCommandId::kRedo); return true;
    case TDesignKeyAction::kCopy: RunDesignCommand(screen, TDesignCommandId::kCopy); return true;
    case TDesignKeyAction::kDelete: RunDesignCommand(screen, TDesignCommandId::kDelete); return true;
    case TDesignKeyAction::kNew: {
      // The keyboard's new object goes where the pointer is.
      design.SetPoint(screen.lastMouseX, screen.lastMouseY);
      RunDesignCommand(screen, TDesignCommandId::kNew);
      return true;
    }
    case TDesignKeyAction::kLeft: dx = -1; break;
    case TDesignKeyAction::kRight: dx = 1; break;
    case TDesignKeyAction::kUp: dy = -1; break;
    case TDesignKeyAction::kDown: dy = 1; break;
    case TDesignKeyAction::kDeselect:
      if (!TDesignEditor::Selected()) return false;
      design.Deselect();
      StepAndShow(screen);
      return true;
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
