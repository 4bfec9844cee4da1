// The "Panel" natives and the registry of live panels.
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/surface.h"
#include "platform/text_render.h"
#include "screen/main_screen.h"
#include "screen/native_util.h"
#include "screen/panel.h"
#include "screen/screen_natives.h"
#include "screen/sprite.h"
#include "vm/symbols.h"

namespace ruvel {

namespace {
// Owner of the panels: every live TPanelSurface, freed by _n_free,
// _n_resize or FreeAllPanels.
std::unordered_set<const TObject*>& Panels() {
  static std::unordered_set<const TObject*> panels;
  return panels;
}

// Panels larger than this on a side are refused (a runaway size would ask
// for gigabytes).
constexpr int32_t kMaxPanelSide = 4096;
}  // namespace

TPanelSurface::TPanelSurface(std::shared_ptr<TSurface> s) : surface(std::move(s)) { Panels().insert(this); }

TPanelSurface::~TPanelSurface() { Panels().erase(this); }

TPanelSurface* LivePanel(const Value& v) {
  if (v.tag != kHost || !v.host || !Panels().count(v.host)) return nullptr;
  return dynamic_cast<TPanelSurface*>(v.host);
}

size_t LivePanelCount() { return Panels().size(); }

void FreeAllPanels() {
  while (!Panels().empty()) {
    auto* p = const_cast<TObject*>(*Panels().begin());
    delete p;
  }
}

namespace screen_natives {

namespace {

// The panel in argument 1 and the screen whose renderer it belongs to.
TPanelSurface* PanelArg(Value* self, int32_t argc, int32_t needs) {
  if (argc < needs || !MainScreen()) return nullptr;
  return LivePanel(NArg(self, 1));
}

// Draws a temporary sprite into the panel at once.
void DrawOnPanel(TPanelSurface* panel, TfSprite& sprite) {
  TScreen* screen = MainScreen();
  TTargetScope scope(*panel->surface);
  TDrawTarget target{screen->Renderer(), panel->surface.get(), &screen->Text()};
  sprite.Draw(target);
}

std::unique_ptr<TSurface> NewPanelSurface(int32_t w, int32_t h) {
  if (w <= 0 || h <= 0 || w > kMaxPanelSide || h > kMaxPanelSide) return nullptr;
  auto s = std::make_unique<TSurface>(MainScreen()->Renderer(), w, h);
  s->SetTransparentColor(0);
  return s;
}

template <typename T>
void PanelLineLike(Value* self, int32_t argc) {
  TPanelSurface* panel = PanelArg(self, argc, 6);
  if (!panel) return;
  T s;
  s.x = NInt(self, 2);
  s.y = NInt(self, 3);
  s.x2 = NInt(self, 4);
  s.y2 = NInt(self, 5);
  s.color = NColor(self, 6);
  DrawOnPanel(panel, s);
}

}  // namespace

void PanelInit(Value* self, int32_t argc, int32_t) {
  if (argc < 2 || !MainScreen()) return;
  auto s = NewPanelSurface(NInt(self, 1), NInt(self, 2));
  if (!s) return;
  ValueSetHost(*self, new TPanelSurface(std::move(s)));
}

void PanelResize(Value* self, int32_t argc, int32_t) {
  TPanelSurface* panel = PanelArg(self, argc, 3);
  if (!panel) return;
  int32_t w = NInt(self, 2);
  int32_t h = NInt(self, 3);
  TSurface& old = *panel->surface;
  if (old.Width() < w || old.Height() < h) {
    auto fresh = NewPanelSurface(((w + 32) / 32) * 32, ((h + 32) / 32) * 32);
    if (!fresh) return;
    fresh->CopyFrom(old, TRect{0, 0, old.Width(), old.Height()}, 0, 0);
    auto* replacement = new TPanelSurface(std::move(fresh));
    delete panel;
    ValueSetHost(*self, replacement);
    return;
  }
  ValueSetHost(*self, panel);
}

void PanelFree(Value* self, int32_t argc, int32_t) {
  if (TPanelSurface* panel = PanelArg(self, argc, 1)) delete panel;
}

void PanelSetTransparentColor(Value* self, int32_t argc, int32_t) {
  if (TPanelSurface* panel = PanelArg(self, argc, 2)) panel->surface->SetTransparentColor(NColor(self, 2));
}

void PanelGetPixel(Value* self, int32_t argc, int32_t) {
  TPanelSurface* panel = PanelArg(self, argc, 3);
  if (!panel) return;
  ValueSetInt(*self, int32_t(panel->surface->GetPixel(NInt(self, 2), NInt(self, 3))));
}

void PanelDrawSprite(Value* self, int32_t argc, int32_t) {
  TPanelSurface* panel = PanelArg(self, argc, 4);
  if (!panel) return;
  TGrpSprite s;
  s.x = NInt(self, 2);
  s.y = NInt(self, 3);
  s.pattern = NInt(self, 4);
  s.mirrored = argc >= 5 && NTrue(self, 5);
  DrawOnPanel(panel, s);
}

void PanelDrawDxSprite(Value* self, int32_t argc, int32_t) {
  TPanelSurface* panel = PanelArg(self, argc, 7);
  if (!panel) return;
  TDxGrpSprite s;
  s.x = NInt(self, 2);
  s.y = NInt(self, 3);
  s.pattern = NInt(self, 4);
  s.mirrored = NTrue(self, 5);
  s.angle = NInt(self, 6);
  s.scaleX = NFloat(self, 7);
  s.scaleY = argc >= 8 && NArg(self, 8).tag != kNull ? NFloat(self, 8) : s.scaleX;
  s.alpha = 255;
  DrawOnPanel(panel, s);
}

void PanelDrawLine(Value* self, int32_t argc, int32_t) { PanelLineLike<TLineSprite>(self, argc); }

void PanelFillRect(Value* self, int32_t argc, int32_t) { PanelLineLike<TRectSprite>(self, argc); }

void PanelDrawText(Value* self, int32_t argc, int32_t) {
  TPanelSurface* panel = PanelArg(self, argc, 6);
  if (!panel) return;
  TTxtSprite s;
  s.x = NInt(self, 2);
  s.y = NInt(self, 3);
  s.text = ValueToText(NArg(self, 4));
  s.color = NColor(self, 5);
  s.font = SpriteSettings().textFont;
  s.font.size = NInt(self, 6);
  DrawOnPanel(panel, s);
}

void PanelDraw(Value* self, int32_t argc, int32_t) {
  TPanelSurface* panel = PanelArg(self, argc, 12);
  if (!panel) return;
  auto s = std::make_unique<TMapSprite>();
  s->source = panel->surface;
  // The panel object decides: its member "hud" keeps it out of the camera.
  const TSpriteShift shift = SpriteShiftFor(ValueAsObject(*self));
  s->x = shift.X(NInt(self, 2));
  s->y = shift.Y(NInt(self, 3));
  s->srcWidth = NInt(self, 4);
  s->srcHeight = NInt(self, 5);
  s->srcX = NInt(self, 6);
  s->srcY = NInt(self, 7);
  s->dstWidth = NInt(self, 8);
  s->dstHeight = NInt(self, 9);
  s->depth = NInt(self, 10);
  s->alpha = NInt(self, 11);
  s->angle = NInt(self, 12);
  s->rotated = argc >= 13 && NTrue(self, 13);
  // The owner is the object the panel object keeps in its member "target".
  if (Instance* self_obj = ValueAsObject(*self)) {
    static int32_t cache = 0;
    if (Value* target = FindMemberSlot(self_obj, Intern("target"), cache)) s->owner = ValueAsObject(*target);
  }
  MainScreen()->Sprites().Add(std::move(s));
}

}  // namespace screen_natives

}  // namespace ruvel
