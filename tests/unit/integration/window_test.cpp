// The program in a real window on a virtual X display without a window
// manager: a person's keys (sent by xdotool) reach the game, the run keeps
// its frame pace, the keys are recorded, and the recording replays; a
// window whose script never finishes a frame still closes.
#include <algorithm>
#include <chrono>
#include <sstream>
#include <thread>

#include "integration/integration_fixture.h"

namespace {

using namespace it;

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

class WindowTest : public IntegrationTest {
 protected:
  void SetUp() override {
    IntegrationTest::SetUp();
    if (!Have("Xvfb") || !Have("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
    // Xvfb picks a free display number and writes it to the file.
    std::string cmd = "Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>" + (dir / "display").string() +
                      " >/dev/null 2>&1 & echo $! >" + (dir / "xvfb.pid").string();
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    for (int i = 0; i < 100 && display.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::ifstream in(dir / "display");
      std::string n;
      if (in >> n) display = ":" + n;
    }
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";
  }
  void TearDown() override {
    std::string kill = "kill $(cat " + (dir / "xvfb.pid").string() + ") 2>/dev/null";
    if (fs::exists(dir / "xvfb.pid")) (void)std::system(kill.c_str());
    IntegrationTest::TearDown();
  }
  void Xdotool(const std::string& args) {
    std::string cmd = "DISPLAY=" + display + " xdotool " + args + " >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << args;
  }
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  std::string display;
};

TEST_F(WindowTest, APersonsKeysReachTheGameAndTheRecordingReplays) {
  fs::path rec = dir / "rec.txt";
  fs::path done = dir / "done";
  // 360 frames at the game's pace take about six seconds; a program that
  // believed itself in the background would need more than thirty.
  std::string run = "(DISPLAY=" + display + " timeout 30 " + BuildDir() +
                    "/ruvel --frames 360 --record-input " + rec.string() + " >" + (dir / "log").string() +
                    " 2>&1; echo $? >" + done.string() + ") &";
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(std::system(run.c_str()), 0);
  Sleep(3000);  // the loading picture stays for two seconds
  Xdotool("keydown z");
  Sleep(300);
  Xdotool("keyup z");
  Sleep(500);
  Xdotool("keydown Right");
  Sleep(600);
  Xdotool("keyup Right");
  while (!fs::exists(done) && std::chrono::steady_clock::now() - start < std::chrono::seconds(40)) Sleep(100);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::ifstream codeIn(done);
  int code = -1;
  codeIn >> code;
  std::ifstream logIn(dir / "log");
  std::stringstream log;
  log << logIn.rdbuf();
  ASSERT_EQ(code, 0) << log.str();
  // A machine without a sound card says so in one line, not in screens of
  // driver errors.
  std::string logText = log.str();
  EXPECT_LE(std::count(logText.begin(), logText.end(), '\n'), 1) << logText;
  EXPECT_LT(seconds, 15.0) << "the window ran at full pace";

  std::ifstream recIn(rec);
  std::stringstream recorded;
  recorded << recIn.rdbuf();
  EXPECT_NE(recorded.str().find(" down Z\n"), std::string::npos) << recorded.str();
  EXPECT_NE(recorded.str().find(" down RIGHT\n"), std::string::npos) << recorded.str();
  EXPECT_NE(recorded.str().find(" up RIGHT\n"), std::string::npos) << recorded.str();

  // Replayed headless twice: the game started (no title) and both runs
  // end on the same picture.
  for (const char* name : {"a.png", "b.png"}) {
    RunResult r = RunRuvel("--headless --fixed-clock --frames 360 --input " + rec.string() + " --screenshot " +
                           (dir / name).string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  ruvel::TPixelImage a = Screenshot(dir / "a.png");
  ruvel::TPixelImage b = Screenshot(dir / "b.png");
  EXPECT_EQ(a.pixels, b.pixels);
  int yellow = 0;
  for (int y = 60; y < 130; ++y) {
    for (int x = 140; x < 520; ++x) yellow += (a.At(x, y) & 0xffffff) == 0xffff00;
  }
  EXPECT_LT(yellow, 10) << "the replay left the title page";
}

// Sends WM_DELETE_WINDOW to a window, as a window manager's close button
// does (xdotool has no command for it; libX11 is there with SDL).
const char* const kCloseWindow = R"PY(# Sends WM_DELETE_WINDOW to a window, as a window manager's close button does.
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
d = x.XOpenDisplay(None)
win = int(sys.argv[1])
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]
class XEvent(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]
ev = XEvent()
ev.xclient.type = 33  # ClientMessage
ev.xclient.window = win
ev.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
ev.xclient.format = 32
ev.xclient.l[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XSendEvent(d, win, 0, 0, ctypes.byref(ev))
x.XFlush.argtypes = [ctypes.c_void_p]
x.XFlush(d)
)PY";

TEST_F(WindowTest, AWindowStuckInAScriptStillClosesAndSaysWhereItIsStuck) {
  if (!Have("python3")) GTEST_SKIP() << "python3 is not installed";
  Write(dir / "close.py", kCloseWindow);
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n  <class name=\"Gen\" src=\"Gen.ruvel\">\n"
        " </resourcelist>\n <resourcelist name=\"gen\">\n  <generator className=\"Gen\" name=\"$it\" inst_x=\"10\" inst_y=\"10\">\n"
        " </resourcelist>\n</resourcelist>\n");
  Write(dir / "Gen.ruvel", "extends classes.game.Char;\nfunction onGenerate() {\n  while (1) { x = x + 1; }\n}\n");
  fs::path log = dir / "log";
  fs::path done = dir / "done";
  std::string run = "(DISPLAY=" + display + " timeout 60 " + BuildDir() + "/ruvel " + (dir / "page.cmml").string() + " >" +
                    log.string() + " 2>&1; echo $? >" + done.string() + ") &";
  ASSERT_EQ(std::system(run.c_str()), 0);
  auto logText = [&log] {
    std::ifstream in(log);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  for (int i = 0; i < 200 && logText().find("秒以上") == std::string::npos; ++i) Sleep(100);
  ASSERT_NE(logText().find("スクリプトが3秒以上フレームを終えていません: Gen.onGenerate"), std::string::npos) << logText();
  std::string close = "DISPLAY=" + display + " python3 " + (dir / "close.py").string() +
                      " $(DISPLAY=" + display + " xdotool search --name '^Ruvel System' | head -1)";
  ASSERT_EQ(std::system(close.c_str()), 0);
  auto asked = std::chrono::steady_clock::now();
  for (int i = 0; i < 50 && !fs::exists(done); ++i) Sleep(100);
  ASSERT_TRUE(fs::exists(done)) << "the window did not close\n" << logText();
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - asked).count(), 2000);
  std::ifstream code(done);
  int exitCode = -1;
  code >> exitCode;
  EXPECT_EQ(exitCode, 0) << logText();
}

}  // namespace
