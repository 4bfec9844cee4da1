// The scaled window on a virtual X display: the picture on the display is
// the headless picture with each pixel a sharp square, at the scale asked
// for and after a person resized the window; a press at a window position
// reaches the game as the picture pixel under it; the window's
// --screenshot is the headless one whatever the scale.
#include <chrono>
#include <cstdio>
#include <thread>

#include "integration/integration_fixture.h"

namespace {

using namespace it;

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A page whose picture has one-pixel details and smooth-edged text, and
// which marks (and prints) where a press landed.
const char* const kPage =
    "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n  <class name=\"Probe\" src=\"Probe.ruvel\">\n"
    " </resourcelist>\n <resourcelist name=\"gen\">\n  <generator className=\"Probe\" name=\"$probe\" inst_x=\"0\""
    " inst_y=\"0\">\n </resourcelist>\n</resourcelist>\n";
const char* const kProbe = R"(extends classes.game.Char;
function onGenerate() {
  $bgcolor = 3153952;
  $_mouse_event = this;
  hits = 0;
}
function onDown(mx, my, l, r) {
  hits++;
  hx = mx;
  hy = my;
  print("press " + mx + " " + my);
}
function main() {
  while (1) suspend();
}
function draw() {
  fillRect(100, 50, 101, 300, 255, 10);
  fillRect(200, 120, 201, 121, 65280, 10);
  fillRect(300, 200, 420, 260, 16776960, 10);
  drawText(20, 12, "scale 倍率 123", 16777215, 18, 0);
  if (hits) fillRect(hx, hy, hx + 2, hy + 2, 16711935, 0);
}
)";

constexpr int kPictureW = 560;
constexpr int kPictureH = 381;
constexpr int kStatusBar = 19;

