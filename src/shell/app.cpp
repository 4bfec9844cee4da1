#include "shell/app.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "shell/dev_windows.h"
#include "compiler/compile_driver.h"
#include "debugger/debug_engine.h"
#include "shell/export_contents.h"
#include "shell/script_mode.h"
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/host_caps.h"
#include "platform/joystick.h"
#include "platform/message_sink.h"
#include "platform/surface.h"
#include "platform/text_render.h"
#include "platform/video.h"
#include "platform/window.h"
#include "platform/paths.h"
#include "pages/page.h"
#include "pages/project.h"
#include "platform/window_sink.h"
#include "screen/dialog_view.h"
#include "screen/dialogs.h"
#include "screen/host_state.h"
#include "screen/patterns.h"
#include "screen/loading_window.h"
#include "screen/main_screen.h"
#include "screen/panel.h"
#include "screen/script_globals.h"
#include "screen/sprite.h"
#include "platform/keys.h"
#include "platform/message_box.h"
#include "platform/main_loop.h"
#include "shell/capture.h"
#include "shell/live_reload.h"
#include "shell/cli_text.h"
#include "shell/design_session.h"
#include "shell/error_status.h"
#include "shell/frame_loop.h"
#include "shell/project_tones.h"
#include "shell/input_channel.h"
#include "shell/long_run_service.h"
#include "sound/sound_manager.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

constexpr double kLoadingTimerMs = 100.0;

struct TShell {
  const CommandLine& cl;
  std::unique_ptr<TClock> clock;
  std::unique_ptr<TWindow> window;
  std::unique_ptr<TScreen> screen;
  std::unique_ptr<TLoadingWindow> loading;
  std::unique_ptr<TDialogViews> dialogs;  // the script dialogs' windows; none in headless mode
  std::unique_ptr<TFrameLoop> loop;
  std::unique_ptr<TDevWindows> dev;  // menus, debugger and the other development windows
  // With --fixed-clock the sound device plays 17 ms per frame-loop call, so
  // a recorded run is the same every time; else SDL plays in real time.
  TManualWaveOut* steppedAudio = nullptr;
  // The program's tones.wdt, or the project's own while one is loaded.
  std::unique_ptr<TProjectTones> tones;
  bool running = true;
  long frames = 0;  // drawn frames, the idle presents included
  std::string baseTitle = "Ruvel System";  // the project's title, CP932
  std::string caption;                     // the caption shown now
  // The root process the design editor was last reset for: a page switch
  // in design mode starts a new session with nothing selected or unsaved.
  const void* designRoot = nullptr;
  // The answer to the close question within one batch of events: closing
  // the window also sends a quit event, which must not ask again.
  enum { kNotAsked, kKeepOpen, kClose } closeAnswer = kNotAsked;
  // Replayed input (--input) and the recording of all input (--record-input).
  TInputChannel input;
  // Screenshots and GIF recordings (F6, F8, F9, --record-gif).
  std::unique_ptr<TCapture> capture;
  std::unique_ptr<TLiveReload> reload;
  std::function<bool()> betweenFrames;  // TShellHooks::betweenFrames

  explicit TShell(const CommandLine& c) : cl(c) {}
};

// Errors that reach the shell outside the frame loop: a drawing fault
// disables drawing and is logged; anything else is shown.
template <typename F>
void Guarded(TShell& shell, F&& f) {
  try {
    f();
  } catch (const EDrawError& e) {
    shell.screen->drawingDisabled = true;
    LogLine(J("実行時エラー:") + e.Message());
  } catch (const ERuvel& e) {
    ShowMessage(J("実行時エラー:") + e.Message());
  } catch (const std::exception& e) {
    ShowMessage(J("実行時エラー:") + e.what());
  }
}

// Shows the caption when it changed: the project's title, or in design
// mode the page with "*" for unsaved moves.
void UpdateCaption(TShell& shell) {
  std::string caption = WindowCaption(shell.baseTitle, *shell.screen);
  if (caption == shell.caption) return;
  shell.caption = caption;
  shell.window->SetTitle(caption);
}

// Keeps the design editor with the page that design mode runs.
void SyncDesignSession(TShell& shell) {
  const void* root = HostState().designMode ? VM().rootProcess : nullptr;
  if (root == shell.designRoot) return;
  if (root && shell.designRoot) shell.screen->Design().Reset();
  shell.designRoot = root;
}

