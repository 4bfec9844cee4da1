// The Sprite, Panel and Window natives called on value slots as the
// interpreter calls them.
#include <array>

#include "platform/cp932.h"
#include "runtime/rtti.h"
#include "screen/screen_natives.h"
#include "screen_fixture.h"

namespace ruvel::test {
namespace {

using namespace screen_natives;
using Natives = ScreenTest;

Value I(int32_t i) { return MakeInt(i); }

TEST_F(Natives, SetRecordsAPatternWithOwnerMirrorAndDepth) {
  FakeObject owner;
  Value self = MakeObject(owner.inst);
  CallNative(SpriteSet, self, {I(0), I(10), I(20), I(3)});
  CallNative(SpriteSet, self, {I(0), I(10), I(20), I(3), I(2), I(7)});
  CallNative(SpriteSet, self, {I(0), I(10), I(20), I(3), MakeFloat(1.0f)});
  CallNative(SpriteSet, self, {I(0), I(10), I(20)});  // too few: nothing
  ASSERT_EQ(screen->Sprites().Size(), 3u);
  auto* a = dynamic_cast<TGrpSprite*>(screen->Sprites().At(0));
  auto* b = dynamic_cast<TGrpSprite*>(screen->Sprites().At(1));
  auto* c = dynamic_cast<TGrpSprite*>(screen->Sprites().At(2));
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(a->owner, owner.inst);
  EXPECT_EQ(a->x, 10);
  EXPECT_EQ(a->y, 20);
  EXPECT_EQ(a->pattern, 3);
  EXPECT_FALSE(a->mirrored);
  EXPECT_EQ(a->depth, 0);
  EXPECT_FALSE(b->mirrored) << "only 1 mirrors";
  EXPECT_EQ(b->depth, 7);
  EXPECT_TRUE(c->mirrored);
  EXPECT_EQ(owner.inst->refcount, 3) << "the list holds each sprite's owner";
  screen->Sprites().Clear();
  EXPECT_EQ(owner.inst->refcount, 0);
}

TEST_F(Natives, RecordingNativesDoNothingOutsideTheDrawingFrame) {
  HostState().drawingFrame = false;
  CallNative(SpriteSet, MakeNull(), {I(0), I(10), I(20), I(0)});
  CallNative(SpriteSetText, MakeNull(), {I(0), I(0), I(1)});
  CallNative(SpriteDrawLine, MakeNull(), {I(0), I(0), I(5), I(5)});
  CallNative(SpriteFillRect, MakeNull(), {I(0), I(0), I(5), I(5)});
  CallNative(SpriteDrawDxSprite, MakeNull(), {I(0), I(0), I(0), I(0), I(0), I(0), I(255), MakeFloat(1)});
  EXPECT_EQ(screen->Sprites().Size(), 0u);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(Natives, AdjustOffsetMovesRecordedSprites) {
  CallNative(SetAdjust, MakeNull(), {I(5), I(7)});
  CallNative(SpriteSet, MakeNull(), {I(0), I(10), I(20), I(0)});
  CallNative(SpriteFillRect, MakeNull(), {I(10), I(10), I(20), I(30), I(0xFF), I(4)});
  ASSERT_EQ(screen->Sprites().Size(), 2u);
  EXPECT_EQ(screen->Sprites().At(0)->x, 5);
  EXPECT_EQ(screen->Sprites().At(0)->y, 13);
  auto* r = dynamic_cast<TRectSprite*>(screen->Sprites().At(1));
  ASSERT_TRUE(r);
  EXPECT_EQ((TRect{r->x, r->y, r->x2, r->y2}), (TRect{5, 3, 15, 23}));
  EXPECT_EQ(r->color, 0xFFu);
  EXPECT_EQ(r->depth, 4);
}

TEST_F(Natives, SetTextDefaultsAndComplainsAboutFewArguments) {
  CallNative(SpriteSetFont, MakeNull(), {MakeNull(), I(1)});
  CallNative(SpriteSetText, MakeNull(), {I(1), I(2), I(42)});
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], "SetText...3");
  auto* t = dynamic_cast<TTxtSprite*>(screen->Sprites().At(0));
  ASSERT_TRUE(t);
  EXPECT_EQ(t->text, "42");
  EXPECT_EQ(t->color, 0xFFFFFFu);
  EXPECT_EQ(t->font.size, 12);
  EXPECT_TRUE(t->font.bold);
  CallNative(SpriteSetText, MakeNull(), {I(1), I(2)});
  EXPECT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(screen->Sprites().Size(), 1u) << "two arguments record nothing";
}

TEST_F(Natives, DxSpriteTakesScaleYFromScaleXWhenAbsent) {
  CallNative(SpriteDrawDxSprite, MakeNull(),
             {I(50), I(60), I(0), I(1), I(3), I(-90), I(200), MakeFloat(1.5f)});
  auto* d = dynamic_cast<TDxGrpSprite*>(screen->Sprites().At(0));
  ASSERT_TRUE(d);
  EXPECT_TRUE(d->mirrored);
  EXPECT_EQ(d->depth, 3);
  EXPECT_EQ(d->angle, -90);
  EXPECT_EQ(d->alpha, 200);
  EXPECT_DOUBLE_EQ(d->scaleY, 1.5);
}

TEST_F(Natives, PatternSizesAndTextExtent) {
  EXPECT_EQ(ValueToInt(CallNative(SpriteGetPWidth, MakeNull(), {I(1)})), 16);
  EXPECT_EQ(ValueToInt(CallNative(SpriteGetPHeight, MakeNull(), {I(1)})), 16);
  EXPECT_EQ(ValueToInt(CallNative(SpriteGetPWidth, MakeNull(), {I(-1)})), 0);
  EXPECT_EQ(ValueToInt(CallNative(SpriteGetPHeight, MakeNull(), {I(77)})), 0);
  EXPECT_EQ(ValueToInt(CallNative(SpriteInit, MakeNull(), {})), 1);
  int32_t w = ValueToInt(CallNative(SpriteTextExtent, MakeNull(), {I(0), MakeInt(123), I(12)}));
  int32_t h = ValueToInt(CallNative(SpriteTextExtent, MakeNull(), {I(1), MakeInt(123), I(12)}));
  int32_t w24 = ValueToInt(CallNative(SpriteTextExtent, MakeNull(), {I(0), MakeInt(123), I(24)}));
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  EXPECT_GT(w24, w);
}

TEST_F(Natives, MapNativesNeedAMapSurface) {
  CallNative(SpriteDrawMapSprite, MakeNull(), {I(0), I(0), I(10), I(10)});
  CallNative(SpriteDrawChip, MakeNull(), {I(0), I(0), I(0)});
  EXPECT_EQ(screen->Sprites().Size(), 0u);
  SpriteSettings().mapSurface = std::make_shared<TSurface>(screen->Renderer(), 64, 64);
  CallNative(SpriteDrawChip, MakeNull(), {I(16), I(0), I(1)});
  EXPECT_EQ(SpriteSettings().mapSurface->GetPixel(16, 0), kGreen) << "chips are placed by their top-left";
  EXPECT_EQ(SpriteSettings().mapSurface->GetPixel(31, 15), kGreen);
  EXPECT_EQ(SpriteSettings().mapSurface->GetPixel(15, 0), 0u);
  CallNative(SpriteDrawMapSprite, MakeNull(), {I(8), I(0), I(40), I(20)});
  auto* m = dynamic_cast<TMapSprite*>(screen->Sprites().At(0));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->depth, 10);
  EXPECT_EQ(m->owner, nullptr);
  screen->DrawAll();
  EXPECT_EQ(Pixel(8, 0), kGreen);  // map column 16 scrolled to picture column 8
}

