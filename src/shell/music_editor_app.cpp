#include "shell/music_editor_app.h"

#include <SDL.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "devui/imgui_layer.h"
#include "devui/music_editor_view.h"
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

constexpr int kWindowWidth = 1100;
constexpr int kWindowHeight = 720;

// The device the editor plays on: one that moves a frame's time per frame
// with --fixed-clock (so replays sound the same every run), else SDL's.
TManualWaveOut* AttachSound(const CommandLine& cl) {
  if (!cl.fixedClock) {
    SoundManager().AttachDevice(std::make_unique<TSdlWaveOut>());
    return nullptr;
  }
  auto stepped = std::make_unique<TManualWaveOut>();
  TManualWaveOut* device = stepped.get();
  SoundManager().AttachDevice(std::move(stepped));
  return device;
}

}  // namespace

int RunMusicEditorProgram(const CommandLine& cl) {
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
  options.title = J("音楽エディタ");
  std::unique_ptr<TWindow> window = TWindow::Create(options, error);
  if (!window) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    VideoQuit();
    return 1;
  }
  int status = 0;
  TManualWaveOut* stepped = AttachSound(cl);
  if (!cl.recordAudio.empty() && !SoundManager().StartRecording(cl.recordAudio, error)) {
    std::fprintf(stderr, "ruvel: 録音ファイルを作成できません: %s (%s)\n", cl.recordAudio.c_str(), error.c_str());
    status = 1;
  }
  if (status == 0) {
    TImGuiLayer layer(window->Sdl(), window->Renderer());
    TMusicEditorView view(SoundManager().Sequencer());
    if (!view.Open(cl.editMml)) {
      status = 1;
    } else {
      window->SetTitle(J("音楽エディタ - ") + cl.editMml);
      TEditorWindowHooks hooks;
      hooks.windowId = [&window] { return window->Id(); };
      hooks.open = [&view] { return view.shown; };
      hooks.event = [&](const SDL_Event& e) {
        if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) view.RequestClose();
        else if (TImGuiLayer::EventWindow(e) == window->Id()) layer.Feed(e);
      };
      hooks.draw = [&] {
        if (stepped) stepped->AdvanceMs(TFixedStepClock::kStepMs);
        SoundManager().Sequencer().Service();
        SDL_Renderer* r = window->Renderer();
        layer.BeginFrame();
        view.Draw(true);
        SDL_SetRenderDrawColor(r, 40, 40, 40, 255);
        SDL_RenderClear(r);
        layer.EndFrame();
        return r;
      };
      hooks.present = [&window] { SDL_RenderPresent(window->Renderer()); };
      if (!RunEditorFrames(cl, replay, hooks)) status = 1;
    }
  }
  if (!ShutDownSound(error)) {
    std::fprintf(stderr, "ruvel: 録音ファイルを書き込めません: %s\n", error.c_str());
    status = 1;
  }
  window.reset();
  VideoQuit();
  return status;
}

}  // namespace ruvel
