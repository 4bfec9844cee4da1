#include "shell/dev_windows.h"

#include <cstdio>

#include "assetedit/map_editor.h"
#include "devui/debugger_model.h"
#include "debugger/debug_engine.h"
#include "devui/debugger_view.h"
#include "devui/source_panes.h"
#include "devui/main_menu.h"
#include "devui/main_menu_view.h"
#include "devui/map_editor_view.h"
#include "devui/music_editor_window.h"
#include "devui/pattern_editor_window.h"
#include "devui/tone_editor_window.h"
#include "devui/sfx_editor_window.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/project.h"
#include "platform/message_sink.h"
#include "platform/cp932.h"
#include "platform/window.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/ranking.h"
#include "screen/tilemap_natives.h"
#include "shell/design_session.h"
#include "shell/frame_loop.h"
#include "shell/project_tones.h"
#include "sound/sound_manager.h"
#include "vm/gc.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {
TDevWindows* g_dev = nullptr;
constexpr int kPausedWaitMs = 20;
constexpr uint64_t kIdlePresentMs = 50;
}  // namespace

TDevWindows* DevWindows() { return g_dev; }

std::string OpenDialogStart() {
  const std::string& project = PrjManager().projectFile;
  if (!project.empty()) return PathParent(project);
  if (!PageState().currentDir.empty()) return PageState().currentDir;
  return PathLocate(ProgramDir() + "/Usr");
}

