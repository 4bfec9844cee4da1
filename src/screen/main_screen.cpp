#include "screen/main_screen.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/message_sink.h"
#include "platform/screenshot.h"
#include "platform/surface.h"
#include "platform/text_render.h"
#include "platform/window.h"
#include "screen/host_state.h"
#include "screen/script_globals.h"
#include "vm/interpreter.h"

namespace ruvel {

namespace {

// Owned by the shell; this is only the pointer to it.
TScreen* g_screen = nullptr;

constexpr int kMaxClientSide = 16384;
// Room left on the desktop for the window's frame and the desktop's own
// bars when the window is sized to fit it.
constexpr int kDesktopMargin = 80;
constexpr uint32_t kStatusFace = 0xF0F0F0;
constexpr uint32_t kStatusShadow = 0x808080;
constexpr uint32_t kStatusLight = 0xFFFFFF;

void FillRectOn(SDL_Renderer* r, int x, int y, int w, int h, uint32_t bgr) {
  if (w <= 0 || h <= 0) return;
  SDL_Rect rc{x, y, w, h};
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SetDrawColor(r, bgr);
  SDL_RenderFillRect(r, &rc);
}

std::string MouseArgs(int x, int y, bool left, bool right) {
  return std::to_string(x) + "," + std::to_string(y) + "," + (left ? "1" : "0") + "," + (right ? "1" : "0");
}

}  // namespace

TScreen* MainScreen() { return g_screen; }

TScreen* SetMainScreen(TScreen* screen) {
  TScreen* old = g_screen;
  g_screen = screen;
  return old;
}

TScreen::TScreen(TWindow& window) : window_(window) {
  // In full-screen mode the window covers the desktop while the client
  // area keeps the size a normal window would have; its picture is centred.
  if (!window_.Fullscreen()) window_.Size(clientW_, clientH_);
  requestedW_ = clientW_;
  requestedH_ = clientH_;
  window_.Position(windowX_, windowY_);
  int bw = clientW_;
  int bh = clientH_;
  if (window_.Fullscreen()) window_.ScreenSize(bw, bh);
  back_ = std::make_unique<TSurface>(window_.Renderer(), bw + kMargin, bh + kMargin);
  text_ = std::make_unique<TTextRenderer>(window_.Renderer());
}

TScreen::~TScreen() {
  sprites_.Clear();
  if (g_screen == this) g_screen = nullptr;
}

SDL_Renderer* TScreen::Renderer() const { return window_.Renderer(); }

TDrawTarget TScreen::Target() { return TDrawTarget{window_.Renderer(), back_.get(), text_.get()}; }

bool TScreen::Fullscreen() const { return window_.Fullscreen(); }

// ---- sizes

void TScreen::SetClientSize(int width, int drawingHeight) {
  clientW_ = std::clamp(width, 1, kMaxClientSide);
  clientH_ = std::clamp(drawingHeight, 1, kMaxClientSide) + (statusBar_ ? kStatusBarHeight : 0);
  SizeWindow();
  OnResize(false);
  GrowBackBuffer();
}

void TScreen::SetStatusBarShown(bool shown) {
  if (shown == statusBar_) return;
  int dh = DrawingHeight();
  statusBar_ = shown;
  SetClientSize(clientW_, dh);
}

void TScreen::SizeWindow() {
  requestedW_ = clientW_ * shownScale_;
  requestedH_ = DrawingHeight() * shownScale_ + (statusBar_ ? kStatusBarHeight : 0);
  window_.SetSize(requestedW_, requestedH_);
}

void TScreen::SetScaleChoice(int choice) {
  scaleChoice_ = std::clamp(choice, kScaleFit, kMaxScale);
  if (Fullscreen() || window_.Headless()) return;
  if (scaleChoice_ == kScaleFit) {
    int sw = 0;
    int sh = 0;
    window_.ScreenSize(sw, sh);
    int roomH = sh - kDesktopMargin - window_.TopInset() - (statusBar_ ? kStatusBarHeight : 0);
    shownScale_ = std::max(1, FitPicture(sw - kDesktopMargin, roomH, clientW_, DrawingHeight()).WholeScale());
  } else {
    shownScale_ = scaleChoice_;
  }
  SizeWindow();
  GrowBackBuffer();
  // A window grown past the desktop's edge is moved back onto it.
  int sw = 0;
  int sh = 0;
  window_.ScreenSize(sw, sh);
  int x = 0;
  int y = 0;
  window_.Position(x, y);
  int nx = std::max(0, std::min(x, sw - requestedW_));
  int ny = std::max(0, std::min(y, sh - requestedH_ - window_.TopInset()));
  if (nx != x || ny != y) window_.SetPosition(nx, ny);
}

TViewLayout TScreen::Layout() const {
  int ww = 0;
  int wh = 0;
  window_.Size(ww, wh);
  return FitPicture(ww, wh - (statusBar_ ? kStatusBarHeight : 0), clientW_, DrawingHeight());
}

void TScreen::GrowBackBuffer() {
  int dh = DrawingHeight();
  if (back_->Width() >= clientW_ && back_->Height() >= clientH_ && back_->Height() >= dh) return;
  // The whole client area (status bar included) fits, so the busy
  // indicator always lands inside the surface.
  back_ = std::make_unique<TSurface>(window_.Renderer(), clientW_ + kMargin, std::max(clientH_, dh) + kMargin);
}

void TScreen::UpdateOffsets() {
  if (!Fullscreen()) {
    offsetX_ = offsetY_ = 0;
    return;
  }
  int sw = 0;
  int sh = 0;
  window_.Size(sw, sh);
  pictureW_ = GlobalInt("$screenWidth");
  pictureH_ = GlobalInt("$screenHeight");
  if (pictureW_ <= 0) pictureW_ = clientW_;
  if (pictureH_ <= 0) pictureH_ = DrawingHeight();
  offsetX_ = (sw - pictureW_) / 2;
  offsetY_ = (sh - pictureH_) / 2;
}

bool TScreen::WindowToPicture(int& x, int& y) const {
  if (Fullscreen()) {
    x -= offsetX_;
    y -= offsetY_;
    return true;
  }
  TViewLayout view = Layout();
  bool inside = view.Contains(x, y);
  view.ToPicture(x, y);
  return inside;
}

void TScreen::PictureToWindow(int& x, int& y) const {
  if (Fullscreen()) {
    x += offsetX_;
    y += offsetY_;
    return;
  }
  Layout().ToArea(x, y);
}

// ---- presenting

void TScreen::DrawAll() {
  UpdateOffsets();
  TDrawTarget target = Target();
  {
    TTargetScope scope(*back_);
    const THostState& host = HostState();
    if (!host.starting && !host.halted) {
      FillRectOn(target.renderer, 0, 0, clientW_, clientH_, uint32_t(GlobalInt("$bgcolor")) & 0xFFFFFF);
    }
    sprites_.Draw(target);
    if (host.designMode) TDesignEditor::DrawSelection(sprites_, target);
  }
  text_->EndFrame();
  Present();
}

void TScreen::DrawStatusBar(int width, int bottom) {
  SDL_Renderer* r = window_.Renderer();
  int top = bottom - kStatusBarHeight;
  FillRectOn(r, 0, top, width, kStatusBarHeight, kStatusFace);
  FillRectOn(r, 0, top, width, 1, kStatusShadow);
  for (int i = 0; i < kStatusPanels; ++i) {
    int x = i * kStatusPanelWidth + 2;
    int w = kStatusPanelWidth - 4;
    int y = top + 3;
    int h = kStatusBarHeight - 5;
    FillRectOn(r, x, y, w, 1, kStatusShadow);
    FillRectOn(r, x, y, 1, h, kStatusShadow);
    FillRectOn(r, x, y + h - 1, w, 1, kStatusLight);
    FillRectOn(r, x + w - 1, y, 1, h, kStatusLight);
  }
  if (!statusText_.empty() && text_) {
    TFontSpec font;
    font.size = 9;
    text_->Draw(statusText_, font, 0x000000, kStatusPanels * kStatusPanelWidth + 8, top + 3);
  }
}

void TScreen::Present() {
  Compose();
  if (overlay) overlay();
  SDL_RenderPresent(window_.Renderer());
  ++presentCount;
}

void TScreen::Compose() {
  SDL_Renderer* r = window_.Renderer();
  if (SDL_SetRenderTarget(r, nullptr) != 0) throw EDrawError(std::string("SDL_SetRenderTarget: ") + SDL_GetError());
  int ww = 0;
  int wh = 0;
  window_.Size(ww, wh);
  SDL_SetTextureBlendMode(back_->Texture(), SDL_BLENDMODE_NONE);
  if (Fullscreen()) {
    // The borders around the picture take the background colour once the
    // shell has started; the whole window is repainted on every present.
    uint32_t border = HostState().started ? uint32_t(GlobalInt("$bgcolor")) & 0xFFFFFF : 0;
    FillRectOn(r, 0, 0, ww, wh, border);
    ++borderCounter_;
    int srcH = std::min(DrawingHeight(), back_->Height());
    int srcW = std::min(clientW_, back_->Width());
    SDL_Rect src{0, 0, srcW, srcH};
    SDL_Rect dst{offsetX_, offsetY_, ww - 2 * offsetX_, wh - 2 * offsetY_};
    if (dst.w > 0 && dst.h > 0) SDL_RenderCopy(r, back_->Texture(), &src, &dst);
  } else {
    ComposeWindowed(ww, wh);
  }
}

void TScreen::ComposeWindowed(int ww, int wh) {
  SDL_Renderer* r = window_.Renderer();
  FillRectOn(r, 0, 0, ww, wh, 0);
  int sb = statusBar_ ? kStatusBarHeight : 0;
  int dh = std::min(DrawingHeight(), back_->Height());
  int w = std::min(clientW_, back_->Width());
  TViewLayout view = FitPicture(ww, wh - sb, w, dh);
  SDL_Rect src{0, 0, w, dh};
  SDL_Rect dst{view.x, view.y, view.w, view.h};
  // Nearest-neighbour: a scaled pixel stays one sharp square.
  SDL_SetTextureScaleMode(back_->Texture(), SDL_ScaleModeNearest);
  if (dst.w > 0 && dst.h > 0) SDL_RenderCopy(r, back_->Texture(), &src, &dst);
  if (!statusBar_) return;
  DrawStatusBar(ww, wh);
  if (busyOn) {
    // The indicator is drawn in the back buffer's status-bar rows and is
    // shown at the window's bottom right, where the bar is.
    SDL_Rect busy{clientW_ - 24, clientH_ - 16, 16, 8};
    SDL_Rect at{ww - 24, wh - 16, 16, 8};
    if (busy.x >= 0 && busy.y >= 0 && at.x >= 0 && at.y >= 0) SDL_RenderCopy(r, back_->Texture(), &busy, &at);
  }
}

void TScreen::Paint() {
  const THostState& host = HostState();
  drawingDisabled = false;
  if (host.started && GlobalIsTrue("$_seamLessLoad")) return;
  DrawAll();
}

bool TScreen::Screenshot(const std::string& path, std::string& error) {
  if (!Fullscreen()) {
    // The back buffer still holds the last frame: it is composed again at
    // one pixel per pixel off the window, as a window of the client size
    // shows it, and read back from there.
    TSurface shot(window_.Renderer(), clientW_, clientH_);
    TTargetScope scope(shot);
    ComposeWindowed(clientW_, clientH_);
    return SaveRendererPng(window_.Renderer(), clientW_, clientH_, path, error);
  }
  Compose();
  int ww = 0;
  int wh = 0;
  window_.Size(ww, wh);
  bool ok = SaveRendererPng(window_.Renderer(), ww, wh, path, error);
  SDL_RenderPresent(window_.Renderer());
  return ok;
}

bool TScreen::ReadDrawingArea(std::vector<uint32_t>& rgb, int& w, int& h) {
  w = std::min(clientW_, back_->Width());
  h = std::min(DrawingHeight(), back_->Height());
  if (w <= 0 || h <= 0) return false;
  rgb.assign(size_t(w) * size_t(h), 0);
  TTargetScope scope(*back_);
  SDL_Rect r{0, 0, w, h};
  if (SDL_RenderReadPixels(window_.Renderer(), &r, SDL_PIXELFORMAT_ARGB8888, rgb.data(), w * 4) != 0) return false;
  for (uint32_t& p : rgb) p &= 0xFFFFFF;
  return true;
}

// ---- busy indicator and keep-alive

void TScreen::BusyDraw(bool start) {
  if (!start && !busyOn) return;
  busyOn = true;
  if (++busyCounter > 1000) busyCounter &= 7;
  uint32_t color = (busyCounter & 1) ? 0x11FF11 : 0x001100;
  back_->Fill(TRect{clientW_ - 24, clientH_ - 16, clientW_ - 8, clientH_ - 8}, color);
  Present();
}

void TScreen::BusyEnd() { busyOn = false; }

void TScreen::KeepAlive(const std::string& text, const TTraceList* trace, bool show) {
  if (refillSound) refillSound();
  if (HostState().starting && pumpMessages) pumpMessages();
  BusyDraw(false);
  if (loadingTick) loadingTick();
  if (show) ShowMessage(trace && !trace->empty() ? FormatError(text, *trace) : text);
}

void TScreen::RestartDisplay() {
  if (!restartedOnce_) {
    savedW_ = clientW_;
    savedH_ = DrawingHeight();
    restartedOnce_ = true;
  } else {
    SetClientSize(savedW_, savedH_);
  }
  HostState().halted = true;
  if (dropProject) dropProject();
  int w = clientW_;
  int h = clientH_;
  if (Fullscreen()) window_.ScreenSize(w, h);
  back_->Fill(TRect{0, 0, w, h}, 0xFFFFFF);
  DrawAll();
}

// ---- window events

void TScreen::SnapTo(int width, int drawingHeight) {
  clientW_ = width;
  clientH_ = drawingHeight + (statusBar_ ? kStatusBarHeight : 0);
  SizeWindow();
}

void TScreen::OnResize(bool fromSystem) {
  const THostState& host = HostState();
  if (resizing_ || loadingClosed || Fullscreen()) return;
  if (fromSystem && !host.started && !host.starting) return;
  if (fromSystem) {
    int w = 0;
    int h = 0;
    window_.Size(w, h);
    int sb = statusBar_ ? kStatusBarHeight : 0;
    if (resizable) {
      // The drawing area follows the window at the scale shown.
      clientW_ = std::max(1, w / shownScale_);
      clientH_ = std::max(1, (h - sb) / shownScale_) + sb;
    } else if (w != requestedW_ || h != requestedH_) {
      // Resized by a person: the picture keeps its size and is scaled to
      // fit the window, which decides the scale from now on.
      scaleChoice_ = kScaleFit;
      shownScale_ = std::max(1, Layout().WholeScale());
    }
  }
  if (resizable) {
    SetGlobalInt("$ScreenWidth", clientW_);
    SetGlobalInt("$ScreenHeight", DrawingHeight());
    snapW_ = snapH_ = -1;
  } else {
    int w = GlobalInt("$ScreenWidth");
    int h = GlobalInt("$ScreenHeight");
    // A size of 0 means the script never set one: the window keeps its
    // size. A window manager that refuses the size twice is not asked again.
    bool differs = w != clientW_ || h != DrawingHeight();
    bool repeated = fromSystem && w == snapW_ && h == snapH_ && ++snapRepeats_ > 2;
    if (w > 0 && h > 0 && w <= kMaxClientSide && h <= kMaxClientSide && differs && !repeated) {
      if (w != snapW_ || h != snapH_) snapRepeats_ = 0;
      snapW_ = w;
      snapH_ = h;
      resizing_ = true;
      SnapTo(w, h);
      resizing_ = false;
    }
  }
  GrowBackBuffer();
  if (host.designMode && drawMethod != TDrawMethod::B) DrawAll();
}

void TScreen::OnMove(int x, int y) {
  windowX_ = x;
  windowY_ = y;
  if (HostState().started) {
    SetGlobalInt("$windowX", x);
    SetGlobalInt("$windowY", y);
  }
}

std::vector<Instance*> TScreen::HitTest(int x, int y) {
  TDrawTarget target = Target();
  return sprites_.OwnersHit(TRect{x, y, x + 1, y + 1}, target);
}

void TScreen::EvaluateMouseDown(int x, int y, const std::vector<Instance*>& owners) {
  std::string args = MouseArgs(x, y, leftHeld, rightHeld);
  if (owners.empty()) {
    EvaluateStatements("$_tmp_cur_select=0;if ($_mouse_event) $_mouse_event.onDown (" + args + ");");
    return;
  }
  // The owners stay counted while their statements run: a statement may
  // empty the sprite list.
  for (Instance* o : owners) HoldObject(o);
  try {
    for (Instance* o : owners) {
      SetGlobalObject("$_tmp_cur_select", o);
      EvaluateStatements("$_tmp_cur_select.mouseDown(" + args + ");");
    }
  } catch (...) {
    for (Instance* o : owners) DropObject(o);
    throw;
  }
  for (Instance* o : owners) DropObject(o);
}

void TScreen::MouseDown(int wx, int wy, bool left, bool right) {
  int x = wx;
  int y = wy;
  if (WindowToPicture(x, y)) PictureMouseDown(x, y, left, right);
}

void TScreen::MouseMove(int wx, int wy, bool left, bool right) {
  int x = wx;
  int y = wy;
  WindowToPicture(x, y);
  PictureMouseMove(x, y, left, right);
}

void TScreen::MouseUp(int wx, int wy, bool leftReleased, bool rightReleased) {
  int x = wx;
  int y = wy;
  WindowToPicture(x, y);
  PictureMouseUp(x, y, leftReleased, rightReleased);
}

void TScreen::PictureMouseDown(int x, int y, bool left, bool right) {
  if (!Fullscreen() && statusBar_ && y >= DrawingHeight()) return;  // on the status bar
  leftHeld = left;
  rightHeld = right;
  if (right) {
    pressX = x;
    pressY = y;
    rightPressPending = true;
  }
  bool design = HostState().designMode;
  if (!design) {
    EvaluateMouseDown(x, y, HitTest(x, y));
    return;
  }
  // Design mode: the object drawn on top is selected and grabbed once the
  // press statements have run; it stays counted while they run.
  TDrawTarget target = Target();
  Instance* top = TDesignEditor::TopmostAt(sprites_, target, x, y);
  HoldObject(top);
  try {
    EvaluateMouseDown(x, y, HitTest(x, y));
    design_.Press(top, x, y, left);
  } catch (...) {
    DropObject(top);
    throw;
  }
  DropObject(top);
  if (designStep) designStep();
}

void TScreen::PictureMouseMove(int x, int y, bool left, bool right) {
  const THostState& host = HostState();
  if (host.halted || !host.started) return;
  double now = TickMs();
  if (now - lastMoveTime > 1000.0) {
    lastMouseX = x;
    lastMouseY = y;
  }
  if (host.designMode) {
    x &= ~7;
    y &= ~7;
    SetGlobalInt("$mouseX", x);
    SetGlobalInt("$mouseY", y);
  }
  leftHeld = left;
  rightHeld = right;
  if (!left && !right) {
    pressX = x;
    pressY = y;
    rightPressPending = false;
  } else {
    pressX = pressY = -10;
    // The grabbed object follows the pointer even on the first move after
    // a pause, which the position comparison below does not see.
    bool dragged = host.designMode && left && design_.DragTo(x, y);
    if (x != lastMouseX || y != lastMouseY) {
      if (!host.designMode) {
        SetGlobalInt("$mouseX", x);
        SetGlobalInt("$mouseY", y);
      }
      SetGlobalInt("$mouseSX", lastMouseX);
      SetGlobalInt("$mouseSY", lastMouseY);
      SetGlobalInt("$leftButton", left ? 1 : 0);
      SetGlobalInt("$rightButton", right ? 1 : 0);
      lastMouseX = x;
      lastMouseY = y;
      lastMoveTime = now;
      if (host.designMode) {
        if (designStep) {
          designStep();
          designStep();
        }
      } else if (runFrameLoop) {
        runFrameLoop();
      }
    } else if (dragged && designStep) {
      designStep();
    }
  }
  lastMouseX = x;
  lastMouseY = y;
  lastMoveTime = now;
}

void TScreen::PictureMouseUp(int x, int y, bool leftReleased, bool rightReleased) {
  const THostState& host = HostState();
  if (host.starting) return;
  if (leftReleased) {
    leftHeld = false;
    design_.Release();
  }
  if (rightReleased) {
    rightHeld = false;
    bool near = std::abs(x - pressX) + std::abs(y - pressY) <= 8;
    if (host.designMode && (!rightPressPending || near) && popupMenu) {
      int wx = x;
      int wy = y;
      PictureToWindow(wx, wy);
      popupMenu(windowX_ + wx, windowY_ + wy);
    }
  }
  rightPressPending = false;
  EvaluateStatements("if ($_tmp_cur_select) $_tmp_cur_select.inspect();");
  if (host.designMode && designStep) designStep();
}

// ---- the "Window" natives

void TScreen::SetSizeFromScript(int width, int height, bool resizableFlag) {
  // The window stays resizable for the person: without the flag a resize
  // scales the picture instead of changing the drawing area.
  resizable = resizableFlag;
  if (width != clientW_ || height != DrawingHeight()) SetClientSize(width, height);
}

void TScreen::SetPosFromScript(int x, int y) {
  if (x == windowX_ && y == windowY_) return;
  window_.SetPosition(x, y);
  windowX_ = x;
  windowY_ = y;
}

}  // namespace ruvel
