#include "shell/sfx_editor_app.h"

#include <SDL.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "devui/imgui_layer.h"
#include "devui/sfx_editor_view.h"
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/video.h"
#include "platform/window.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"
#include "sound/sound_manager.h"

namespace ruvel {

namespace {

constexpr int kWindowWidth = 960;
constexpr int kWindowHeight = 640;

// The sound device: with --fixed-clock one that plays 17 ms a frame, so a
// recorded run is the same every time; else the real one.
TManualWaveOut* StartAudio(const CommandLine& cl, std::string& error) {
  TManualWaveOut* stepped = nullptr;
  if (cl.fixedClock) {
    auto device = std::make_unique<TManualWaveOut>();
    stepped = device.get();
    SoundManager().AttachDevice(std::move(device));
  } else {
    SoundManager().AttachDevice(std::make_unique<TSdlWaveOut>());
  }
  if (!cl.recordAudio.empty() && !SoundManager().StartRecording(cl.recordAudio, error)) {
    error = "録音ファイルを作成できません: " + cl.recordAudio + " (" + error + ")";
  }
  return stepped;
}

int RunWindow(const CommandLine& cl, const std::vector<TInputEvent>& replay, TWindow& window) {
  std::string error;
  TManualWaveOut* stepped = StartAudio(cl, error);
  if (!error.empty()) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    return 1;
  }
  TImGuiLayer layer(window.Sdl(), window.Renderer());
  TSfxEditorView view;
  if (!view.Open(cl.editSfx)) return 1;
  TEditorWindowHooks hooks;
  hooks.windowId = [&window] { return window.Id(); };
  hooks.open = [&view] { return view.shown; };
  hooks.event = [&](const SDL_Event& e) {
    if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) view.RequestClose();
    else if (TImGuiLayer::EventWindow(e) == window.Id()) layer.Feed(e);
  };
  hooks.draw = [&] {
    SDL_Renderer* r = window.Renderer();
    layer.BeginFrame();
    view.Draw(true);
    SDL_SetRenderDrawColor(r, 40, 40, 40, 255);
    SDL_RenderClear(r);
    layer.EndFrame();
    if (stepped) stepped->AdvanceMs(TFixedStepClock::kStepMs);
    SoundManager().Sequencer().Service();
    return r;
  };
  hooks.present = [&window] { SDL_RenderPresent(window.Renderer()); };
  return RunEditorFrames(cl, replay, hooks) ? 0 : 1;
}

}  // namespace

int RunSfxEditorProgram(const CommandLine& cl) {
  std::vector<TInputEvent> replay;
  if (!LoadEditorReplay(cl, replay)) return 1;
  std::string error;
  if (!VideoInit(cl.headless, error)) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    return 1;
  }
  TWindowOptions options;
  options.clientWidth = kWindowWidth;
  options.clientHeight = kWindowHeight;
  options.headless = cl.headless;
  options.title = J("効果音エディタ - ") + cl.editSfx;
  std::unique_ptr<TWindow> window = TWindow::Create(options, error);
  if (!window) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    VideoQuit();
    return 1;
  }
  int status = RunWindow(cl, replay, *window);
  if (!ShutDownSound(error)) {
    std::fprintf(stderr, "ruvel: 録音ファイルを書き込めません: %s\n", error.c_str());
    status = 1;
  }
  window.reset();
  VideoQuit();
  return status;
}

}  // namespace ruvel
