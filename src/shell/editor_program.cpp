#include "shell/editor_program.h"

#include <cstdio>
#include <memory>

#include "devui/imgui_layer.h"
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/keys.h"
#include "platform/screenshot.h"
#include "platform/video.h"
#include "platform/window.h"
#include "shell/command_line.h"
#include "sound/sound_manager.h"

namespace ruvel {

namespace {

constexpr int kVkShift = 0x10;
constexpr int kVkControl = 0x11;
constexpr int kFrameMs = 16;

// Attaches the sound device and starts --record-audio; the stepped device
// (with --fixed-clock) or null. False with the reason on stderr.
bool StartEditorSound(const CommandLine& cl, TManualWaveOut*& stepped) {
  stepped = nullptr;
  if (cl.fixedClock) {
    auto device = std::make_unique<TManualWaveOut>();
    stepped = device.get();
    SoundManager().AttachDevice(std::move(device));
  } else {
    SoundManager().AttachDevice(std::make_unique<TSdlWaveOut>());
  }
  std::string error;
  if (cl.recordAudio.empty() || SoundManager().StartRecording(cl.recordAudio, error)) return true;
  std::fprintf(stderr, "ruvel: 録音ファイルを作成できません: %s (%s)\n", cl.recordAudio.c_str(), error.c_str());
  return false;
}

// Frames of the editor in its window until it closes; the exit status.
int RunEditorWindow(const CommandLine& cl, const std::vector<TInputEvent>& replay, const TEditorProgram& p, TWindow& window,
                    TManualWaveOut* stepped) {
  TImGuiLayer layer(window.Sdl(), window.Renderer());
  int status = 0;
  if (!p.open()) {
    status = 1;
  } else {
    window.SetTitle(p.name + " - " + p.file);
    TEditorWindowHooks hooks;
    hooks.windowId = [&window] { return window.Id(); };
    hooks.open = p.shown;
    hooks.event = [&](const SDL_Event& e) {
      if (e.type == SDL_QUIT || (e.type == SDL_WINDOWEVENT && e.window.event == SDL_WINDOWEVENT_CLOSE)) p.requestClose();
      else if (TImGuiLayer::EventWindow(e) == window.Id()) layer.Feed(e);
    };
    hooks.draw = [&] {
      if (stepped) stepped->AdvanceMs(TFixedStepClock::kStepMs);
      if (p.sound) SoundManager().Sequencer().Service();
      SDL_Renderer* r = window.Renderer();
      layer.BeginFrame();
      p.draw(r);
      SDL_SetRenderDrawColor(r, 40, 40, 40, 255);
      SDL_RenderClear(r);
      layer.EndFrame();
      return r;
    };
    hooks.present = [&window] { SDL_RenderPresent(window.Renderer()); };
    if (!RunEditorFrames(cl, replay, hooks)) status = 1;
  }
  if (p.finish) p.finish();
  return status;
}

}  // namespace

SDL_Event ReplayedSdlEvent(const TInputEvent& in, uint32_t windowId, uint16_t& mods) {
  SDL_Event e{};
  switch (in.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyUp: {
      bool down = in.kind == TInputKind::kKeyDown;
      uint16_t bit = in.key == kVkShift ? KMOD_LSHIFT : in.key == kVkControl ? KMOD_LCTRL : 0;
      mods = down ? uint16_t(mods | bit) : uint16_t(mods & ~bit);
      e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.windowID = windowId;
      e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.scancode = SDL_Scancode(ScancodeOfVirtualKey(in.key));
      e.key.keysym.mod = mods;
      break;
    }
    case TInputKind::kMove:
      e.type = SDL_MOUSEMOTION;
      e.motion.windowID = windowId;
      e.motion.x = in.x;
      e.motion.y = in.y;
      break;
    case TInputKind::kPress:
    case TInputKind::kRelease:
      e.type = in.kind == TInputKind::kPress ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      e.button.windowID = windowId;
      e.button.button = in.right ? SDL_BUTTON_RIGHT : SDL_BUTTON_LEFT;
      e.button.state = in.kind == TInputKind::kPress ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = 1;
      e.button.x = in.x;
      e.button.y = in.y;
      break;
  }
  return e;
}

bool ReplayedText(const TInputEvent& in, uint16_t mods, SDL_Event& text, uint32_t windowId) {
  if (in.kind != TInputKind::kKeyDown || (mods & KMOD_CTRL)) return false;
  bool shift = (mods & KMOD_SHIFT) != 0;
  // The keys that type a character: virtual key, plain, with Shift.
  static constexpr struct {
    uint8_t vk;
    char plain;
    char shifted;
  } kTyped[] = {
      {0x20, ' ', ' '}, {0xBA, ';', ':'}, {0xBB, '=', '+'}, {0xBC, ',', '<'}, {0xBD, '-', '_'}, {0xBE, '.', '>'},
      {0xBF, '/', '?'}, {0xDB, '[', '{'}, {0xDD, ']', '}'}, {0xDE, '\'', '"'}, {0xDC, '\\', '|'},
  };
  static constexpr char kShiftedDigits[] = ")!@#$%^&*(";
  char c = 0;
  if (in.key >= 'A' && in.key <= 'Z') c = char(shift ? in.key : in.key - 'A' + 'a');
  else if (in.key >= '0' && in.key <= '9') c = shift ? kShiftedDigits[in.key - '0'] : char(in.key);
  for (const auto& t : kTyped) {
    if (t.vk == in.key) c = shift ? t.shifted : t.plain;
  }
  if (c == 0) return false;
  text = SDL_Event{};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = windowId;
  text.text.text[0] = c;
  return true;
}

bool LoadEditorReplay(const CommandLine& cl, std::vector<TInputEvent>& replay) {
  if (cl.input.empty()) return true;
  try {
    replay = LoadInputScript(cl.input);
    return true;
  } catch (const EInputScript& e) {
    std::fprintf(stderr, "ruvel: %s\n", e.what());
    return false;
  }
}

bool RunEditorFrames(const CommandLine& cl, const std::vector<TInputEvent>& replay, const TEditorWindowHooks& window) {
  bool ok = true;
  size_t next = 0;
  uint16_t mods = 0;
  for (long frame = 0; window.open(); ++frame) {
    for (; next < replay.size() && replay[next].frame <= frame; ++next) {
      SDL_Event e = ReplayedSdlEvent(replay[next], window.windowId(), mods);
      SDL_PushEvent(&e);
      SDL_Event text;
      if (ReplayedText(replay[next], mods, text, window.windowId())) SDL_PushEvent(&text);
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) window.event(e);
    SDL_Renderer* r = window.draw();
    bool last = (cl.frames >= 0 && frame + 1 >= cl.frames) || !window.open();
    if (last && r && !cl.screenshot.empty()) {
      int w = 0;
      int h = 0;
      std::string error;
      if (SDL_GetRendererOutputSize(r, &w, &h) != 0 || !SaveRendererPng(r, w, h, cl.screenshot, error)) {
        std::fprintf(stderr, "ruvel: %s\n", error.empty() ? SDL_GetError() : error.c_str());
        ok = false;
      }
    }
    window.present();
    if (last) break;
    if (!cl.fixedClock && !cl.headless) SDL_WaitEventTimeout(nullptr, kFrameMs);
  }
  return ok;
}

int RunEditorProgram(const CommandLine& cl, const TEditorProgram& program) {
  std::vector<TInputEvent> replay;
  if (!LoadEditorReplay(cl, replay)) return 1;
  TManualWaveOut* stepped = nullptr;
  int status = program.sound && !StartEditorSound(cl, stepped) ? 1 : 0;
  std::string error;
  bool video = status == 0 && VideoInit(cl.headless, error);
  if (status == 0 && !video) {
    std::fprintf(stderr, "ruvel: %s\n", error.c_str());
    status = 1;
  }
  if (video) {
    TWindowOptions options;
    options.clientWidth = program.width;
    options.clientHeight = program.height;
    options.headless = cl.headless;
    options.title = program.name;
    std::unique_ptr<TWindow> window = TWindow::Create(options, error);
    if (!window) {
      std::fprintf(stderr, "ruvel: %s\n", error.c_str());
      status = 1;
    } else {
      status = RunEditorWindow(cl, replay, program, *window, stepped);
    }
  }
  if (program.sound && !ShutDownSound(error)) {
    std::fprintf(stderr, "ruvel: 録音ファイルを書き込めません: %s\n", error.c_str());
    status = 1;
  }
  if (video) VideoQuit();
  return status;
}

}  // namespace ruvel
