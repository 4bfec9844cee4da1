// The hit test, mouse press/move/release handling, resize rules, the busy
// indicator and full-screen offsets of the main screen.
#include "platform/clock.h"
#include "screen_fixture.h"

namespace ruvel::test {
namespace {

using MouseWindow = ScreenTest;

TEST(HitRule, OverlapIsStrictlyWithinHalfTheExtents) {
  TRect sprite{0, 0, 16, 16};
  for (int x = -1; x <= 17; ++x) {
    bool hit = RectsOverlap(sprite, TRect{x, 8, x + 1, 9});
    EXPECT_EQ(hit, x >= 1 && x <= 15) << "x " << x;
  }
  EXPECT_FALSE(RectsOverlap(sprite, TRect{8, 0, 9, 1}));
  EXPECT_FALSE(RectsOverlap(sprite, TRect{8, 16, 9, 17}));
  EXPECT_TRUE(RectsOverlap(sprite, TRect{8, 15, 9, 16}));
  EXPECT_FALSE(RectsOverlap(TRect{0, 0, 0, 0}, TRect{0, 0, 1, 1}));
}

TEST_F(MouseWindow, HitTestFindsEachOwnerOnceInDrawingOrder) {
  FakeObject a, b;
  auto* front = Add<TGrpSprite>(100, 100, 0);
  front->pattern = 0;
  front->owner = a.inst;
  auto* back = Add<TGrpSprite>(104, 100, 9);
  back->pattern = 0;
  back->owner = b.inst;
  auto* again = Add<TGrpSprite>(102, 100, 1);
  again->pattern = 0;
  again->owner = a.inst;
  screen->DrawAll();  // sorts: back (9), again (1), front (0)
  EXPECT_EQ(screen->HitTest(101, 100), (std::vector<Instance*>{b.inst, a.inst}));
  EXPECT_EQ(screen->HitTest(111, 100), (std::vector<Instance*>{b.inst}));
  EXPECT_TRUE(screen->HitTest(300, 300).empty());
  screen->Sprites().Clear();
}

TEST_F(MouseWindow, PressEvaluatesMouseDownPerOwnerOrOnDown) {
  FakeObject a, b;
  auto* tiny = Add<TGrpSprite>(100, 100, 0);  // unknown pattern: 1 x 1 bound, never hit
  tiny->pattern = 99;
  tiny->owner = a.inst;
  auto* s = Add<TGrpSprite>(100, 100, 3);
  s->pattern = 0;
  s->owner = b.inst;
  auto* s2 = Add<TGrpSprite>(100, 100, 2);
  s2->pattern = 1;
  s2->owner = a.inst;
  screen->DrawAll();
  screen->MouseDown(101, 102, true, false);
  ASSERT_EQ(snippets.size(), 2u);
  EXPECT_EQ(snippets[0], "$_tmp_cur_select.mouseDown(101,102,1,0);");
  EXPECT_EQ(snippets[1], "$_tmp_cur_select.mouseDown(101,102,1,0);");
  Value* sel = GlobalSlot("$_tmp_cur_select");
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(ValueAsObject(*sel), a.inst) << "the last owner stays selected";
  snippets.clear();
  screen->MouseDown(400, 300, false, true);
  ASSERT_EQ(snippets.size(), 1u);
  EXPECT_EQ(snippets[0], "$_tmp_cur_select=0;if ($_mouse_event) $_mouse_event.onDown (400,300,0,1);");
  EXPECT_TRUE(screen->rightPressPending);
  EXPECT_EQ(screen->pressX, 400);
  snippets.clear();
  screen->MouseUp(400, 300, false, true);
  ASSERT_EQ(snippets.size(), 1u);
  EXPECT_EQ(snippets[0], "if ($_tmp_cur_select) $_tmp_cur_select.inspect();");
  EXPECT_FALSE(screen->rightPressPending);
  ValueSetNull(*sel);
  screen->Sprites().Clear();
}

TEST_F(MouseWindow, PressesOnTheStatusBarAreNotThePicture) {
  screen->MouseDown(10, 390, true, false);
  EXPECT_TRUE(snippets.empty());
}

TEST_F(MouseWindow, DragWritesMouseGlobalsAndRunsAFrame) {
  int frames = 0;
  screen->runFrameLoop = [&] { ++frames; };
  screen->MouseMove(10, 20, false, false);
  EXPECT_EQ(GlobalInt("$mouseX"), 0) << "plain moves write nothing";
  EXPECT_EQ(screen->pressX, 10);
  screen->MouseMove(15, 25, true, false);
  EXPECT_EQ(GlobalInt("$mouseX"), 15);
  EXPECT_EQ(GlobalInt("$mouseY"), 25);
  EXPECT_EQ(GlobalInt("$mouseSX"), 10);
  EXPECT_EQ(GlobalInt("$mouseSY"), 20);
  EXPECT_EQ(GlobalInt("$leftButton"), 1);
  EXPECT_EQ(GlobalInt("$rightButton"), 0);
  EXPECT_EQ(screen->pressX, -10);
  EXPECT_EQ(frames, 1);
  screen->MouseMove(15, 25, true, false);  // same place: no frame
  EXPECT_EQ(frames, 1);
  HostState().halted = true;
  screen->MouseMove(50, 50, true, false);
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(GlobalInt("$mouseX"), 15);
}

TEST_F(MouseWindow, DesignModeSnapsAndOpensThePopupForShortRightClicks) {
  HostState().designMode = true;
  int steps = 0, popups = 0;
  screen->designStep = [&] { ++steps; };
  screen->popupMenu = [&](int, int) { ++popups; };
  screen->MouseMove(13, 21, false, false);
  EXPECT_EQ(GlobalInt("$mouseX"), 8);
  EXPECT_EQ(GlobalInt("$mouseY"), 16);
  // A right click released 8 pixels away opens the menu; 9 does not.
  screen->MouseDown(100, 100, false, true);
  screen->MouseUp(105, 103, false, true);
  EXPECT_EQ(popups, 1);
  screen->MouseDown(100, 100, false, true);
  screen->MouseUp(105, 104, false, true);
  EXPECT_EQ(popups, 1);
  // A drag in between prevents it.
  screen->MouseDown(100, 100, false, true);
  screen->MouseMove(140, 100, false, true);
  screen->MouseUp(100, 100, false, true);
  EXPECT_EQ(popups, 1);
  EXPECT_GE(steps, 6);
}

TEST_F(MouseWindow, ResizeFollowsOrSnapsBackToTheScriptSize) {
  // Not resizable while the globals are unset: the size the script asked
  // for stays (it is not snapped to 0 x 0).
  screen->SetSizeFromScript(320, 240, false);
  EXPECT_EQ(screen->ClientWidth(), 320);
  EXPECT_EQ(screen->DrawingHeight(), 240);
  SetGlobalInt("$ScreenWidth", 320);
  SetGlobalInt("$ScreenHeight", 240);
  screen->SetSizeFromScript(320, 240, false);
  EXPECT_EQ(screen->ClientWidth(), 320);
  EXPECT_EQ(screen->DrawingHeight(), 240);
  // The user drags the window larger: the picture keeps the script's size
  // and is scaled to fit the window, which keeps the user's size.
  window->SetSize(700, 600);
  screen->OnResize(true);
  EXPECT_EQ(screen->ClientWidth(), 320);
  EXPECT_EQ(screen->DrawingHeight(), 240);
  int w = 0, h = 0;
  window->Size(w, h);
  EXPECT_EQ(w, 700);
  EXPECT_EQ(h, 600);
  EXPECT_EQ(screen->ScaleChoice(), kScaleFit);
  TViewLayout view = screen->Layout();
  EXPECT_EQ(view.WholeScale(), 2);
  int px = view.x + 2 * 31 + 1;
  int py = view.y + 2 * 17 + 1;
  EXPECT_TRUE(screen->WindowToPicture(px, py));
  EXPECT_EQ(px, 31);
  EXPECT_EQ(py, 17);
  int bx = view.x - 1;
  int by = view.y;
  EXPECT_FALSE(screen->WindowToPicture(bx, by)) << "the band left of the picture";
  // A script's new size is shown at the scale of the window.
  SetGlobalInt("$ScreenWidth", 300);
  SetGlobalInt("$ScreenHeight", 200);
  screen->SetSizeFromScript(300, 200, false);
  window->Size(w, h);
  EXPECT_EQ(w, 600);
  EXPECT_EQ(h, 400 + TScreen::kStatusBarHeight);
  // Resizable: the globals follow the window at the scale shown and the
  // back buffer grows.
  screen->resizable = true;
  window->SetSize(1800, 1400);
  screen->OnResize(true);
  EXPECT_EQ(GlobalInt("$ScreenWidth"), 900);
  EXPECT_EQ(GlobalInt("$ScreenHeight"), (1400 - TScreen::kStatusBarHeight) / 2);
  EXPECT_EQ(screen->BackBuffer().Width(), 950);
  EXPECT_GE(screen->BackBuffer().Height(), 690);
}

TEST_F(MouseWindow, StatusBarToggleKeepsTheDrawingHeight) {
  EXPECT_EQ(screen->DrawingHeight(), 381);
  screen->SetStatusBarShown(false);
  EXPECT_EQ(screen->DrawingHeight(), 381);
  EXPECT_EQ(screen->ClientHeight(), 381);
  screen->SetStatusBarShown(true);
  EXPECT_EQ(screen->ClientHeight(), 400);
}

TEST_F(MouseWindow, BusyIndicatorBlinksInTheCorner) {
  screen->BusyDraw(false);
  EXPECT_FALSE(screen->busyOn) << "only a start turns it on";
  screen->BusyDraw(true);
  EXPECT_EQ(Pixel(560 - 24, 400 - 16), 0x11FF11u);
  screen->KeepAlive("x", nullptr, false);
  EXPECT_EQ(Pixel(560 - 9, 400 - 9), 0x001100u);
  EXPECT_NE(Pixel(560 - 8, 400 - 9), 0x001100u) << "right-exclusive";
  screen->busyCounter = 1001;
  screen->BusyDraw(false);
  EXPECT_EQ(screen->busyCounter, 1002 & 7);
  screen->BusyEnd();
  int before = screen->busyCounter;
  screen->KeepAlive("shown", nullptr, true);
  EXPECT_EQ(screen->busyCounter, before);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], "shown");
}