// What the shell does while one of its message boxes waits: an uncovered
// main window shows its last picture again (the drawing target of an
// unfinished frame is kept), and the sound stays fed.
TMessageBoxHooks BoxHooks(TShell& shell) {
  TMessageBoxHooks hooks;
  hooks.repaintOwner = [&shell] {
    if (!shell.screen) return;
    SDL_Renderer* r = shell.window->Renderer();
    SDL_Texture* target = SDL_GetRenderTarget(r);
    Guarded(shell, [&] { shell.screen->Present(); });
    SDL_SetRenderTarget(r, target);
  };
  hooks.service = [&shell] { Guarded(shell, [] { SoundManager().Sequencer().Service(); }); };
  return hooks;
}

// An editor's unsaved file (name in UTF-8, empty when none) asks first:
// save, discard or cancel; false keeps the program open.
bool EditorMayClose(TShell& shell, const std::string& name, const std::function<bool()>& save) {
  if (shell.cl.headless || name.empty()) return true;
  TMessageBoxRequest box;
  box.title = "Ruvel System";
  box.text = Utf8ToCp932(name) + J(" に保存されていない変更があります。\n保存してから終了しますか?");
  box.buttons = {J("保存して終了"), J("保存せずに終了"), J("キャンセル")};
  box.enterButton = 0;
  box.escapeButton = 2;
  int choice = RunMessageBox(box, shell.window->Sdl(), BoxHooks(shell));
  if (choice < 0) {
    std::fprintf(stderr, "ruvel: %s の保存されていない変更を破棄しました (%s)\n", name.c_str(), SDL_GetError());
    return true;
  }
  if (choice == 0) return save();
  return choice == 1;
}

// An unsaved map in the map editor, song in the music editor, tables in
// the tone editor or effect in the effect maker ask first too; false keeps
// the program open.
bool EditorsMayClose(TShell& shell) {
  TDevWindows* dev = DevWindows();
  return !dev || (EditorMayClose(shell, dev->UnsavedMap(), [dev] { return dev->SaveMap(); }) &&
                  EditorMayClose(shell, dev->UnsavedMusic(), [dev] { return dev->SaveMusic(); }) &&
                  EditorMayClose(shell, dev->UnsavedTones(), [dev] { return dev->SaveTones(); }) &&
                  EditorMayClose(shell, dev->UnsavedSfx(), [dev] { return dev->SaveSfx(); }));
}

// Closing the window with unsaved moves asks first; false keeps it open.
// Without a window nobody can answer, and the program ends as asked.
bool MayClose(TShell& shell) {
  if (!EditorsMayClose(shell)) return false;
  if (shell.cl.headless || !HostState().designMode || !shell.screen->Design().Modified()) return true;
  std::string page = PathFileName(PageState().currentFile);
  TMessageBoxRequest box;
  box.title = "Ruvel System";
  box.text = page + J(" に保存されていない変更があります。\n保存してから終了しますか?");
  box.buttons = {J("保存して終了"), J("保存せずに終了"), J("キャンセル")};
  box.enterButton = 0;
  box.escapeButton = 2;
  int choice = RunMessageBox(box, shell.window->Sdl(), BoxHooks(shell));
  if (choice < 0) {
    // No box can be shown: the close goes ahead, and the lost moves are at
    // least reported.
    std::fprintf(stderr, "ruvel: %s の保存されていない変更を破棄しました (%s)\n", ToUtf8(page).c_str(),
                 SDL_GetError());
    return true;
  }
  if (choice == 0) return SaveDesignedPage(*shell.screen);
  return choice == 1;
}

void RequestClose(TShell& shell) {
  if (shell.closeAnswer == TShell::kNotAsked) shell.closeAnswer = MayClose(shell) ? TShell::kClose : TShell::kKeepOpen;
  if (shell.closeAnswer == TShell::kClose) shell.running = false;
}