TDevWindows::TDevWindows(TScreen& screen, TFrameLoop& loop, bool headless, bool devOption)
    : screen_(screen), loop_(loop), headless_(headless) {
  g_dev = this;
  menu_ = std::make_unique<TMainMenu>(&screen, devOption);
  TMainMenuHooks& m = menu_->hooks;
  m.requestClose = [this] {
    if (shell.requestClose) shell.requestClose();
  };
  m.showDebugger = [this] { ShowDebugger(); };
  m.togglePause = [this] { loop_.autoExec = !loop_.autoExec; };
  if (!headless) {
    m.openUrl = [](const std::string& target) { return OpenUrlInBrowser(target); };
    if (!screen.Fullscreen()) {
      menuView_ = std::make_unique<TMainMenuView>(*menu_, screen);
      m.showAbout = [this] { menuView_->ShowAbout(); };
      m.showPatterns = [this] { menuView_->Patterns().shown = true; };
      m.showMapEditor = [this] {
        if (!mapView_) {
          mapModel_ = std::make_unique<TMapEditor>();
          mapView_ = std::make_unique<TMapEditorView>(*mapModel_);
          // Live reload takes the program's own saves for files it already
          // has; the game's TileMaps read the editor's saves here instead.
          mapModel_->onSaved = [this](const std::string& path) { savedMaps_.push_back(path); };
        }
        mapView_->Show();
      };
      // The editor again with its sheet, else the dialog that picks one.
      m.showPatternEditor = [this] {
        if (!sheetEditor_ || !sheetEditor_->Show()) menuView_->ShowSheetDialog(OpenDialogStart());
      };
      m.showToneEditor = [this] { EditTones(); };
      // The music editor with its song, else with the dialog that picks one.
      m.showMusicEditor = [this] {
        if (!musicEditor_) {
          musicEditor_ = std::make_unique<TMusicEditorWindow>(SoundManager().Sequencer());
          // Live reload takes the program's own saves for files it already
          // has: the game's music is started again from here instead,
          // unless the editor is playing its own song.
          TMusicEditorView& view = musicEditor_->View();
          view.saved = [&view](const std::string& path) {
            if (!view.editor.Playing()) SoundManager().RestartMusic(path);
          };
        }
        musicEditor_->Show(OpenDialogStart());
      };
      // The effect maker with its effect, else "effect.sfx" in the
      // project's folder (a new effect until it is saved).
      m.showSfxEditor = [this] {
        if (!sfxEditor_) sfxEditor_ = std::make_unique<TSfxEditorWindow>();
        std::string path = sfxEditor_->View().opened ? sfxEditor_->View().editor.Path() : OpenDialogStart() + "/effect.sfx";
        sfxEditor_->Open(path);
      };
      m.openPage = [this] {
        // Refused before the dialog while a pause holds execution.
        if (Debugger().HoldsExecution() || DebugEngine().IsStopped()) {
          ShowMessage(J("先にデバッグウィンドウの「停止」を押してください"));
          return;
        }
        menuView_->ShowOpenDialog(OpenDialogStart());
      };
      screen.overlay = [this] { menuView_->DrawOverlay(); };
      // The screen gives the desktop position of a design-mode right click.
      screen.popupMenu = [this](int sx, int sy) {
        int wx = 0;
        int wy = 0;
        screen_.Window().Position(wx, wy);
        menuView_->OpenObjectPopup(sx - wx, sy - wy + screen_.Window().TopInset());
      };
    }
  }
  TDebugger& d = Debugger();
  d.headless = headless;
  d.hooks.writeLine = [](const std::string& line) { std::fprintf(stderr, "%s\n", ToUtf8(line).c_str()); };
  d.hooks.autoExec = [this] { return loop_.autoExec; };
  d.hooks.setAutoExec = [this](bool on) { loop_.autoExec = on; };
  // The idle work is the frame loop installed as the process-wide one.
  d.hooks.reinstallIdle = [this] { SetFrameLoop(&loop_); };
  d.hooks.setLoadingCaption = [this](const std::string& caption) {
    if (shell.setLoadingCaption) shell.setLoadingCaption(caption);
  };
  if (!headless) {
    debugger_ = std::make_unique<TDebuggerView>(d);
    d.hooks.show = [this] { ShowDebugger(); };
    d.hooks.waitForInput = [this] { return PumpWhilePaused(); };
    d.hooks.endProgram = [this] {
      if (shell.endProgram) shell.endProgram();
    };
    Collector().showDebugger = [this] { ShowDebugger(); };
    // The source-level debugger stops inside the interpreter and keeps the
    // windows painted until a run command.
    // Another front end (the debug adapter) may have hooked in first: its
    // hooks are called too, and its wait is kept.
    TDebugEngine& engine = DebugEngine();
    if (!engine.hooks.waitWhileStopped) engine.hooks.waitWhileStopped = [this] { return PumpWhileStopped(); };
    engine.hooks.stopped = [this, before = engine.hooks.stopped](const TStopInfo& stop) {
      if (before) before(stop);
      SourcePanes().OnStopped();
      ShowDebugger();
    };
    engine.hooks.continued = [before = engine.hooks.continued] {
      if (before) before();
      SourcePanes().OnContinued();
    };
    engine.SetBreakOnError(devOption);
  }
  VM().debuggerPause = [] { Debugger().Pause(); };
  loop_.hooks.debuggerStopped = [] { return Debugger().paused; };
  loop_.hooks.setDebuggerCaption = [](const std::string& caption) {
    if (!Debugger().paused) Debugger().caption = caption;
  };
  loop_.hooks.showPreempted = [](const std::string& text) { Debugger().preempted = text; };
  loop_.hooks.statsLine = [] { return StatisticsText(); };
  PageHooks().debuggerHolding = [] { return Debugger().HoldsExecution() || DebugEngine().IsStopped(); };
}

TDevWindows::~TDevWindows() {
  toneEditor_.reset();
  sheetEditor_.reset();
  sfxEditor_.reset();
  screen_.overlay = nullptr;
  screen_.popupMenu = nullptr;
  menuView_.reset();
  VM().debuggerPause = nullptr;
  Collector().showDebugger = nullptr;
  PageHooks().debuggerHolding = nullptr;
  loop_.hooks.debuggerStopped = nullptr;
  loop_.hooks.setDebuggerCaption = nullptr;
  loop_.hooks.showPreempted = nullptr;
  loop_.hooks.statsLine = nullptr;
  debugger_.reset();
  Debugger().Reset();
  if (!headless_) {
    DebugEngine().Reset();
    SourcePanes().Reset();
  }
  if (g_dev == this) g_dev = nullptr;
}

void TDevWindows::HideDevelopmentMenus() {
  gameOnly_ = true;
  screen_.overlay = nullptr;
  screen_.popupMenu = nullptr;
  menuView_.reset();
  screen_.SetStatusBarShown(false);
}