TEST_F(Natives, PanelDrawsAtOnceAndReadsPixelsBack) {
  Value panel = CallNative(PanelInit, MakeNull(), {I(64), I(64)});
  ASSERT_NE(LivePanel(panel), nullptr);
  CallNative(PanelFillRect, MakeNull(), {panel, I(0), I(0), I(10), I(10), I(int32_t(kBlue))});
  CallNative(PanelDrawSprite, MakeNull(), {panel, I(40), I(40), I(2), I(1)});
  CallNative(PanelDrawLine, MakeNull(), {panel, I(0), I(20), I(5), I(20), I(int32_t(kWhite))});
  EXPECT_EQ(ValueToInt(CallNative(PanelGetPixel, MakeNull(), {panel, I(9), I(9)})), int32_t(kBlue));
  EXPECT_EQ(ValueToInt(CallNative(PanelGetPixel, MakeNull(), {panel, I(10), I(10)})), 0);
  EXPECT_EQ(ValueToInt(CallNative(PanelGetPixel, MakeNull(), {panel, I(33), I(40)})), int32_t(kBlue))
      << "mirrored: blue half on the left";
  EXPECT_EQ(ValueToInt(CallNative(PanelGetPixel, MakeNull(), {panel, I(4), I(20)})), int32_t(kWhite));
  EXPECT_EQ(ValueToInt(CallNative(PanelGetPixel, MakeNull(), {panel, I(5), I(20)})), 0);
  CallNative(PanelDrawText, MakeNull(), {panel, I(0), I(30), I(int32_t(kWhite)), I(int32_t(kWhite)), I(12)});
  CallNative(PanelDrawDxSprite, MakeNull(), {panel, I(50), I(10), I(0), I(0), I(0), MakeFloat(0.5f), MakeNull()});
  EXPECT_EQ(ValueToInt(CallNative(PanelGetPixel, MakeNull(), {panel, I(50), I(10)})), int32_t(kRed));
  EXPECT_EQ(ValueToInt(CallNative(PanelGetPixel, MakeNull(), {panel, I(50), I(15)})), 0) << "scale y follows x";
  // Not drawn on the screen: panels are off-screen.
  screen->DrawAll();
  EXPECT_EQ(Ink(TRect{0, 0, 64, 64}), 0);
  CallNative(PanelFree, MakeNull(), {panel});
}