void WireHooks(TShell& shell) {
  TScreen& screen = *shell.screen;
  TFrameLoop& loop = *shell.loop;
  loop.hooks.clearSprites = [&screen] { screen.Sprites().Clear(); };
  loop.hooks.draw = [&screen] { screen.DrawAll(); };
  loop.hooks.drawingDisabled = [&screen] { return screen.drawingDisabled; };
  loop.hooks.disableDrawing = [&screen] { screen.drawingDisabled = true; };
  loop.hooks.tell = [&screen](const std::string& text) { screen.SetStatusText(text); };
  loop.hooks.showLoadingWindow = [&shell](const std::string& caption) {
    shell.loading->Show(TickMs(), caption);
  };
  loop.hooks.pageSwitchPending = [] { return PrjManager().HasPendingPage(); };
  loop.hooks.performPageSwitch = [] { PrjManager().PerformPendingPage(); };
  screen.dropProject = [] { PrjManager().CloseProject(); };
  screen.runFrameLoop = [&loop] { loop.Main(); };
  screen.loadingTick = [&shell] { shell.loading->Tick(TickMs()); };
  screen.pumpMessages = [] { SDL_PumpEvents(); };
  loop.hooks.refillSound = [] { SoundManager().Sequencer().Service(); };
  loop.hooks.sleep = SleepMs;
  screen.refillSound = [] { SoundManager().Sequencer().Service(); };
  shell.loading->switchAutoExecOn = [&loop] { loop.autoExec = true; };
  WireDesignMode(screen);
  InstallLongRunService(screen, shell.window->Id(), shell.cl.headless);
  screen.Design().onModifiedChanged = [&shell] { UpdateCaption(shell); };
  WireErrorStatus(screen, [&shell] { return shell.cl.dev || HostState().designMode; });
}

int ShutDownAudio();
void Dispatch(TShell& shell, const SDL_Event& e);

// The program directory's tone file, and the project folder's own whenever
// a project is loaded or closed.
void WireProjectTones(TShell& shell) {
  shell.tones = std::make_unique<TProjectTones>(SoundManager().Sequencer());
  shell.tones->tell = [&shell](const std::string& text) { shell.screen->SetStatusText(text); };
  shell.tones->LoadProgramTones(ResolveProgramDir(shell.cl));
  PrjManager().projectChanged = [&shell] {
    const std::string& file = PrjManager().projectFile;
    shell.tones->UseProject(file.empty() ? std::string() : PathParent(file));
  };
  SetProjectTones(shell.tones.get());
}

// The development windows, and what they need of the shell while a pause
// holds execution inside a frame.
void WireDevWindows(TShell& shell) {
  // A browser page has no menu bar and no debugger window: there they work
  // as without a display.
  bool windowless = shell.cl.headless || !HostHasMoreWindows();
  shell.dev = std::make_unique<TDevWindows>(*shell.screen, *shell.loop, windowless, shell.cl.dev);
  // An exported game shows the game alone unless --dev asks otherwise.
  if (!shell.cl.dev && ExportedGameHidesDevMenus(ResolveProgramDir(shell.cl))) shell.dev->HideDevelopmentMenus();
  TDevShellHooks& h = shell.dev->shell;
  h.requestClose = [&shell] { RequestClose(shell); };
  h.dispatch = [&shell](const SDL_Event& e) { Guarded(shell, [&] { Dispatch(shell, e); }); };
  h.running = [&shell] { return shell.running; };
  h.endProgram = [] { std::exit(ShutDownAudio()); };
  h.service = [&shell] { Guarded(shell, [&] { SoundManager().Sequencer().Tick(shell.clock->NowMs()); }); };
  h.setLoadingCaption = [&shell](const std::string& caption) { shell.loading->Show(TickMs(), caption); };
}

// The start-up path: the display restarts, the script world starts, and
// the window takes its title and place.
void StartUp(TShell& shell, const TShellHooks& hooks) {
  THostState& host = HostState();
  host.starting = true;
  if (!shell.cl.headless) shell.loading->Show(TickMs());
  Guarded(shell, [&] {
    shell.screen->RestartDisplay();
    if (hooks.startScriptWorld) hooks.startScriptWorld();
  });
  SetGlobalInt("$_emChar", 1);
  SetGlobalInt("$_editMode", 1);
  host.starting = false;
  host.started = true;
  Guarded(shell, [&] { shell.screen->OnResize(false); });
  std::string title = ProjectParam("title") + ProjectParam("version");
  if (!title.empty()) shell.baseTitle = title;
  SyncDesignSession(shell);
  UpdateCaption(shell);
  int x = 0;
  int y = 0;
  shell.window->Position(x, y);
  shell.screen->OnMove(x, y);
  // Without a window (or a loading picture of its own) nobody waits for it.
  if (shell.cl.headless || !HostHasMoreWindows()) shell.loop->autoExec = true;
}