TEST_F(MouseWindow, PaintSkipsSeamlessLoadsOnceStarted) {
  SetGlobalInt("$bgcolor", int32_t(kGreen));
  screen->drawingDisabled = true;
  SetGlobalInt("$_seamLessLoad", 1);
  screen->Paint();
  EXPECT_FALSE(screen->drawingDisabled);
  EXPECT_NE(Pixel(5, 5), kGreen);
  SetGlobalInt("$_seamLessLoad", 0);
  screen->Paint();
  EXPECT_EQ(Pixel(5, 5), kGreen);
}

TEST_F(MouseWindow, MoveGlobalsAreWrittenOnceStarted) {
  HostState().started = false;
  screen->OnMove(30, 40);
  EXPECT_EQ(GlobalInt("$windowX"), 0);
  HostState().started = true;
  screen->OnMove(30, 40);
  EXPECT_EQ(GlobalInt("$windowX"), 30);
  EXPECT_EQ(GlobalInt("$windowY"), 40);
}

// Full screen: a 320 x 240 picture is centred on the desktop and mouse
// positions lose the offset.
TEST_F(MouseWindow, FullScreenCentresThePictureAndCorrectsTheMouse) {
  SetMainScreen(nullptr);
  screen.reset();
  window.reset();
  std::string error;
  TWindowOptions options;
  options.headless = true;
  options.fullscreen = true;
  window = TWindow::Create(options, error);
  ASSERT_TRUE(window) << error;
  screen = std::make_unique<TScreen>(*window);
  SetMainScreen(screen.get());
  int sw = 0, sh = 0;
  window->Size(sw, sh);
  ASSERT_GT(sw, 320);
  ASSERT_GT(sh, 240);
  SetGlobalInt("$screenWidth", 320);
  SetGlobalInt("$screenHeight", 240);
  screen->SetSizeFromScript(320, 240, false);
  EXPECT_EQ(screen->DrawingHeight(), 240);
  screen->DrawAll();
  EXPECT_EQ(screen->OffsetX(), (sw - 320) / 2);
  EXPECT_EQ(screen->OffsetY(), (sh - 240) / 2);
  screen->MouseDown(screen->OffsetX(), screen->OffsetY(), true, false);
  ASSERT_EQ(snippets.size(), 1u);
  EXPECT_NE(snippets[0].find("onDown (0,0,1,0)"), std::string::npos) << snippets[0];
  // The picture appears at the offset on the window.
  SetGlobalInt("$bgcolor", int32_t(kBlue));
  auto* r = Add<TRectSprite>(0, 0);
  r->x2 = 10;
  r->y2 = 10;
  r->color = kRed;
  screen->DrawAll();
  std::vector<uint32_t> px(size_t(sw) * sh);
  SDL_Rect all{0, 0, sw, sh};
  screen->Compose();
  ASSERT_EQ(SDL_RenderReadPixels(window->Renderer(), &all, SDL_PIXELFORMAT_ARGB8888, px.data(), sw * 4), 0);
  auto at = [&](int x, int y) { return ArgbToBgr(px[size_t(y) * sw + x]); };
  EXPECT_EQ(at(screen->OffsetX(), screen->OffsetY()), kRed);
  EXPECT_EQ(at(screen->OffsetX() + 9, screen->OffsetY() + 9), kRed);
  EXPECT_EQ(at(screen->OffsetX() + 10, screen->OffsetY() + 10), kBlue);
  EXPECT_EQ(at(screen->OffsetX() - 1, screen->OffsetY()), kBlue) << "borders take the background colour";
}

}  // namespace
}  // namespace ruvel::test
