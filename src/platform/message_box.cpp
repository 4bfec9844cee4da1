#include "platform/message_box.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/cp932.h"
#include "platform/surface.h"
#include "platform/text_render.h"
#include "platform/window_front.h"

namespace ruvel {

namespace {

constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kBorder = 0x808080;
constexpr uint32_t kButtonFace = 0xFFFFFF;
constexpr uint32_t kPressedFace = 0xD8D8D8;
constexpr uint32_t kFocusFrame = 0xD07820;  // 0xBBGGRR: a blue frame
constexpr uint32_t kInk = 0x000000;
constexpr int kWaitMs = 17;

// The box's window with its renderer and text cache, gone with the box.
struct TBoxWindow {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  std::unique_ptr<TTextRenderer> text;

  ~TBoxWindow() {
    text.reset();
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
  }
  // Made at its final size: a window resized after its renderer was made
  // drew into the old size until the resize event came back.
  bool Open(const std::string& title, int w, int h) {
    window = SDL_CreateWindow(ToUtf8(title).c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                              SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR);
    if (!window) return false;
    // A small picture drawn once per change: the software renderer needs no
    // GPU context and draws the same pixels on every machine.
    renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!renderer) return false;
    text = std::make_unique<TTextRenderer>(renderer);
    return true;
  }
  uint32_t Id() const { return SDL_GetWindowID(window); }
};

// The size limits of a box on the display the owner is on.
TMessageBoxModel::TLimits LimitsFor(SDL_Window* owner, SDL_Rect& display) {
  int index = owner ? std::max(SDL_GetWindowDisplayIndex(owner), 0) : 0;
  if (SDL_GetDisplayBounds(index, &display) != 0) display = SDL_Rect{0, 0, 1024, 768};
  TMessageBoxModel::TLimits limits;
  limits.maxWidth = std::clamp(display.w - 40, limits.minWidth, 800);
  limits.maxHeight = std::max(display.h - 80, 200);
  return limits;
}

// Centred on the owner when it is shown, else on the display; kept on the
// display.
void Place(SDL_Window* box, SDL_Window* owner, const SDL_Rect& display, int w, int h) {
  SDL_Rect around = display;
  if (owner && (SDL_GetWindowFlags(owner) & SDL_WINDOW_SHOWN)) {
    SDL_GetWindowPosition(owner, &around.x, &around.y);
    SDL_GetWindowSize(owner, &around.w, &around.h);
  }
  int x = around.x + (around.w - w) / 2;
  int y = around.y + (around.h - h) / 2;
  x = std::clamp(x, display.x, std::max(display.x, display.x + display.w - w));
  y = std::clamp(y, display.y, std::max(display.y, display.y + display.h - h));
  SDL_SetWindowPosition(box, x, y);
}

void Draw(TBoxWindow& w, const TMessageBoxModel& model) {
  SDL_Renderer* r = w.renderer;
  TFontSpec font = MessageBoxFont();
  SDL_SetRenderTarget(r, nullptr);
  SetDrawColor(r, kFace);
  SDL_RenderClear(r);
  int y = TMessageBoxModel::kMargin;
  for (const std::string& line : model.Lines()) {
    w.text->Draw(line, font, kInk, TMessageBoxModel::kMargin, y);
    y += model.LineHeight() + TMessageBoxModel::kLineGap;
  }
  // A frame of its own: without a window manager nothing else sets the box
  // apart from the window below.
  SDL_Rect edge{0, 0, model.Width(), model.Height()};
  SetDrawColor(r, kBorder);
  SDL_RenderDrawRect(r, &edge);
  const auto& rects = model.ButtonRects();
  for (size_t i = 0; i < rects.size(); ++i) {
    const auto& b = rects[i];
    SDL_Rect rect{b.x, b.y, b.w, b.h};
    SetDrawColor(r, model.Pressed() == static_cast<int>(i) ? kPressedFace : kButtonFace);
    SDL_RenderFillRect(r, &rect);
    bool focused = model.Focused() == static_cast<int>(i);
    SetDrawColor(r, focused ? kFocusFrame : kBorder);
    SDL_RenderDrawRect(r, &rect);
    if (focused) {
      SDL_Rect inner{rect.x + 1, rect.y + 1, rect.w - 2, rect.h - 2};
      SDL_RenderDrawRect(r, &inner);
    }
    const std::string& label = model.Request().buttons[i];
    int tw = 0, th = 0;
    w.text->Measure(label, font, tw, th);
    w.text->Draw(label, font, kInk, rect.x + (rect.w - tw) / 2, rect.y + (rect.h - th) / 2);
  }
  SDL_RenderPresent(r);
  w.text->EndFrame();
}

// The key as one the box understands; false for any other.
bool BoxKey(const SDL_Keysym& k, TBoxKey& key) {
  switch (k.sym) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      key = TBoxKey::kEnter;
      return true;
    case SDLK_SPACE:
      key = TBoxKey::kSpace;
      return true;
    case SDLK_ESCAPE:
      key = TBoxKey::kEscape;
      return true;
    case SDLK_TAB:
      key = (k.mod & KMOD_SHIFT) ? TBoxKey::kPrevious : TBoxKey::kNext;
      return true;
    case SDLK_RIGHT:
    case SDLK_DOWN:
      key = TBoxKey::kNext;
      return true;
    case SDLK_LEFT:
    case SDLK_UP:
      key = TBoxKey::kPrevious;
      return true;
    default:
      return false;
  }
}