TEST_F(Natives, PanelResizeGrowsToMultiplesOf32AndKeepsThePicture) {
  Value panel = CallNative(PanelInit, MakeNull(), {I(64), I(64)});
  CallNative(PanelFillRect, MakeNull(), {panel, I(0), I(0), I(64), I(64), I(int32_t(kGreen))});
  Value same = CallNative(PanelResize, MakeNull(), {panel, I(60), I(60)});
  EXPECT_EQ(LivePanel(same), LivePanel(panel));
  Value grown = CallNative(PanelResize, MakeNull(), {panel, I(70), I(10)});
  TPanelSurface* p = LivePanel(grown);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(LivePanel(panel), nullptr) << "the old panel was freed";
  EXPECT_EQ(p->surface->Width(), 96);
  EXPECT_EQ(p->surface->Height(), 32);
  EXPECT_EQ(p->surface->GetPixel(63, 31), kGreen);
  EXPECT_EQ(p->surface->GetPixel(64, 0), 0u);
  EXPECT_EQ(LivePanelCount(), 1u);
}

TEST_F(Natives, PanelNativesRefuseValuesThatAreNotLivePanels) {
  Value panel = CallNative(PanelInit, MakeNull(), {I(8), I(8)});
  CallNative(PanelFree, MakeNull(), {panel});
  EXPECT_EQ(LivePanelCount(), 0u);
  // A freed panel, a number and a string: nothing happens, nothing returned.
  CallNative(PanelFree, MakeNull(), {panel});
  EXPECT_EQ(CallNative(PanelGetPixel, MakeNull(), {panel, I(0), I(0)}).tag, kNull);
  EXPECT_EQ(CallNative(PanelGetPixel, MakeNull(), {I(5), I(0), I(0)}).tag, kNull);
  CallNative(PanelFillRect, MakeNull(), {I(5), I(0), I(0), I(1), I(1), I(1)});
  EXPECT_EQ(CallNative(PanelInit, MakeNull(), {I(0), I(10)}).tag, kNull);
  EXPECT_EQ(CallNative(PanelInit, MakeNull(), {I(100000), I(10)}).tag, kNull);
  EXPECT_EQ(CallNative(PanelInit, MakeNull(), {I(10)}).tag, kNull);
}

TEST_F(Natives, PanelDrawRecordsAMapSpriteOwnedByTheTarget) {
  // A panel object whose member "target" holds the owner.
  bool aliases = VM().aliasRegistration;
  VM().aliasRegistration = false;
  TRTTI cls("PanelTestClass", "");
  VM().aliasRegistration = aliases;
  cls.MemberIndexOrAdd("target");
  FakeObject panelObj;
  panelObj.inst->cls = &cls;
  panelObj.inst->count = 1;
  FakeObject owner;
  panelObj.inst->members()[0] = MakeObject(owner.inst);
  HostState().drawingFrame = false;  // recorded outside the drawing frame too
  CallNative(SetAdjust, MakeNull(), {I(1), I(2)});
  Value panel = CallNative(PanelInit, MakeNull(), {I(32), I(32)});
  CallNative(PanelDraw, MakeObject(panelObj.inst),
             {panel, I(10), I(20), I(32), I(32), I(4), I(5), I(16), I(8), I(3), I(128), I(0)});
  ASSERT_EQ(screen->Sprites().Size(), 1u);
  auto* m = dynamic_cast<TMapSprite*>(screen->Sprites().At(0));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->owner, owner.inst);
  EXPECT_EQ(m->x, 9);
  EXPECT_EQ(m->y, 18);
  EXPECT_EQ((std::array<int32_t, 6>{m->srcX, m->srcY, m->dstWidth, m->dstHeight, m->depth, m->alpha}),
            (std::array<int32_t, 6>{4, 5, 16, 8, 3, 128}));
  EXPECT_FALSE(m->rotated);
  screen->Sprites().Clear();
  panelObj.inst->members()[0] = MakeNull();
}

TEST_F(Natives, WindowSetSizeAndPos) {
  CallNative(WindowSetSize, MakeNull(), {I(320), I(240)});  // too few
  EXPECT_EQ(screen->ClientWidth(), 560);
  CallNative(WindowSetSize, MakeNull(), {I(320), I(240), I(1)});
  EXPECT_EQ(screen->ClientWidth(), 320);
  EXPECT_EQ(screen->DrawingHeight(), 240);
  EXPECT_EQ(screen->ClientHeight(), 240 + TScreen::kStatusBarHeight);
  EXPECT_EQ(GlobalInt("$ScreenWidth"), 320);
  EXPECT_EQ(GlobalInt("$screenheight"), 240);
  int w = 0, h = 0;
  window->Size(w, h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 259);
  EXPECT_GE(screen->BackBuffer().Width(), 320);
}

}  // namespace
}  // namespace ruvel::test
