#include "screen/dialog_view.h"

#include <algorithm>
#include <cctype>

#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "platform/surface.h"
#include "platform/text_render.h"
#include "platform/window.h"
#include "screen/dialogs.h"
#include "screen/ranking.h"

namespace ruvel {

namespace {

constexpr int kInputWidth = 360;
constexpr int kInputHeight = 130;
constexpr int kSelectWidth = 335;
constexpr int kSelectHeight = 111;
constexpr int kMargin = 12;
constexpr int kButtonHeight = 26;
constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kBorder = 0x808080;
constexpr uint32_t kPressedFace = 0xD8D8D8;
constexpr uint32_t kEditFace = 0xFFFFFF;

TFontSpec DialogFont() {
  TFontSpec f;
  f.size = 10;
  return f;
}

void FillRect(SDL_Renderer* r, const SDL_Rect& rect, uint32_t bgr) {
  SetDrawColor(r, bgr);
  SDL_RenderFillRect(r, &rect);
}

void FrameRect(SDL_Renderer* r, const SDL_Rect& rect, uint32_t bgr) {
  SetDrawColor(r, bgr);
  SDL_RenderDrawRect(r, &rect);
}

bool IsEnter(SDL_Keycode k) { return k == SDLK_RETURN || k == SDLK_KP_ENTER; }

}  // namespace

TDialogViews::TDialogViews(TDialogs& dialogs, TWindow* main) : dialogs_(dialogs), main_(main) {
  dialogs_.showInput = [this] { ShowInput(); };
  dialogs_.showSelect = [this] { ShowSelect(); };
  Ranking().opener = [](const std::string& url) {
    if (OpenUrlInBrowser(url)) return true;
    ShowMessage(J("ブラウザを開けません: ") + url);
    return false;
  };
}

TDialogViews::~TDialogViews() {
  dialogs_.showInput = nullptr;
  dialogs_.showSelect = nullptr;
  Ranking().opener = nullptr;
  Destroy(input_);
  Destroy(select_);
}

void TDialogViews::Destroy(TView& view) {
  view.text.reset();
  if (view.renderer) SDL_DestroyRenderer(view.renderer);
  if (view.window) SDL_DestroyWindow(view.window);
  view.renderer = nullptr;
  view.window = nullptr;
}

bool TDialogViews::Open(TView& view, int w, int h, const std::string& caption) {
  if (!view.window) {
    view.window = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SKIP_TASKBAR);
    if (!view.window) return false;  // the dialog stays unanswered, the game goes on
    view.renderer = SDL_CreateRenderer(view.window, -1, 0);
    if (!view.renderer) view.renderer = SDL_CreateRenderer(view.window, -1, SDL_RENDERER_SOFTWARE);
    if (!view.renderer) {
      Destroy(view);
      return false;
    }
    view.text = std::make_unique<TTextRenderer>(view.renderer);
  }
  // Centred over the main window.
  if (main_ && !main_->Fullscreen()) {
    int x = 0, y = 0, mw = 0, mh = 0;
    main_->Position(x, y);
    main_->Size(mw, mh);
    SDL_SetWindowPosition(view.window, x + (mw - w) / 2, y + (mh - h) / 2);
  }
  SDL_SetWindowTitle(view.window, ToUtf8(caption).c_str());
  view.pressed = 0;
  SDL_ShowWindow(view.window);
  SDL_RaiseWindow(view.window);
  return true;
}

void TDialogViews::ShowInput() {
  if (!Open(input_, kInputWidth, kInputHeight, dialogs_.input.Caption())) return;
  LayoutInput();
  SDL_StartTextInput();
  SDL_Rect edit{kMargin, 36, kInputWidth - 2 * kMargin, 24};
  SDL_SetTextInputRect(&edit);
  DrawInput();
}

void TDialogViews::ShowSelect() {
  if (!Open(select_, kSelectWidth, kSelectHeight, dialogs_.select.Caption())) return;
  LayoutSelect();
  DrawSelect();
}

