#include "shell/tone_editor_app.h"

#include <SDL.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "devui/imgui_layer.h"
#include "devui/tone_editor_view.h"
#include "platform/audio_device.h"
#include "platform/cp932.h"
#include "platform/video.h"
#include "platform/window.h"
#include "shell/command_line.h"
#include "shell/editor_program.h"
#include "shell/frame_loop.h"
#include "shell/script_mode.h"
#include "sound/sound_manager.h"

namespace ruvel {

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 640;

}  // namespace

int RunToneEditorProgram(const CommandLine& cl) {
  std::vector<TInputEvent> replay;
  if (!LoadEditorReplay(cl, replay)) return 1;
  std::string programDir = ResolveProgramDir(cl);
  std::string file = cl.editTonesFile;
  if (file.empty()) file = (cl.project.empty() ? programDir + "/Usr" : cl.project) + "/tones.wdt";
  std::string error;
  // Sound first: with --fixed-clock the device plays 17 ms per frame, so a
  // recording is the same every time.
  TManualWaveOut* stepped = nullptr;
  if (cl.fixedClock) {
    auto device = std::make_unique<TManualWaveOut>();
    stepped = device.get();
    SoundManager().AttachDevice(std::move(device));
  } else {
    SoundManager().AttachDevice(std::make_unique<TSdlWaveOut>());
  }
  if (!cl.recordAudio.empty() && !SoundManager().StartRecording(cl.recordAudio, error)) {
    std::fprintf(stderr, "ruvel: 録音ファイルを作成できません: %s (%s)\n", cl.recordAudio.c_str(), error.c_str());
    return 1;
  }
  if (!VideoInit(cl.headless, error)) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    ShutDownSound(error);
    return 1;
  }
  TWindowOptions options;
  options.clientWidth = kWindowWidth;
  options.clientHeight = kWindowHeight;
  options.headless = cl.headless;
  options.title = J("音色エディタ");
  std::unique_ptr<TWindow> window = TWindow::Create(options, error);
  int status = 0;
  if (!window) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    status = 1;
  } else {
    TImGuiLayer layer(window->Sdl(), window->Renderer());
    TToneEditorView view;
    view.synth = &SoundManager().Sequencer();
    if (!view.Open(file, programDir + "/tones.wdt")) {
      status = 1;
    } else {
      window->SetTitle(J("音色エディタ - ") + file);
      TEditorWindowHooks hooks;
      hooks.windowId = [&window] { return window->Id(); };
      hooks.open = [&view] { return view.shown; };
      hooks.event = [&](const SDL_Event& e) {
        if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) view.RequestClose();
        else if (TImGuiLayer::EventWindow(e) == window->Id()) layer.Feed(e);
      };
      hooks.draw = [&] {
        if (stepped) stepped->AdvanceMs(TFrameLoop::kStepMs);
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
  window.reset();
  if (!ShutDownSound(error)) {
    std::fprintf(stderr, "ruvel: 録音ファイルを書き込めません: %s\n", error.c_str());
    status = 1;
  }
  VideoQuit();
  return status;
}

}  // namespace ruvel