void OnWindowEvent(TShell& shell, const SDL_WindowEvent& e) {
  THostState& host = HostState();
  if (e.windowID == shell.loading->WindowId()) {
    // The loading window is the program's too: focus there keeps it active.
    if (e.event == SDL_WINDOWEVENT_FOCUS_GAINED && !shell.cl.headless) host.appActive = true;
    if (e.event == SDL_WINDOWEVENT_CLOSE) {
      shell.loading->OnClose();
      shell.screen->loadingClosed = true;
    }
    return;
  }
  if (e.windowID != shell.window->Id()) return;
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE:
      RequestClose(shell);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      shell.screen->OnResize(true);
      break;
    case SDL_WINDOWEVENT_MOVED:
      shell.screen->OnMove(e.data1, e.data2);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      // A process stopped by the debugger is in the middle of a frame: the
      // last whole picture is shown again instead of the unfinished one.
      if (DebugEngine().IsStopped()) {
        shell.screen->Present();
      } else {
        shell.screen->Paint();
      }
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      if (!shell.cl.headless) host.appActive = true;
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // A replay plays on whatever window has the focus.
      if (!shell.cl.headless && !shell.input.Replaying()) host.appActive = false;
      break;
    default:
      break;
  }
}

// A key pressed (or repeated while held) by a person or by a replay.
void OnKeyDown(TShell& shell, int scancode, bool repeat) {
  const THostState& host = HostState();
  bool ctrl = KeySource().IsDown(0x11);
  if (!repeat && shell.capture && shell.capture->HandleKey(scancode)) return;
  // Ctrl+S once per press; arrow keys repeat while held.
  if (host.designMode && !(ctrl && repeat) && HandleDesignKey(*shell.screen, scancode, ctrl)) return;
  // F3: pause and resume (the run menu's command).
  if (scancode == SDL_SCANCODE_F3 && !repeat) {
    if (!host.starting && ProjectParam("disable_pause") != "1" && !host.designMode) {
      shell.loop->autoExec = !shell.loop->autoExec;
    }
  }
}

// Every key and mouse event, a person's or a replayed one, goes this way:
// it is recorded, the replayed key state follows it, and the screen and
// the design editor see it as they see SDL's events. repeat: a key-down
// for a key that was already down.
void DeliverInput(TShell& shell, const TInputEvent& e, bool replayed, bool repeat) {
  shell.input.Record(e);
  TScreen& screen = *shell.screen;
  switch (e.kind) {
    case TInputKind::kKeyDown:
      if (replayed) SetReplayedKey(e.key, true);
      OnKeyDown(shell, ScancodeOfVirtualKey(e.key), repeat);
      break;
    case TInputKind::kKeyUp:
      if (replayed) SetReplayedKey(e.key, false);
      break;
    case TInputKind::kPress:
      if (replayed) SetReplayedKey(e.right ? 0x02 : 0x01, true);
      screen.PictureMouseDown(e.x, e.y, !e.right || KeySource().IsDown(0x01), e.right || KeySource().IsDown(0x02));
      break;
    case TInputKind::kRelease:
      if (replayed) SetReplayedKey(e.right ? 0x02 : 0x01, false);
      screen.PictureMouseUp(e.x, e.y, !e.right, e.right);
      break;
    case TInputKind::kMove:
      screen.PictureMouseMove(e.x, e.y, KeySource().IsDown(0x01), KeySource().IsDown(0x02));
      break;
  }
}

void DeliverReplayed(TShell& shell, const TInputEvent& e) {
  bool repeat = e.kind == TInputKind::kKeyDown && KeySource().IsDown(e.key);
  DeliverInput(shell, e, true, repeat);
}