void TDevWindows::LoadBreakpoints() {
  std::string temp = TempDir();
  if (!debugger_ || temp == breakpointsTemp_ || breakpointsTakenOver_) return;
  breakpointsTemp_ = temp;
  DebugEngine().LoadProject(PathParent(temp));
}

std::string TDevWindows::UnsavedMap() const {
  if (!mapModel_ || !mapModel_->Loaded() || !mapModel_->Dirty()) return "";
  return PathFileName(mapModel_->Path());
}

bool TDevWindows::SaveMap() {
  if (!mapModel_) return true;
  if (mapModel_->Save()) return true;
  mapView_->Show();
  mapView_->ShowMessage(mapModel_->LastError());
  return false;
}

std::string TDevWindows::UnsavedMusic() const {
  if (!musicEditor_) return "";
  TMusicEditorView& view = musicEditor_->View();
  if (!view.Loaded() || !view.editor.doc.Dirty()) return "";
  return ToUtf8(PathFileName(view.editor.doc.Path()));
}

bool TDevWindows::SaveMusic() {
  if (!musicEditor_) return true;
  return musicEditor_->View().Run(TMusicCommand::kSave);
}

bool TDevWindows::ShowDebugger() { return debugger_ && debugger_->Show(); }

bool TDevWindows::EditSheet(const std::string& path) {
  if (headless_) return false;
  if (!sheetEditor_) {
    sheetEditor_ = std::make_unique<TPatternEditorWindow>();
    // A sheet registered from the editor is an unsaved change of the page.
    TPatternEditorView& view = sheetEditor_->View();
    view.registerSheet = [this, registerSheet = view.registerSheet](const std::string& sheet) {
      registerSheet(sheet);
      if (HostState().designMode) screen_.Design().SetModified(true);
    };
  }
  return sheetEditor_->Open(path);
}

bool TDevWindows::EditTones() {
  if (headless_) return false;
  if (!toneEditor_) {
    toneEditor_ = std::make_unique<TToneEditorWindow>();
    TToneEditorView& view = toneEditor_->View();
    view.synth = &SoundManager().Sequencer();
    // The game plays with the saved file at once; after closing, tables
    // that notes sent to the engine give way to the project's again.
    auto reload = [](const auto&...) {
      if (ProjectTones()) ProjectTones()->Reload();
    };
    view.saved = reload;
    view.closed = reload;
  }
  const std::string& project = PrjManager().projectFile;
  std::string folder = project.empty() ? ProjectDir() : PathParent(project);
  return toneEditor_->Open(TProjectTones::ProjectFile(folder), ProgramDir() + "/tones.wdt");
}

std::string TDevWindows::UnsavedTones() const {
  if (!toneEditor_) return "";
  const TToneEditor& e = toneEditor_->View().editor;
  return e.Loaded() && e.Dirty() ? ToUtf8(e.Path()) : "";
}

bool TDevWindows::SaveTones() {
  return !toneEditor_ || !toneEditor_->View().editor.Dirty() || toneEditor_->View().Run(TToneCommand::kSave);
}

std::string TDevWindows::UnsavedSfx() const {
  if (!sfxEditor_ || !sfxEditor_->View().opened) return "";
  const TSfxEditor& e = sfxEditor_->View().editor;
  // A new effect nobody touched yet is nothing to lose.
  return e.Dirty() && (!e.IsNew() || e.CanUndo()) ? ToUtf8(e.Path()) : "";
}

bool TDevWindows::SaveSfx() {
  return UnsavedSfx().empty() || sfxEditor_->View().Run(TSfxCommand::kSave);
}

