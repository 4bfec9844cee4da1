// The program's own windows on a virtual X display without a window
// manager: a page whose class does not compile shows a modal message box in
// front with the keyboard, its text drawn with the program's font and also
// on stderr; Enter closes it and the game goes on with the keyboard back.
// breakExec() brings the debugger to the front with the keyboard.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>
#include <vector>

#include "integration/integration_fixture.h"
#include "platform/cp932.h"
#include "platform/message_box.h"
#include "platform/text_render.h"

namespace {

using namespace it;

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The CP932 text as the program's text renderer draws it in a box's font,
// black on the box's face, on a software renderer like the box's.
ruvel::TPixelImage RenderLikeABox(const std::string& cp932) {
  ruvel::TPixelImage img;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 1000, 60, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Renderer* r = s ? SDL_CreateSoftwareRenderer(s) : nullptr;
  if (!r) return img;
  {
    ruvel::TTextRenderer text(r);
    text.Measure(cp932, ruvel::MessageBoxFont(), img.width, img.height);
    SDL_SetRenderDrawColor(r, 0xF0, 0xF0, 0xF0, 255);
    SDL_RenderClear(r);
    text.Draw(cp932, ruvel::MessageBoxFont(), 0x000000, 0, 0);
  }
  img.width = std::min(img.width, s->w);
  img.height = std::min(img.height, s->h);
  for (int y = 0; y < img.height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
    for (int x = 0; x < img.width; ++x) img.pixels.push_back(row[x] & 0xFFFFFF);
  }
  SDL_DestroyRenderer(r);
  SDL_FreeSurface(s);
  return img;
}

// Sends WM_DELETE_WINDOW to the window named by argv[1], as a window
// manager's close button does (xdotool has no command for it).
const char* const kCloseWindow = R"PY(import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
d = x.XOpenDisplay(None)
ev = (ctypes.c_long * 24)()
ev[0] = 33  # ClientMessage; then serial, send_event, display, window, message_type, format, data
ev[4] = int(sys.argv[1])
ev[5] = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
ev[6] = 32
ev[7] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, int(sys.argv[1]), 0, 0, ctypes.byref(ev))
x.XFlush(d)
)PY";