// An SDL key or mouse event of the main window as an input event, mouse
// positions in picture pixels; false for keys without a virtual-key code,
// presses outside the picture and other events.
bool FromSdl(TShell& shell, const SDL_Event& e, TInputEvent& out) {
  out.frame = shell.frames;
  TScreen& screen = *shell.screen;
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out.kind = e.type == SDL_KEYDOWN ? TInputKind::kKeyDown : TInputKind::kKeyUp;
      out.key = VirtualKeyOfScancode(e.key.keysym.scancode);
      return out.key != 0;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.windowID != shell.window->Id()) return false;
      if (e.button.button != SDL_BUTTON_LEFT && e.button.button != SDL_BUTTON_RIGHT) return false;
      out.kind = e.type == SDL_MOUSEBUTTONDOWN ? TInputKind::kPress : TInputKind::kRelease;
      out.right = e.button.button == SDL_BUTTON_RIGHT;
      {
        int x = e.button.x;
        int y = e.button.y;
        bool inside = screen.WindowToPicture(x, y);
        out.x = x;
        out.y = y;
        return inside || out.kind == TInputKind::kRelease;
      }
    case SDL_MOUSEMOTION:
      if (e.motion.windowID != shell.window->Id()) return false;
      out.kind = TInputKind::kMove;
      {
        int x = e.motion.x;
        int y = e.motion.y;
        screen.WindowToPicture(x, y);
        out.x = x;
        out.y = y;
      }
      return true;
    default:
      return false;
  }
}

void Dispatch(TShell& shell, const SDL_Event& event) {
  if (shell.dialogs && shell.dialogs->HandleEvent(event)) return;
  SDL_Event e = event;  // the menu bar's rows come off the mouse positions
  if (shell.dev && shell.dev->HandleEvent(e)) return;
  switch (e.type) {
    case SDL_QUIT:
      RequestClose(shell);
      return;
    case SDL_WINDOWEVENT:
      OnWindowEvent(shell, e.window);
      return;
    default:
      break;
  }
  TInputEvent input;
  if (FromSdl(shell, e, input)) {
    DeliverInput(shell, input, false, e.type == SDL_KEYDOWN && e.key.repeat);
  } else if (e.type == SDL_KEYDOWN) {
    // Keys without a virtual-key code still reach the design editor.
    OnKeyDown(shell, e.key.keysym.scancode, e.key.repeat);
  }
}

// Edits of the game's files are picked up while developing: in --dev and
// design mode, and when the project asks for it.
bool LiveReloadWanted(const TShell& shell) {
  return shell.cl.dev || shell.cl.design || HostState().designMode || ProjectParam("live_reload") == "1";
}

// One pass of the program's loop: events, replayed input, the frame loop,
// the development windows and the frame count. False when the program is
// to end.
bool Step(TShell& shell, double& lastTick) {
  const CommandLine& cl = shell.cl;
  SDL_Event e;
  shell.closeAnswer = TShell::kNotAsked;
  while (shell.running && SDL_PollEvent(&e)) Guarded(shell, [&] { Dispatch(shell, e); });
  if (shell.betweenFrames && !shell.betweenFrames()) shell.running = false;
  if (!shell.running) return false;
  double now = TickMs();
  if (now - lastTick >= kLoadingTimerMs) {
    lastTick = now;
    shell.loading->Tick(now);
  }
  SetPadKeys(ProjectParam("pad_keys") == "1");
  // Replayed events of the frames drawn so far, before the next steps.
  shell.input.DeliverDue(shell.frames, [&shell](const TInputEvent& e) {
    Guarded(shell, [&] { DeliverReplayed(shell, e); });
  });
  if (shell.steppedAudio) shell.steppedAudio->AdvanceMs(TFixedStepClock::kStepMs);
  // The sequencer's own timer.
  Guarded(shell, [&] { SoundManager().Sequencer().Tick(shell.clock->NowMs()); });
  long before = shell.loop->drawCount;
  bool idle = true;
  Guarded(shell, [&] { idle = shell.loop->Main(); });
  long drawn = shell.loop->drawCount - before;
  Guarded(shell, [&] { shell.reload->BetweenFrames(LiveReloadWanted(shell), TickMs()); });
  SyncDesignSession(shell);
  UpdateCaption(shell);
  if (shell.dev) shell.dev->Draw();
  // Nothing runs (no page yet, or paused): a headless run or a counted
  // run still presents the picture at the frame pace.
  if (idle && (cl.headless || cl.frames >= 0)) {
    Guarded(shell, [&] {
      if (!shell.screen->drawingDisabled) shell.screen->DrawAll();
    });
    ++drawn;
  }
  for (long i = 0; i < drawn; ++i) Guarded(shell, [&] { shell.capture->FrameDrawn(); });
  shell.frames += drawn;
  if (drawn > 0) NoteFramesDrawn(shell.frames);
  if (cl.frames >= 0 && shell.frames >= cl.frames) return false;
  if (!cl.fixedClock && shell.loop->lastSteps == 0) {
    // Sleep until the next update step is due, waking for events.
    double due = shell.loop->timeBase + TFrameLoop::kStepMs - shell.clock->NowMs();
    WaitForNextStep(std::clamp(static_cast<int>(due), 1, static_cast<int>(TFrameLoop::kStepMs)));
  }
  return shell.running;
}

