// The program in a real window on a virtual X display without a window
// manager: a person's keys (sent by xdotool) reach the game, the run keeps
// its frame pace, the keys are recorded, and the recording replays.
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

}  // namespace