class MessageBoxWindowTest : public IntegrationTest {
 protected:
  void SetUp() override {
    IntegrationTest::SetUp();
    for (const char* tool : {"Xvfb", "xdotool", "xwd", "xwdtopnm", "pnmtopng", "xwininfo"}) {
      if (!Have(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    std::string cmd = "Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>" + (dir / "display").string() +
                      " >/dev/null 2>&1 & echo $! >" + (dir / "xvfb.pid").string();
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int i = 0; i < 100 && display.empty(); ++i) {
      Sleep(50);
      std::string n = ReadFile(dir / "display");
      if (!n.empty() && n.back() == '\n') display = ":" + n.substr(0, n.size() - 1);
    }
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";
    // The pointer off every window: without a window manager the keyboard
    // would otherwise follow the pointer to whatever window lies under it.
    OnDisplay("xdotool mousemove 0 0");
  }
  void TearDown() override {
    for (const char* pid : {"ruvel.pid", "xvfb.pid"}) {
      if (fs::exists(dir / pid)) (void)std::system(("kill $(cat " + (dir / pid).string() + ") 2>/dev/null").c_str());
    }
    // The program's shell writes its exit code before the folder goes.
    for (int i = 0; i < 50 && fs::exists(dir / "ruvel.pid") && !fs::exists(dir / "done"); ++i) Sleep(20);
    IntegrationTest::TearDown();
  }
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  // The output of a command run on the display.
  std::string OnDisplay(const std::string& command) {
    std::string out;
    FILE* p = popen(("DISPLAY=" + display + " " + command + " 2>/dev/null").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
  }
  // Starts the program on the page in the background; the exit code goes to
  // the file "done".
  void Start(const std::string& args) {
    std::string run = "(DISPLAY=" + display + " sh -c 'echo $$ >" + (dir / "ruvel.pid").string() + "; exec timeout 60 " +
                      BuildDir() + "/ruvel " + args + "' >" + (dir / "log").string() + " 2>&1; echo $? >" +
                      (dir / "done").string() + ") &";
    ASSERT_EQ(std::system(run.c_str()), 0);
  }
  // The window that has the keyboard and its title.
  std::string Focused() { return OnDisplay("xdotool getwindowfocus getwindowname"); }
  long FocusedId() { return std::atol(OnDisplay("xdotool getwindowfocus").c_str()); }
  // Windows with this exact title, oldest first.
  std::vector<long> WindowsNamed(const std::string& title) {
    std::istringstream in(OnDisplay("xdotool search --name '^" + title + "$'"));
    std::vector<long> ids;
    for (long id; in >> id;) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
  }
  // The windows' ids from the top of the stack down.
  std::vector<long> Stacking() {
    std::istringstream in(OnDisplay("xwininfo -root -children"));
    std::vector<long> ids;
    for (std::string line; std::getline(in, line);) {
      size_t at = line.find("0x");
      if (at != std::string::npos && line.find_first_not_of(' ') == at) ids.push_back(std::stol(line.substr(at), nullptr, 16));
    }
    return ids;
  }
  static int Rank(const std::vector<long>& order, long id) {
    return static_cast<int>(std::find(order.begin(), order.end(), id) - order.begin());
  }
  // The window's place on the screen.
  void Geometry(long id, int& x, int& y, int& w, int& h) {
    std::string geo = OnDisplay("xdotool getwindowgeometry --shell " + std::to_string(id));
    x = y = w = h = -1;
    std::sscanf(geo.c_str(), "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &x, &y, &w, &h);
  }
  ruvel::TPixelImage ScreenPicture() {
    fs::path png = dir / "screen.png";
    EXPECT_EQ(std::system(("DISPLAY=" + display + " xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >" +
                           png.string() + " 2>/dev/null").c_str()), 0);
    return Screenshot(png);
  }
  // Waits until the focused window is a message box: titled "Ruvel System"
  // and not mainWindow, or (mainWindow unknown) the second window of that
  // title; 0 when none comes.
  long WaitForBox() {
    for (int i = 0; i < 300; ++i) {
      Sleep(100);
      std::vector<long> named = WindowsNamed("Ruvel System");
      long focused = FocusedId();
      if (!named.empty() && focused == named.back() && (mainWindow ? focused != mainWindow : named.size() >= 2)) {
        return focused;
      }
    }
    return 0;
  }
  void WritePage(const std::string& source) {
    Write(dir / "page.cmml",
          "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n  <class name=\"Gen\" src=\"Gen.ruvel\">\n"
          " </resourcelist>\n <resourcelist name=\"gen\">\n  <generator className=\"Gen\" name=\"$it\" inst_x=\"10\" "
          "inst_y=\"10\">\n </resourcelist>\n</resourcelist>\n");
    Write(dir / "Gen.ruvel", source);
  }

  std::string display;
  long mainWindow = 0;
};

TEST_F(MessageBoxWindowTest, ACompileErrorIsAModalBoxInTheProgramsFont) {
  WritePage("extends classes.game.Char;\nfunction onGenerate() {\n  x = x + ;\n}\n");
  Start((dir / "page.cmml").string() + " --frames 180");
  // The box: the second window of that title, in front with the keyboard.
  long box = WaitForBox();
  long main = WindowsNamed("Ruvel System").front();
  ASSERT_NE(box, 0) << "no message box took the keyboard\n" << ReadFile(dir / "log");
  std::vector<long> order = Stacking();
  EXPECT_LT(Rank(order, box), Rank(order, main)) << "the box is behind the game window";

  // Modal: 180 frames take three seconds, but the game waits for the answer.
  Sleep(3500);
  EXPECT_FALSE(fs::exists(dir / "done")) << "the game went on behind the box\n" << ReadFile(dir / "log");

  // stderr holds the message as one line.
  std::string log = ReadFile(dir / "log");
  size_t at = log.find("文法エラー:");
  ASSERT_NE(at, std::string::npos) << log;
  std::string line = log.substr(at, log.find('\n', at) - at);
  EXPECT_NE(line.find("Gen.ruvel (61) 3行目 9桁"), std::string::npos) << log;
  EXPECT_EQ(log.find("文法エラー", at + 1), std::string::npos) << "shown twice\n" << log;

  // Its first line on the screen is what the program's text renderer draws
  // in the box's font, pixel for pixel, at the box's margin.
  ruvel::TPixelImage screen = ScreenPicture();
  int bx = -1, by = -1, bw = 0, bh = 0;
  Geometry(box, bx, by, bw, bh);
  ruvel::TPixelImage expected = RenderLikeABox(ruvel::Utf8ToCp932(line.substr(0, line.find(" ", line.find("Gen.ruvel")))));
  ASSERT_GT(expected.width, 100);
  int ink = 0;
  int differing = 0;
  int ox = bx + ruvel::TMessageBoxModel::kMargin;
  int oy = by + ruvel::TMessageBoxModel::kMargin;
  ASSERT_TRUE(ox >= 0 && oy >= 0 && ox + expected.width <= screen.width && oy + expected.height <= screen.height);
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      uint32_t want = expected.At(x, y);
      ink += (want & 0xFF) < 0x80;
      differing += screen.At(ox + x, oy + y) != want;
    }
  }
  EXPECT_GT(ink, 150) << "the expected line has hardly any text";
  EXPECT_EQ(differing, 0) << "of " << expected.width * expected.height << " pixels";

  // Enter answers; the keyboard goes back to the game, which runs its frames.
  OnDisplay("xdotool key Return");
  bool back = false;
  for (int i = 0; i < 30 && !back; ++i) {
    Sleep(50);
    back = FocusedId() == main;
  }
  EXPECT_TRUE(back) << "the game window did not get the keyboard back";
  for (int i = 0; i < 200 && !fs::exists(dir / "done"); ++i) Sleep(100);
  EXPECT_EQ(ReadFile(dir / "done"), "0\n") << ReadFile(dir / "log");
}

TEST_F(MessageBoxWindowTest, BreakExecBringsTheDebuggerToTheFrontWithTheKeyboard) {
  // Stops, runs a second after "実行", and stops again.
  WritePage("extends classes.game.Char;\nfunction main() {\n  breakExec();\n  while (x < 70) { x = x + 1; suspend(); }\n"
            "  breakExec();\n  while (1) { suspend(); }\n}\n");
  Start((dir / "page.cmml").string());
  auto debuggerFocused = [this] {
    std::string focused;
    for (int i = 0; i < 300 && focused != "停止中\n"; ++i) {
      Sleep(100);
      focused = Focused();
    }
    return focused == "停止中\n";
  };
  ASSERT_TRUE(debuggerFocused()) << ReadFile(dir / "log");
  long debugger = FocusedId();
  std::vector<long> main = WindowsNamed("Ruvel System");
  ASSERT_FALSE(main.empty());
  std::vector<long> order = Stacking();
  EXPECT_LT(Rank(order, debugger), Rank(order, main.front())) << "the debugger is behind the game window";

  // "実行" lets the game go on; the player then clicks into the game, which
  // takes the keyboard and comes to the front of the debugger, still open.
  OnDisplay("xdotool mousemove --window " + std::to_string(debugger) + " 125 18 click 1 mousemove 0 0");
  OnDisplay("xdotool windowraise " + std::to_string(main.front()) + " windowfocus " + std::to_string(main.front()));
  // The second stop brings the debugger back to the front with the keyboard.
  ASSERT_TRUE(debuggerFocused()) << "the second stop left the keyboard with the game\n" << ReadFile(dir / "log");
  order = Stacking();
  EXPECT_LT(Rank(order, debugger), Rank(order, main.front())) << "the debugger is behind the game window";
}

// Closing design mode with a moved object asks in a box with three buttons:
// Escape keeps the program open, Enter saves and ends it.
TEST_F(MessageBoxWindowTest, TheCloseQuestionOfDesignModeIsABoxWithThreeButtons) {
  fs::copy(fs::path(ruvel_test::TestSourceDir()) / "Usr", dir / "game", fs::copy_options::recursive);
  fs::path page = dir / "game" / "play.cmml";
  std::string shipped = ReadFile(page);
  Write(dir / "drag.txt", "30 press left 281 331\n31 move 300 310\n32 move 322 286\n33 move 323 283\n34 release left 323 283\n");
  Start(page.string() + " --design --input " + (dir / "drag.txt").string());
  std::vector<long> moved;
  for (int i = 0; i < 300 && moved.empty(); ++i) {
    Sleep(100);
    moved = WindowsNamed("\\*play.cmml.*");
  }
  ASSERT_FALSE(moved.empty()) << "the object was not moved\n" << ReadFile(dir / "log");
  mainWindow = moved.front();
  if (!Have("python3")) GTEST_SKIP() << "python3 is not installed";
  Write(dir / "close.py", kCloseWindow);
  std::string quit = "DISPLAY=" + display + " python3 " + (dir / "close.py").string() + " " + std::to_string(mainWindow);

  ASSERT_EQ(std::system(quit.c_str()), 0);
  long box = WaitForBox();
  ASSERT_NE(box, 0) << ReadFile(dir / "log");
  // Drawn: the box's face covers most of it (a box drawn before its window
  // had its size stayed black).
  int x, y, w, h;
  Geometry(box, x, y, w, h);
  ruvel::TPixelImage screen = ScreenPicture();
  ASSERT_TRUE(x >= 0 && y >= 0 && x + w <= screen.width && y + h <= screen.height && w > 300);
  int face = 0;
  for (int j = y; j < y + h; ++j) {
    for (int i = x; i < x + w; ++i) face += screen.At(i, j) == 0xF0F0F0;
  }
  EXPECT_GT(face, w * h / 2);
  EXPECT_NE(ReadFile(dir / "log").find("play.cmml に保存されていない変更があります。 保存してから終了しますか?\n"),
            std::string::npos)
      << ReadFile(dir / "log");

  OnDisplay("xdotool key Escape");
  Sleep(1000);
  EXPECT_FALSE(fs::exists(dir / "done")) << "キャンセル ended the program";
  EXPECT_EQ(ReadFile(page), shipped);

  ASSERT_EQ(std::system(quit.c_str()), 0);
  ASSERT_NE(WaitForBox(), 0) << ReadFile(dir / "log");
  OnDisplay("xdotool key Return");
  for (int i = 0; i < 100 && !fs::exists(dir / "done"); ++i) Sleep(100);
  EXPECT_EQ(ReadFile(dir / "done"), "0\n") << ReadFile(dir / "log");
  EXPECT_NE(ReadFile(page).find("name=\"$player\" inst_x=\"320\" inst_y=\"280\""), std::string::npos) << ReadFile(page);
}

}  // namespace