bool TDevWindows::HandleEvent(SDL_Event& e) {
  if (debugger_ && debugger_->HandleEvent(e)) return true;
  if (mapView_ && mapView_->HandleEvent(e)) return true;
  if (sheetEditor_ && sheetEditor_->HandleEvent(e)) return true;
  if (toneEditor_ && toneEditor_->HandleEvent(e)) return true;
  if (musicEditor_ && musicEditor_->HandleEvent(e)) return true;
  if (sfxEditor_ && sfxEditor_->HandleEvent(e)) return true;
  if (menuView_ && menuView_->HandleEvent(e)) return true;
  // The menu's keys (F1, Ctrl+O, Ctrl+F10) work in every mode.
  if (e.type == SDL_KEYDOWN && !e.key.repeat && e.key.windowID == screen_.Window().Id()) {
    TMenuCommand c = menu_->KeyCommand(e.key.keysym.scancode, e.key.keysym.mod);
    if (gameOnly_ && c != TMenuCommand::kHelp) c = TMenuCommand::kNone;
    if (c != TMenuCommand::kNone) {
      menu_->Execute(c);
      return true;
    }
  }
  return false;
}

void TDevWindows::Draw() {
  if (debugger_) {
    LoadBreakpoints();
    debugger_->Draw();
  }
  if (mapView_) mapView_->Draw();
  if (!savedMaps_.empty() && !Debugger().HoldsExecution() && !DebugEngine().IsStopped()) {
    for (const std::string& path : savedMaps_) {
      std::string error;
      ReloadTileMapFile(path, error);
      if (!error.empty()) mapView_->ShowMessage(error);
    }
    savedMaps_.clear();
  }
  if (sheetEditor_) sheetEditor_->Draw();
  if (toneEditor_) toneEditor_->Draw();
  if (musicEditor_) musicEditor_->Draw();
  if (sfxEditor_) sfxEditor_->Draw();
  if (!menuView_) return;
  menu_->Execute(menuView_->TakeCommand());
  std::string sheet = menuView_->TakeSheetToEdit();
  if (!sheet.empty()) EditSheet(sheet);
  std::string cls;
  switch (menuView_->TakeObjectCommand(cls)) {
    case TObjectCommand::kNew: RunDesignCommand(screen_, TDesignCommandId::kNew, cls); break;
    case TObjectCommand::kCopy: RunDesignCommand(screen_, TDesignCommandId::kCopy); break;
    case TObjectCommand::kDelete: RunDesignCommand(screen_, TDesignCommandId::kDelete); break;
    case TObjectCommand::kUndo: RunDesignCommand(screen_, TDesignCommandId::kUndo); break;
    case TObjectCommand::kRedo: RunDesignCommand(screen_, TDesignCommandId::kRedo); break;
    case TObjectCommand::kNone: break;
  }
  if (menuView_->TakeAddPattern()) {
    try {
      if (menuView_->Patterns().Add()) screen_.Design().SetModified(true);
    } catch (const std::exception& e) {
      ShowMessage(e.what());
    }
  }
  std::string chosen = menuView_->TakeChosenFile();
  if (!chosen.empty()) {
    try {
      OpenPageCommand(chosen);
    } catch (const std::exception& e) {
      ShowMessage(e.what());
    }
  }
  // The bar is drawn with every present; when the game presents nothing
  // (no page, paused) the picture is presented again for it.
  uint64_t now = SDL_GetTicks64();
  if (screen_.presentCount != lastPresent_) {
    lastPresent_ = screen_.presentCount;
    lastPresentTicks_ = now;
    return;
  }
  if (now - lastPresentTicks_ < kIdlePresentMs || !HostState().started || screen_.drawingDisabled) return;
  try {
    screen_.Present();
  } catch (const std::exception&) {
    screen_.drawingDisabled = true;
  }
  lastPresent_ = screen_.presentCount;
  lastPresentTicks_ = now;
}

bool TDevWindows::PumpWhilePaused(bool alwaysWait) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (HandleEvent(e)) continue;
    // The main window keeps painting and can be closed; its mouse and
    // keys would run script code under the paused process and wait.
    if ((e.type == SDL_QUIT || e.type == SDL_WINDOWEVENT) && shell.dispatch) shell.dispatch(e);
    if (shell.running && !shell.running()) return false;
  }
  if (shell.running && !shell.running()) return false;
  if (shell.service) shell.service();
  Draw();
  if (Debugger().pausedWatcher) Debugger().pausedWatcher();
  if (alwaysWait || VM().stepBudget <= 0) SDL_WaitEventTimeout(nullptr, kPausedWaitMs);
  return !shell.running || shell.running();
}

}  // namespace ruvel
