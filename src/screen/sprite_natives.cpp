// The "classes.scr.Sprite" natives and the sprite-related natives of
// "classes.lang.Object" (setAdjust, pset, setMapPat).
#include <memory>
#include <string>

#include "platform/message_sink.h"
#include "platform/surface.h"
#include "platform/text_render.h"
#include "screen/host_state.h"
#include "screen/main_screen.h"
#include "screen/native_util.h"
#include "screen/pattern_source.h"
#include "screen/screen_natives.h"
#include "screen/sprite.h"

namespace ruvel::screen_natives {

namespace {

// Sprites are recorded only during the drawing frame and while a screen
// exists to hold them.
TScreen* RecordingScreen() { return HostState().drawingFrame ? MainScreen() : nullptr; }


template <typename T>
void RecordLineLike(Value* self, int32_t argc) {
  if (argc < 4) return;
  TScreen* screen = RecordingScreen();
  if (!screen) return;
  auto s = std::make_unique<T>();
  s->owner = ValueAsObject(*self);
  const TSpriteShift shift = SpriteShiftFor(s->owner);
  s->x = shift.X(NInt(self, 1));
  s->y = shift.Y(NInt(self, 2));
  s->x2 = shift.X(NInt(self, 3));
  s->y2 = shift.Y(NInt(self, 4));
  s->color = argc >= 5 ? NColor(self, 5) : 0xFFFFFF;
  s->depth = argc >= 6 ? NInt(self, 6) : 0;
  screen->Sprites().Add(std::move(s));
}

void PatternSize(Value* self, int32_t argc, bool height) {
  if (argc < 1) return;
  TPatternView v;
  int32_t size = 0;
  if (FindPattern(NInt(self, 1), v)) size = height ? v.rect.Height() : v.rect.Width();
  ValueSetInt(*self, size);
}

}  // namespace

void SpriteInit(Value* self, int32_t, int32_t) { ValueSetInt(*self, 1); }

void SpriteSet(Value* self, int32_t argc, int32_t) {
  if (argc < 4) return;
  TScreen* screen = RecordingScreen();
  if (!screen) return;
  auto s = std::make_unique<TGrpSprite>();
  s->owner = ValueAsObject(*self);
  const TSpriteShift shift = SpriteShiftFor(s->owner);
  s->x = shift.X(NInt(self, 2));
  s->y = shift.Y(NInt(self, 3));
  s->pattern = NInt(self, 4);
  s->mirrored = argc >= 5 && NIsOne(self, 5);
  s->depth = argc >= 6 ? NInt(self, 6) : 0;
  screen->Sprites().Add(std::move(s));
}

void SpriteSetText(Value* self, int32_t argc, int32_t) {
  if (!HostState().drawingFrame) return;
  if (argc < 5) ShowMessage("SetText..." + std::to_string(argc));
  if (argc < 3) return;
  TScreen* screen = MainScreen();
  if (!screen) return;
  auto s = std::make_unique<TTxtSprite>();
  s->owner = ValueAsObject(*self);
  const TSpriteShift shift = SpriteShiftFor(s->owner);
  s->x = shift.X(NInt(self, 1));
  s->y = shift.Y(NInt(self, 2));
  s->text = ValueToText(NArg(self, 3));
  s->color = argc >= 4 ? NColor(self, 4) : 0xFFFFFF;
  s->font = SpriteSettings().textFont;
  s->font.size = argc >= 5 ? NInt(self, 5) : 12;
  s->depth = argc >= 6 ? NInt(self, 6) : 0;
  screen->Sprites().Add(std::move(s));
}

void SpriteSetFont(Value* self, int32_t argc, int32_t) {
  if (argc < 1) return;
  TFontSpec& f = SpriteSettings().textFont;
  f.name = ValueToText(NArg(self, 1));
  f.bold = argc >= 2 && NTrue(self, 2);
  f.italic = argc >= 3 && NTrue(self, 3);
  f.underline = argc >= 4 && NTrue(self, 4);
}

void SpriteTextExtent(Value* self, int32_t argc, int32_t) {
  if (argc < 3) return;
  TScreen* screen = MainScreen();
  int w = 0;
  int h = 0;
  if (screen) {
    TFontSpec font = screen->Text().CurrentFont();
    font.size = NInt(self, 3);
    screen->Text().Measure(ValueToText(NArg(self, 2)), font, w, h);
  }
  ValueSetInt(*self, NTrue(self, 1) ? h : w);
}

void SpriteDrawLine(Value* self, int32_t argc, int32_t) { RecordLineLike<TLineSprite>(self, argc); }

void SpriteFillRect(Value* self, int32_t argc, int32_t) { RecordLineLike<TRectSprite>(self, argc); }

void SpriteFree(Value*, int32_t, int32_t) {}

void SpriteGetPWidth(Value* self, int32_t argc, int32_t) { PatternSize(self, argc, false); }

void SpriteGetPHeight(Value* self, int32_t argc, int32_t) { PatternSize(self, argc, true); }

void SpriteDrawChip(Value* self, int32_t argc, int32_t) {
  if (argc < 3) return;
  TScreen* screen = MainScreen();
  TSurface* map = SpriteSettings().mapSurface.get();
  TPatternView v;
  if (!screen || !map || !FindPattern(NInt(self, 3), v)) return;
  // The pattern sprite is centred; the chip's (x, y) is its top-left.
  TGrpSprite chip;
  chip.pattern = NInt(self, 3);
  chip.x = NInt(self, 1) + v.rect.Width() / 2;
  chip.y = NInt(self, 2) + v.rect.Height() / 2;
  TTargetScope scope(*map);
  TDrawTarget target{screen->Renderer(), map, &screen->Text()};
  chip.Draw(target);
}

void SpriteDrawMapSprite(Value* self, int32_t argc, int32_t) {
  if (argc < 4) return;
  TScreen* screen = RecordingScreen();
  const auto& map = SpriteSettings().mapSurface;
  if (!screen || !map) return;
  auto s = std::make_unique<TMapSprite>();
  s->source = map;
  s->srcX = NInt(self, 1);
  s->srcY = NInt(self, 2);
  s->srcWidth = s->dstWidth = NInt(self, 3);
  s->srcHeight = s->dstHeight = NInt(self, 4);
  s->depth = argc >= 5 ? NInt(self, 5) : 10;
  screen->Sprites().Add(std::move(s));
}

void SpriteDrawDxSprite(Value* self, int32_t argc, int32_t) {
  if (argc < 8) return;
  TScreen* screen = RecordingScreen();
  if (!screen) return;
  auto s = std::make_unique<TDxGrpSprite>();
  s->owner = ValueAsObject(*self);
  const TSpriteShift shift = SpriteShiftFor(s->owner);
  s->x = shift.X(NInt(self, 1));
  s->y = shift.Y(NInt(self, 2));
  s->pattern = NInt(self, 3);
  s->mirrored = NIsOne(self, 4);
  s->depth = NInt(self, 5);
  s->angle = NInt(self, 6);
  s->alpha = NInt(self, 7);
  s->scaleX = NFloat(self, 8);
  s->scaleY = argc >= 9 ? NFloat(self, 9) : s->scaleX;
  screen->Sprites().Add(std::move(s));
}

void SetAdjust(Value* self, int32_t argc, int32_t) {
  if (argc < 2) return;
  SpriteSettings().adjustX = NInt(self, 1);
  SpriteSettings().adjustY = NInt(self, 2);
}

// setCamera(x, y): the map pixel shown at the picture's top-left corner.
void SetCamera(Value* self, int32_t argc, int32_t) {
  if (argc < 2) return;
  SpriteSettings().cameraX = NInt(self, 1);
  SpriteSettings().cameraY = NInt(self, 2);
}

void GetCameraX(Value* self, int32_t, int32_t) { ValueSetInt(*self, SpriteSettings().cameraX); }

void GetCameraY(Value* self, int32_t, int32_t) { ValueSetInt(*self, SpriteSettings().cameraY); }

void Pset(Value*, int32_t, int32_t) {}

void SetMapPat(Value*, int32_t, int32_t) {}

}  // namespace ruvel::screen_natives