class WindowScaleTest : public IntegrationTest {
 protected:
  void SetUp() override {
    IntegrationTest::SetUp();
    for (const char* tool : {"Xvfb", "xdotool", "xwd", "xwdtopnm", "pnmtopng"}) {
      if (!Have(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    std::string cmd = "Xvfb -displayfd 3 -screen 0 1920x1400x24 -nolisten tcp 3>" + (dir / "display").string() +
                      " >/dev/null 2>&1 & echo $! >" + (dir / "xvfb.pid").string();
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int i = 0; i < 100 && display.empty(); ++i) {
      Sleep(50);
      std::ifstream in(dir / "display");
      std::string n;
      if (in >> n) display = ":" + n;
    }
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";
    Write(dir / "probe.cmml", kPage);
    Write(dir / "Probe.ruvel", kProbe);
  }
  void TearDown() override {
    if (fs::exists(dir / "xvfb.pid")) (void)std::system(("kill $(cat " + (dir / "xvfb.pid").string() + ") 2>/dev/null").c_str());
    IntegrationTest::TearDown();
  }
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  std::string X(const std::string& command) { return "DISPLAY=" + display + " " + command; }

  // Starts the program in the background; its exit code goes to "done".
  void Start(const std::string& args) {
    std::string run = "(" + X("timeout 60 " + BuildDir() + "/ruvel " + (dir / "probe.cmml").string() + " " + args) +
                      " >" + (dir / "log").string() + " 2>&1; echo $? >" + (dir / "done").string() + ") &";
    ASSERT_EQ(std::system(run.c_str()), 0);
  }
  int WaitForExit() {
    for (int i = 0; i < 300 && !fs::exists(dir / "done"); ++i) Sleep(100);
    std::ifstream in(dir / "done");
    int code = -1;
    in >> code;
    return code;
  }
  std::string Log() {
    std::ifstream in(dir / "log");
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  // The main window's place and size on the display.
  bool Geometry(int& x, int& y, int& w, int& h) {
    std::string cmd = X("xdotool search --name '^Ruvel System' getwindowgeometry --shell") +
                      " | tr '\\n' ' ' >" + (dir / "geom").string();
    if (std::system(cmd.c_str()) != 0) return false;
    std::ifstream in(dir / "geom");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return std::sscanf(text.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &x, &y, &w, &h) == 4;
  }
  ruvel::TPixelImage Root() {
    fs::path png = dir / "root.png";
    std::string cmd = X("xwd -root -silent") + " | xwdtopnm 2>/dev/null | pnmtopng >" + png.string();
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    return Screenshot(png);
  }
  // Display pixels of the scaled picture at (left, top) that differ from
  // the headless picture's pixel under them.
  static int Mismatches(const ruvel::TPixelImage& root, const ruvel::TPixelImage& picture, int left, int top, int scale) {
    int bad = 0;
    for (int y = 0; y < kPictureH * scale; ++y) {
      for (int x = 0; x < kPictureW * scale; ++x) {
        bool on = left + x < root.width && top + y < root.height;
        bad += !on || root.At(left + x, top + y) != picture.At(x / scale, y / scale);
      }
    }
    return bad;
  }
  // The headless picture of the probe page.
  ruvel::TPixelImage Headless() {
    RunResult r = RunRuvel((dir / "probe.cmml").string() + " --headless --fixed-clock --frames 30 --screenshot " +
                           (dir / "headless.png").string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return Screenshot(dir / "headless.png");
  }

  std::string display;
};

TEST_F(WindowScaleTest, ScaledAndResizedWindowsShowSharpPixelsMapPressesAndSaveTheHeadlessPicture) {
  ruvel::TPixelImage head = Headless();
  ASSERT_EQ(head.width, kPictureW);
  ASSERT_EQ(head.height, kPictureH + kStatusBar);
  Start("--scale 2 --log --frames 600 --screenshot " + (dir / "window.png").string());
  Sleep(4000);
  int x, y, w, h;
  ASSERT_TRUE(Geometry(x, y, w, h)) << Log();
  EXPECT_EQ(w, 2 * kPictureW);
  int inset = h - 2 * kPictureH - kStatusBar;  // the menu bar's rows
  EXPECT_GE(inset, 0) << h;
  EXPECT_EQ(Mismatches(Root(), head, x, y + inset, 2), 0);
  // A person makes the window a little more than three times as large:
  // the picture triples, centred in the space left.
  int extra = 6;
  std::string resize = "xdotool search --name '^Ruvel System' windowmove 20 20 windowsize " +
                       std::to_string(3 * kPictureW + extra) + " " +
                       std::to_string(3 * kPictureH + kStatusBar + inset + extra);
  ASSERT_EQ(std::system(X(resize).c_str()), 0);
  Sleep(700);
  ASSERT_TRUE(Geometry(x, y, w, h));
  ASSERT_EQ(w, 3 * kPictureW + extra);
  int left = x + extra / 2;
  int top = y + inset + extra / 2;
  EXPECT_EQ(Mismatches(Root(), head, left, top, 3), 0);
  // A press on the lower right of picture pixel (251, 163) reaches the
  // page as that pixel; it marks it with a 2 x 2 square.
  int px = 251;
  int py = 163;
  std::string click = "xdotool mousemove " + std::to_string(left + 3 * px + 2) + " " + std::to_string(top + 3 * py + 2) +
                      " click 1";
  ASSERT_EQ(std::system(X(click).c_str()), 0);
  ASSERT_EQ(WaitForExit(), 0) << Log();
  EXPECT_NE(Log().find("press 251 163"), std::string::npos) << Log();
  // The window's own screenshot is the headless picture with the mark.
  ruvel::TPixelImage shot = Screenshot(dir / "window.png");
  ASSERT_EQ(shot.width, head.width);
  ASSERT_EQ(shot.height, head.height);
  int differ = 0;
  for (int sy = 0; sy < shot.height; ++sy) {
    for (int sx = 0; sx < shot.width; ++sx) {
      bool mark = sx >= px && sx < px + 2 && sy >= py && sy < py + 2;
      differ += shot.At(sx, sy) != (mark ? 0xff00ffu : head.At(sx, sy));
    }
  }
  EXPECT_EQ(differ, 0);
}

}  // namespace