void TDialogViews::LayoutInput() {
  input_.buttons.clear();
  int y = kInputHeight - kMargin - kButtonHeight;
  input_.buttons.push_back({{kInputWidth - 2 * (80 + kMargin), y, 80, kButtonHeight}, "OK", 0, 1});
  input_.buttons.push_back({{kInputWidth - 80 - kMargin, y, 80, kButtonHeight}, J("キャンセル"), 0, 2});
}

void TDialogViews::LayoutSelect() {
  const TSelectBoxModel& m = dialogs_.select;
  select_.buttons.clear();
  int count = m.ShownCount();
  int gap = 6;
  int w = (kSelectWidth - 2 * kMargin - (count - 1) * gap) / count;
  int x = kMargin;
  for (int n = 1; n <= TSelectBoxModel::kButtons; ++n) {
    if (!m.ButtonShown(n)) continue;
    TButton b{{x, kSelectHeight - kMargin - kButtonHeight, w, kButtonHeight}, "", 0, n};
    b.label = StripMnemonic(m.ButtonText(n), b.mnemonic);
    select_.buttons.push_back(b);
    x += w + gap;
  }
}

void TDialogViews::DrawButtons(TView& view) {
  TFontSpec font = DialogFont();
  for (const TButton& b : view.buttons) {
    FillRect(view.renderer, b.rect, view.pressed == b.number ? kPressedFace : kEditFace);
    FrameRect(view.renderer, b.rect, kBorder);
    int tw = 0, th = 0;
    view.text->Measure(b.label, font, tw, th);
    view.text->Draw(b.label, font, 0x000000, b.rect.x + (b.rect.w - tw) / 2, b.rect.y + (b.rect.h - th) / 2);
  }
}

void TDialogViews::DrawInput() {
  TView& v = input_;
  if (!v.renderer) return;
  SDL_SetRenderTarget(v.renderer, nullptr);
  SetDrawColor(v.renderer, kFace);
  SDL_RenderClear(v.renderer);
  TFontSpec font = DialogFont();
  v.text->Draw(dialogs_.input.Prompt(), font, 0x000000, kMargin, 12);
  SDL_Rect edit{kMargin, 36, kInputWidth - 2 * kMargin, 24};
  FillRect(v.renderer, edit, kEditFace);
  FrameRect(v.renderer, edit, kBorder);
  // The edit keeps its end in view: the caret sits after the last character.
  const std::string& text = dialogs_.input.Text();
  int tw = 0, th = 0;
  v.text->Measure(text, font, tw, th);
  int textX = edit.x + 4 + std::min(0, edit.w - 10 - tw);
  SDL_Rect clip{edit.x + 2, edit.y + 1, edit.w - 4, edit.h - 2};
  SDL_RenderSetClipRect(v.renderer, &clip);
  int lineH = th > 0 ? th : 14;
  v.text->Draw(text, font, 0x000000, textX, edit.y + (edit.h - lineH) / 2);
  SetDrawColor(v.renderer, 0x000000);
  SDL_RenderDrawLine(v.renderer, textX + tw + 1, edit.y + 4, textX + tw + 1, edit.y + edit.h - 5);
  SDL_RenderSetClipRect(v.renderer, nullptr);
  DrawButtons(v);
  SDL_RenderPresent(v.renderer);
  v.text->EndFrame();
}

void TDialogViews::DrawSelect() {
  TView& v = select_;
  if (!v.renderer) return;
  SDL_SetRenderTarget(v.renderer, nullptr);
  SetDrawColor(v.renderer, kFace);
  SDL_RenderClear(v.renderer);
  v.text->Draw(dialogs_.select.Message(), DialogFont(), 0x000000, kMargin, 16);
  DrawButtons(v);
  SDL_RenderPresent(v.renderer);
  v.text->EndFrame();
}