// One event while the box is up. Keys count whichever of the program's
// windows has the focus: the box is modal, so they are meant for it. A
// quit request or the owner's close answers the box and goes into kept for
// the caller's event loop. Returns true when the box must be drawn again.
bool Handle(const SDL_Event& e, TBoxWindow& w, SDL_Window* owner, TMessageBoxModel& model,
            const TMessageBoxHooks& hooks, std::vector<SDL_Event>& kept) {
  switch (e.type) {
    case SDL_QUIT:
      kept.push_back(e);
      model.Close();
      return false;
    case SDL_WINDOWEVENT:
      if (e.window.windowID == w.Id()) {
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) model.Close();
        return e.window.event == SDL_WINDOWEVENT_EXPOSED || e.window.event == SDL_WINDOWEVENT_SHOWN ||
               e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED;
      }
      if (owner && e.window.windowID == SDL_GetWindowID(owner)) {
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED && hooks.repaintOwner) hooks.repaintOwner();
        // Closing the game window answers as Escape does and then closes it
        // (a script stuck in a loop is ended that way).
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          kept.push_back(e);
          model.Close();
        }
        // The owner cannot keep the focus while its box waits.
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) BringToFront(w.window);
      }
      return false;
    case SDL_KEYDOWN: {
      TBoxKey key;
      if (e.key.repeat || !BoxKey(e.key.keysym, key)) return false;
      model.Key(key);
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.windowID != w.Id() || e.button.button != SDL_BUTTON_LEFT) return false;
      if (e.type == SDL_MOUSEBUTTONDOWN) {
        model.MouseDown(e.button.x, e.button.y);
      } else {
        model.MouseUp(e.button.x, e.button.y);
      }
      return true;
    default:
      return false;
  }
}

// Feeds the sound while a box waits, but not from inside the hook itself
// (a box opened by what the hook runs).
void Service(const TMessageBoxHooks& hooks) {
  static bool servicing = false;
  if (!hooks.service || servicing) return;
  servicing = true;
  hooks.service();
  servicing = false;
}

}  // namespace

TFontSpec MessageBoxFont() {
  TFontSpec f;
  f.size = 11;
  return f;
}

int RunMessageBox(const TMessageBoxRequest& request, SDL_Window* owner, const TMessageBoxHooks& hooks) {
  TMessageBoxModel model(request);
  std::fprintf(stderr, "%s\n", TMessageBoxModel::OneLine(request.text).c_str());
  std::fflush(stderr);

  // The text is measured before the window is made, on a scratch surface.
  SDL_Rect display;
  SDL_Surface* scratch = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Renderer* measurer = scratch ? SDL_CreateSoftwareRenderer(scratch) : nullptr;
  bool measured = measurer != nullptr;
  if (measurer) {
    {
      TTextRenderer text(measurer);
      TFontSpec font = MessageBoxFont();
      int lineW = 0, lineH = 0;
      text.Measure("", font, lineW, lineH);
      auto width = [&text, &font](std::string_view part) {
        int tw = 0, th = 0;
        text.Measure(std::string(part), font, tw, th);
        return tw;
      };
      model.Layout(width, lineH, LimitsFor(owner, display));
    }  // the text's textures go before their renderer
    SDL_DestroyRenderer(measurer);
  }
  if (scratch) SDL_FreeSurface(scratch);
  TBoxWindow w;
  if (!measured || !w.Open(request.title, model.Width(), model.Height())) return -1;
  Place(w.window, owner, display, model.Width(), model.Height());
  if (owner) SDL_SetWindowModalFor(w.window, owner);

  SDL_Window* focusBefore = SDL_GetKeyboardFocus();
  uint32_t focusBeforeId = focusBefore ? SDL_GetWindowID(focusBefore) : 0;
  // Keys pressed before the box appeared are not its answer.
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
  SDL_ShowWindow(w.window);
  BringToFront(w.window);
  Draw(w, model);

  std::vector<SDL_Event> kept;
  while (!model.Answered()) {
    SDL_Event e;
    bool redraw = false;
    if (SDL_WaitEventTimeout(&e, kWaitMs)) {
      redraw = Handle(e, w, owner, model, hooks, kept);
      while (!model.Answered() && SDL_PollEvent(&e)) redraw = Handle(e, w, owner, model, hooks, kept) || redraw;
    }
    if (redraw && !model.Answered()) Draw(w, model);
    Service(hooks);
  }
  SDL_HideWindow(w.window);
  // The focus goes back where it was (else to the owner): without a window
  // manager nobody else would hand it back.
  SDL_Window* back = focusBeforeId ? SDL_GetWindowFromID(focusBeforeId) : nullptr;
  if (!back || back == w.window) back = owner;
  if (back && (SDL_GetWindowFlags(back) & SDL_WINDOW_SHOWN)) BringToFront(back);
  for (SDL_Event& e : kept) SDL_PushEvent(&e);
  return model.Answer();
}

}  // namespace ruvel