// The loop itself: a plain loop on the desktop, the browser's animation
// frames in a page (where this never returns).
void Run(TShell& shell) {
  double lastTick = TickMs();
  RunMainLoop([&shell, lastTick]() mutable { return Step(shell, lastTick); });
}

// Sound stops before SDL goes; a recording that could not be completed is
// reported and makes the exit code 1.
int ShutDownAudio() {
  std::string error;
  if (ShutDownSound(error)) return 0;
  std::fprintf(stderr, "ruvel: 録音ファイルを書き込めません: %s\n", error.c_str());
  return 1;
}

// The sound device for this run, and the recording when one was asked for.
bool StartAudio(TShell& shell, std::string& error) {
  if (shell.cl.fixedClock) {
    auto stepped = std::make_unique<TManualWaveOut>();
    shell.steppedAudio = stepped.get();
    SoundManager().AttachDevice(std::move(stepped));
  } else {
    SoundManager().AttachDevice(std::make_unique<TSdlWaveOut>());
  }
  if (shell.cl.recordAudio.empty()) return true;
  if (SoundManager().StartRecording(shell.cl.recordAudio, error)) return true;
  error = "録音ファイルを作成できません: " + shell.cl.recordAudio + " (" + error + ")";
  return false;
}

void ShutDown(TShell& shell) {
  SetFrameLoop(nullptr);
  VM().runError = nullptr;
  if (shell.screen) shell.screen->Sprites().Clear();
  FreeAllPanels();
  SpriteSettings().mapSurface.reset();
  // Pattern textures belong to the renderer that is about to go.
  ReleasePatternTextures();
  shell.dialogs.reset();
  shell.dev.reset();
  PrjManager().projectChanged = nullptr;
  SetProjectTones(nullptr);
  shell.tones.reset();
  shell.loading.reset();
  SetMainScreen(nullptr);
  shell.screen.reset();
  shell.window.reset();
  CloseJoysticks();
  CloseFonts();
  VideoQuit();
}

}  // namespace