void TDialogViews::Sync() {
  if (input_.window) {
    if (dialogs_.input.Visible()) {
      DrawInput();
    } else {
      SDL_HideWindow(input_.window);
    }
  }
  if (select_.window) {
    if (dialogs_.select.Visible()) {
      DrawSelect();
    } else {
      SDL_HideWindow(select_.window);
    }
  }
}

uint32_t TDialogViews::EventWindow(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT:
      return e.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      return e.key.windowID;
    case SDL_TEXTINPUT:
      return e.text.windowID;
    case SDL_TEXTEDITING:
      return e.edit.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      return e.button.windowID;
    case SDL_MOUSEMOTION:
      return e.motion.windowID;
    case SDL_MOUSEWHEEL:
      return e.wheel.windowID;
    default:
      return 0;
  }
}

int TDialogViews::ButtonAt(const TView& view, int x, int y) {
  SDL_Point p{x, y};
  for (const TButton& b : view.buttons) {
    if (SDL_PointInRect(&p, &b.rect)) return b.number;
  }
  return 0;
}

bool TDialogViews::HandleEvent(const SDL_Event& e) {
  uint32_t id = EventWindow(e);
  if (id == 0) return false;
  if (id == input_.Id()) return HandleInput(e);
  if (id == select_.Id()) return HandleSelect(e);
  return false;
}

bool TDialogViews::HandleInput(const SDL_Event& e) {
  TInputBoxModel& m = dialogs_.input;
  auto answer = [&m](int number) {
    if (number == 1) m.Ok();
    if (number == 2) m.Cancel();
  };
  switch (e.type) {
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) m.Close();
      break;
    case SDL_TEXTINPUT:
      if (m.Visible()) m.Append(Utf8ToCp932(e.text.text));
      break;
    case SDL_KEYDOWN: {
      SDL_Keycode k = e.key.keysym.sym;
      if (IsEnter(k)) {
        m.Ok();
      } else if (k == SDLK_ESCAPE) {
        m.Cancel();
      } else if (k == SDLK_BACKSPACE) {
        m.Backspace();
      } else if (k == SDLK_v && (e.key.keysym.mod & KMOD_CTRL) && SDL_HasClipboardText()) {
        // A pasted text joins the one line: line ends are dropped.
        char* clip = SDL_GetClipboardText();
        std::string text = clip ? clip : "";
        SDL_free(clip);
        text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
                   text.end());
        m.Append(Utf8ToCp932(text));
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT) input_.pressed = ButtonAt(input_, e.button.x, e.button.y);
      break;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT) {
        int number = ButtonAt(input_, e.button.x, e.button.y);
        if (number != 0 && number == input_.pressed) answer(number);
        input_.pressed = 0;
      }
      break;
    default:
      break;
  }
  Sync();
  return true;
}

bool TDialogViews::HandleSelect(const SDL_Event& e) {
  TSelectBoxModel& m = dialogs_.select;
  switch (e.type) {
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_CLOSE) m.Close();
      break;
    case SDL_KEYDOWN: {
      SDL_Keycode k = e.key.keysym.sym;
      if (IsEnter(k)) {
        m.Choose(1);
      } else if (k == SDLK_ESCAPE) {
        m.Close();
      } else if (k > 0 && k < 128 && std::isalnum(static_cast<int>(k))) {
        char letter = static_cast<char>(std::toupper(static_cast<int>(k)));
        for (const TButton& b : select_.buttons) {
          if (b.mnemonic == letter) {
            m.Choose(b.number);
            break;
          }
        }
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT) select_.pressed = ButtonAt(select_, e.button.x, e.button.y);
      break;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT) {
        int number = ButtonAt(select_, e.button.x, e.button.y);
        if (number != 0 && number == select_.pressed) m.Choose(number);
        select_.pressed = 0;
      }
      break;
    default:
      break;
  }
  Sync();
  return true;
}

}  // namespace ruvel