int RunShell(const CommandLine& cl, const TShellHooks& hooks) {
  // On the heap: in a browser the loop outlives this function's frame.
  auto stderrSinkOwned = std::make_unique<StderrSink>(cl.log);
  auto windowSinkOwned = std::make_unique<WindowSink>(cl.log);
  StderrSink& stderrSink = *stderrSinkOwned;
  WindowSink& windowSink = *windowSinkOwned;
  MessageSink* previousSink = SetSink(cl.headless ? static_cast<MessageSink*>(&stderrSink) : &windowSink);

  std::string error;
  auto shellOwned = std::make_unique<TShell>(cl);
  TShell& shell = *shellOwned;
  shell.betweenFrames = hooks.betweenFrames;
  // A malformed input script is refused before anything runs.
  if (!cl.input.empty()) {
    try {
      shell.input.LoadReplay(cl.input);
    } catch (const EInputScript& e) {
      std::fprintf(stderr, "ruvel: %s\n", e.what());
      SetSink(previousSink);
      return 2;
    }
  }
  if (!cl.recordInput.empty() && !shell.input.StartRecording(cl.recordInput, error)) {
    std::fprintf(stderr, "ruvel: %s\n", CliText(TCliText::kRecordInput, error).c_str());
    SetSink(previousSink);
    return 1;
  }
  if (!cl.recordGif.empty() && !TGifWriter::CanWrite(cl.recordGif, error)) {
    std::fprintf(stderr, "ruvel: GIF: %s\n", error.c_str());
    SetSink(previousSink);
    return 1;
  }
  if (!VideoInit(cl.headless, error)) {
    if (!cl.headless) error = CliText(TCliText::kNoDisplay, error.empty() ? CliText(TCliText::kNoDisplaySet) : error);
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    SetSink(previousSink);
    return 1;
  }
  TWindowOptions options;
  options.fullscreen = cl.fullscreen;
  options.headless = cl.headless;
  shell.window = TWindow::Create(options, error);
  if (!shell.window) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    VideoQuit();
    SetSink(previousSink);
    return 1;
  }
  windowSink.SetWindow(shell.window->Sdl());
  windowSink.SetHooks(BoxHooks(shell));

  int code = 0;
  try {
    if (cl.fixedClock) {
      shell.clock = std::make_unique<TFixedStepClock>();
    } else {
      shell.clock = std::make_unique<TSteadyClock>();
    }
    shell.screen = std::make_unique<TScreen>(*shell.window);
    SetMainScreen(shell.screen.get());
    shell.capture = std::make_unique<TCapture>(*shell.screen);
    shell.capture->RecordRunTo(cl.recordGif);
    shell.capture->tell = [&shell](const std::string& text) { shell.screen->SetStatusText(text); };
    shell.reload = std::make_unique<TLiveReload>();
    shell.reload->tell = [&shell](const std::string& text) { shell.screen->SetStatusText(text); };
    shell.reload->unsavedDesign = [&shell] { return shell.screen->Design().Modified(); };
    SoundManager().notice = [&shell](const std::string& text) { shell.screen->SetStatusText(text); };
    // A browser page shows its own loading text instead of a second window.
    shell.loading = std::make_unique<TLoadingWindow>(shell.window.get(), cl.headless || !HostHasMoreWindows());
    if (!cl.headless) shell.dialogs = std::make_unique<TDialogViews>(Dialogs(), shell.window.get());
    shell.loop = std::make_unique<TFrameLoop>(*shell.clock);
    SetFrameLoop(shell.loop.get());
    WireHooks(shell);
    WireDevWindows(shell);
    if (!StartAudio(shell, error)) throw std::runtime_error(error);
    TLiveReload::KeepSpareMembers(LiveReloadWanted(shell));
    WireProjectTones(shell);
    StartUp(shell, hooks);
    // Mappings of more game controllers, as SDL's database writes them.
    std::string pads = PathLocate(ProgramDir() + "/gamecontrollerdb.txt");
    try {
      if (!ProgramDir().empty() && PathExists(pads) && LoadControllerMappings(pads) < 0) {
        LogLine(J("gamecontrollerdb.txt を読めません: ") + SDL_GetError());
      }
    } catch (const EIOError& e) {
      // Said on stderr as a missing sound is: the program runs on without it.
      std::fprintf(stderr, "ruvel: %s\n", ToUtf8(e.Message()).c_str());
    }
    Run(shell);
    if (!shell.capture->Finish(error)) {
      std::fprintf(stderr, "ruvel: GIF: %s\n", error.c_str());
      code = 1;
    }
    if (!cl.screenshot.empty() && !shell.screen->Screenshot(cl.screenshot, error)) {
      std::fprintf(stderr, "ruvel: スクリーンショットを保存できません: %s\n", error.c_str());
      code = 1;
    }
    // A class that did not compile was shown on stderr; the run failed.
    if (cl.headless && CompileFailures() > 0) code = 1;
  } catch (const ERuvel& e) {
    std::fprintf(stderr, "ruvel: %s\n", ToUtf8(e.Message()).c_str());
    code = 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ruvel: %s\n", e.what());
    code = 1;
  }
  windowSink.SetWindow(nullptr);
  if (ShutDownAudio() != 0) code = 1;
  if (!shell.input.StopRecording(error)) {
    std::fprintf(stderr, "ruvel: %s\n", CliText(TCliText::kRecordInput, error).c_str());
    code = 1;
  }
  ClearReplayedKeys();
  ShutDown(shell);
  SetSink(previousSink);
  return code;
}

}  // namespace ruvel
