// Plays pages and the bundled game through --input replays, as a player
// would with the keyboard, and checks what the screenshots show; records
// input and replays it; checks the command line's paths and messages.
#include <sstream>
#include <vector>

#include "integration/integration_fixture.h"

namespace {

using namespace it;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The lines of the output that start with tag, without the tag.
std::vector<std::string> Tagged(const std::string& output, const std::string& tag) {
  std::vector<std::string> lines;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(tag, 0) == 0) lines.push_back(line.substr(tag.size()));
  }
  return lines;
}

// Pixels of one colour inside a rectangle: their count and mean x.
struct ColourSpot {
  int count = 0;
  double meanX = 0;
};

ColourSpot FindColour(const ruvel::TPixelImage& img, uint32_t rgb, int x0, int y0, int x1, int y1) {
  ColourSpot s;
  long sumX = 0;
  for (int y = std::max(0, y0); y < std::min(img.height, y1); ++y) {
    for (int x = std::max(0, x0); x < std::min(img.width, x1); ++x) {
      if ((img.At(x, y) & 0xffffff) == rgb) {
        ++s.count;
        sumX += x;
      }
    }
  }
  if (s.count) s.meanX = double(sumX) / s.count;
  return s;
}

constexpr uint32_t kShipBlue = 0x285adc;  // the fighter's cockpit
constexpr uint32_t kShotYellow = 0xffd121;
constexpr uint32_t kTitleYellow = 0xffff00;

int TitleLetters(const ruvel::TPixelImage& img) { return FindColour(img, kTitleYellow, 140, 60, 520, 130).count; }

class InputTest : public IntegrationTest {
 protected:
  // Runs the bundled game for frames with the input script text; returns
  // the screenshot.
  ruvel::TPixelImage Play(const std::string& script, int frames, const std::string& name = "shot") {
    fs::path input = dir / (name + ".txt");
    Write(input, script);
    fs::path png = dir / (name + ".png");
    RunResult r = RunRuvel("--headless --fixed-clock --frames " + std::to_string(frames) + " --input " +
                           input.string() + " --screenshot " + png.string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return Screenshot(png);
  }
};

// getkey(k) read twice per update step while the key is held for three
// frames: each step advances the counter once, release resets it.
TEST_F(InputTest, AHeldKeyCountsOncePerFrameThroughTheKernel) {
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <class name=\"Probe\" src=\"Probe.ruvel\">\n"
        " </resourcelist>\n"
        " <resourcelist name=\"gen\">\n"
        "  <generator className=\"Probe\" name=\"$probe\" inst_x=\"0\" inst_y=\"0\">\n"
        " </resourcelist>\n"
        "</resourcelist>\n");
  Write(dir / "Probe.ruvel",
        "extends classes.game.Char;\n"
        "function main() {\n"
        "  var a;\n"
        "  var b;\n"
        "  while (1) {\n"
        "    a = getkey(65);\n"
        "    b = getkey(65);\n"
        "    print(\"K:\" + a + \",\" + b);\n"
        "    suspend();\n"
        "  }\n"
        "}\n");
  Write(dir / "keys.txt", "# A is held while frames 4, 5 and 6 are made\n3 down A\n6 up 65\n");
  RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --log --frames 9 --input " +
                         (dir / "keys.txt").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::vector<std::string> got = Tagged(r.output, "K:");
  // One line per update step, one step per frame.
  EXPECT_EQ(got, (std::vector<std::string>{"0,0", "0,0", "0,0", "1,1", "2,2", "3,3", "0,0", "0,0", "0,0"}))
      << r.output;
}

// Z on the title opens the play page; the right arrow held for 30 frames
// moves the fighter 4 pixels a frame; Z makes a shot above it.
TEST_F(InputTest, TheBundledGameAnswersTheKeyboard) {
  ruvel::TPixelImage title = Play("", 40, "idle");
  EXPECT_GT(TitleLetters(title), 200) << "no key: the title stays";

  ruvel::TPixelImage started = Play("10 down Z\n14 up Z\n", 40, "start");
  EXPECT_LT(TitleLetters(started), 10) << "Z starts the game";
  ColourSpot still = FindColour(started, kShipBlue, 0, 170, 560, 380);
  ASSERT_GT(still.count, 5) << "the fighter is on the play page";

  ruvel::TPixelImage moved = Play("10 down Z\n14 up Z\n20 down RIGHT\n50 up RIGHT\n", 60, "right");
  ColourSpot after = FindColour(moved, kShipBlue, 0, 170, 560, 380);
  ASSERT_GT(after.count, 5);
  EXPECT_NEAR(after.meanX - still.meanX, 120.0, 1.0) << "30 frames at 4 pixels";

  // Shots fired while Z still started the game are far up by now.
  EXPECT_EQ(FindColour(started, kShotYellow, int(still.meanX) - 8, 150, int(still.meanX) + 8, 320).count, 0);
  ruvel::TPixelImage shooting = Play("10 down Z\n14 up Z\n30 down Z\n33 up Z\n", 40, "shoot");
  EXPECT_GT(FindColour(shooting, kShotYellow, int(still.meanX) - 8, 150, int(still.meanX) + 8, 320).count, 10)
      << "a shot flies above the fighter";
}

// Holding Z and staying put the fighter is hit until no life is left; the
// game goes back to the title, which shows a high score that is not 0.
TEST_F(InputTest, LosingAllLivesReturnsToTheTitleWithTheHighScore) {
  ruvel::TPixelImage fresh = Play("", 40, "fresh");
  ruvel::TPixelImage after = Play("10 down Z\n", 1800, "over");
  EXPECT_GT(TitleLetters(after), 200) << "back on the title";
  // "ハイスコア N" at (20, 355): the digits differ from those of a score of 0.
  int differ = 0;
  for (int y = 355; y < 375; ++y) {
    for (int x = 100; x < 200; ++x) differ += (fresh.At(x, y) & 0xffffff) != (after.At(x, y) & 0xffffff);
  }
  EXPECT_GT(differ, 5) << "the high score is shown";
}

// A run recorded while replaying records what was replayed; replaying the
// recording twice gives the same picture, byte for byte.
TEST_F(InputTest, ARecordedRunReplaysToTheSameScreenshot) {
  Write(dir / "play.txt", "10 down Z\n14 up Z\n20 down LEFT\n35 down SPACE\n40 up LEFT\n41 down UP\n70 up SPACE\n80 up UP\n");
  fs::path rec = dir / "rec.txt";
  RunResult r = RunRuvel("--headless --fixed-clock --frames 120 --input " + (dir / "play.txt").string() +
                         " --record-input " + rec.string() + " --screenshot " + (dir / "a.png").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::string recorded = ReadFile(rec);
  EXPECT_NE(recorded.find("10 down Z\n"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("80 up UP\n"), std::string::npos) << recorded;
  for (const char* name : {"b.png", "c.png"}) {
    r = RunRuvel("--headless --fixed-clock --frames 120 --input " + rec.string() + " --screenshot " +
                 (dir / name).string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }
  std::string a = ReadFile(dir / "a.png");
  EXPECT_FALSE(a.empty());
  EXPECT_EQ(ReadFile(dir / "b.png"), a);
  EXPECT_EQ(ReadFile(dir / "c.png"), a);
}

// A page that paints, for each watched key, a bar as long as the frames the
// key was held, and a mark where the mouse was last dragged to. A
// recording that pressed letters, digits, function keys and the mouse
// replays to the same picture; digits are the digit keys, not codes 0..9.
TEST_F(InputTest, DigitsFunctionKeysAndTheMouseReplayFromARecording) {
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <class name=\"Bars\" src=\"Bars.ruvel\">\n"
        " </resourcelist>\n"
        " <resourcelist name=\"gen\">\n"
        "  <generator className=\"Bars\" name=\"$bars\" inst_x=\"0\" inst_y=\"0\">\n"
        " </resourcelist>\n"
        "</resourcelist>\n");
  // Codes: A, Q, the digits 0, 5, 9, F1, F4, F12 and the digit-less codes 5 and 9.
  Write(dir / "Bars.ruvel",
        "extends classes.game.Char;\n"
        "function main() {\n"
        "  keys = new Array();\n"
        "  keys.add(65).add(81).add(48).add(53).add(57).add(112).add(115).add(123).add(5).add(9);\n"
        "  held = new Array();\n"
        "  for (k in keys) held.add(0);\n"
        "  mx = 0;\n"
        "  my = 0;\n"
        "  while (1) {\n"
        "    i = 0;\n"
        "    while (i < keys.size()) {\n"
        "      if (getkey(keys.get(i)) > 0) held.set(i, held.get(i) + 1);\n"
        "      i = i + 1;\n"
        "    }\n"
        "    mx = $mouseX;\n"
        "    my = $mouseY;\n"
        "    suspend();\n"
        "  }\n"
        "}\n"
        "function draw() {\n"
        "  if (held == null) return;\n"
        "  i = 0;\n"
        "  while (i < held.size()) {\n"
        "    fillRect(10, 10 + i * 20, 10 + held.get(i) * 4, 24 + i * 20, 16777215, 0);\n"
        "    i = i + 1;\n"
        "  }\n"
        "  fillRect(mx - 5, my - 5, mx + 5, my + 5, 255, 0);\n"
        "}\n");
  Write(dir / "play.txt",
        "2 down A\n5 up A\n6 down 0\n10 up 0\n11 down 5\n13 down #57\n20 up 5\n22 up 9\n"
        "23 down F1\n25 up F1\n26 down #115\n30 up #115\n31 down F12\n40 up F12\n"
        "41 move 300 200\n42 press left 300 200\n43 move 320 210\n44 release left 320 210\n45 down q\n47 up Q\n");
  fs::path rec = dir / "rec.txt";
  std::string common = (dir / "page.cmml").string() + " --headless --fixed-clock --frames 60";
  RunResult r = RunRuvel(common + " --input " + (dir / "play.txt").string() + " --record-input " + rec.string() +
                         " --screenshot " + (dir / "a.png").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::string recorded = ReadFile(rec);
  EXPECT_NE(recorded.find("13 down 9\n"), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("26 down F4\n"), std::string::npos) << recorded;
  r = RunRuvel(common + " --input " + rec.string() + " --screenshot " + (dir / "b.png").string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  ruvel::TPixelImage a = Screenshot(dir / "a.png");
  ruvel::TPixelImage b = Screenshot(dir / "b.png");
  // Bar lengths in frames: A 3, Q 2, 0 4, 5 9, 9 9, F1 2, F4 4, F12 9, codes 5 and 9 none.
  const int frames[] = {3, 2, 4, 9, 9, 2, 4, 9, 0, 0};
  for (int i = 0; i < 10; ++i) {
    int y = 15 + i * 20;
    int end = 10 + frames[i] * 4;
    EXPECT_EQ(a.At(end - 1, y) & 0xffffff, frames[i] ? 0xffffffu : 0u) << "bar " << i;
    EXPECT_EQ(a.At(end + 1, y) & 0xffffff, 0u) << "bar " << i;
  }
  EXPECT_EQ(a.At(320, 210) & 0xffffff, 0xff0000u) << "the drag left its mark";
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  int differ = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) differ += (a.At(x, y) & 0xffffff) != (b.At(x, y) & 0xffffff);
  }
  EXPECT_EQ(differ, 0) << recorded;
}

// A malformed line stops the program before it runs, naming the file, the
// line and what was expected.
TEST_F(InputTest, AMalformedInputFileIsRefusedBeforeTheRun) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"# fine\n\n5 down Z\nfive up Z\n", ":4: expected a frame number"},
      {"5 down\n", ":1: expected a key"},
      {"5 down WINDOWS\n", ":1: expected a key"},
      {"5 press middle 1 2\n", ":1: expected left or right after press"},
      {"5 move 10\n", ":1: expected two whole numbers"},
      {"5 jump 1 2\n", ":1: expected down, up, move"},
      {"9 down Z\n5 up Z\n", ":2: frame numbers must not go back"},
      {"5 up Z extra\n", ":1: unexpected text after the event: extra"},
  };
  for (const Case& c : cases) {
    fs::path input = dir / "bad.txt";
    Write(input, c.text);
    fs::path png = dir / "never.png";
    RunResult r = RunRuvel("--headless --fixed-clock --frames 5 --screenshot " + png.string() + " --input " +
                           input.string(), "LANG=C LC_ALL= LC_MESSAGES=");
    EXPECT_EQ(r.exitCode, 2) << c.text;
    EXPECT_NE(r.output.find(input.string() + c.expected), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(png)) << "nothing ran";
  }
  RunResult r = RunRuvel("--headless --input " + (dir / "missing.txt").string(), "LANG=C LC_ALL= LC_MESSAGES=");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_NE(r.output.find("cannot read the input file"), std::string::npos) << r.output;
}

// Files named on the command line are found and written relative to the
// folder the command runs in, whatever folder the program works in.
TEST_F(InputTest, CommandLinePathsAreRelativeToTheCurrentFolder) {
  fs::create_directories(dir / "work");
  Write(dir / "work" / "keys.txt", "10 down Z\n14 up Z\n");
  RunResult r = RunRuvel("--headless --fixed-clock --frames 40 --input keys.txt --screenshot out.png "
                         "--record-audio out.wav --record-input again.txt",
                         "cd " + (dir / "work").string() + " &&");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_TRUE(fs::exists(dir / "work" / "out.png"));
  EXPECT_TRUE(fs::exists(dir / "work" / "out.wav"));
  EXPECT_NE(ReadFile(dir / "work" / "again.txt").find("10 down Z"), std::string::npos);
  EXPECT_LT(TitleLetters(Screenshot(dir / "work" / "out.png")), 10) << "the replay was read";

  Write(dir / "work" / "hello.ruvel", "extends classes.lang.Object;\nprint(\"hello \" + (6 * 7));\n");
  r = RunRuvel("--script hello.ruvel", "cd " + (dir / "work").string() + " &&");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "hello 42\n");
}

// The command line speaks English unless the locale is Japanese; a file
// named on the command line that is not there is an error.
TEST_F(InputTest, CommandLineMessagesFollowTheLocale) {
  RunResult en = RunRuvel("--bogus", "LANG=en_GB.UTF-8 LC_ALL= LC_MESSAGES=");
  EXPECT_EQ(en.exitCode, 64);
  EXPECT_NE(en.output.find("unknown option: --bogus"), std::string::npos) << en.output;
  EXPECT_NE(en.output.find("Run 'ruvel --help' for usage."), std::string::npos);
  RunResult ja = RunRuvel("--bogus", "LANG=C LC_ALL=ja_JP.UTF-8");
  EXPECT_NE(ja.output.find("不明なオプションです: --bogus"), std::string::npos) << ja.output;
  // LC_ALL wins over LANG, and LC_MESSAGES over LANG.
  RunResult messages = RunRuvel("--help", "LANG=ja_JP.UTF-8 LC_ALL= LC_MESSAGES=C");
  EXPECT_NE(messages.output.find("Usage: ruvel"), std::string::npos);
  EXPECT_NE(messages.output.find("--record-input"), std::string::npos);
  RunResult help = RunRuvel("--help", "LANG=ja_JP.UTF-8 LC_ALL= LC_MESSAGES=");
  EXPECT_NE(help.output.find("使い方: ruvel"), std::string::npos);

  RunResult missing = RunRuvel("--headless " + (dir / "nothere.cmml").string(), "LANG=C LC_ALL= LC_MESSAGES=");
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.output.find("no such file:"), std::string::npos) << missing.output;

  RunResult noDisplay = RunRuvel("--frames 1", "DISPLAY= WAYLAND_DISPLAY= SDL_VIDEODRIVER= LANG=C LC_ALL=");
  EXPECT_EQ(noDisplay.exitCode, 1);
  EXPECT_NE(noDisplay.output.find("DISPLAY is not set"), std::string::npos) << noDisplay.output;
  EXPECT_NE(noDisplay.output.find("--headless"), std::string::npos);
}

}  // namespace

namespace {

using namespace it;

// The seconds of sound in a WAV file, from its format and data chunks.
double WavSeconds(const std::string& b) {
  auto u32 = [&](size_t at) {
    return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 |
           uint32_t(uint8_t(b[at + 3])) << 24;
  };
  auto u16 = [&](size_t at) { return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8; };
  uint32_t rate = 0, bytesPerFrame = 0, data = 0;
  for (size_t at = 12; at + 8 <= b.size();) {
    std::string id = b.substr(at, 4);
    uint32_t size = u32(at + 4);
    if (id == "fmt ") {
      rate = u32(at + 12);
      bytesPerFrame = u16(at + 22) * u16(at + 10) / 8;
    } else if (id == "data") {
      data = size;
    }
    at += 8 + size + (size & 1);
  }
  return rate && bytesPerFrame ? double(data) / bytesPerFrame / rate : -1;
}

// With the fixed clock a recording of N frames holds N x 17 ms of sound,
// silent or not, so sound and pictures line up.
TEST_F(IntegrationTest, AnAudioRecordingKeepsTimeWithTheFrames) {
  Write(dir / "shoot.txt", "10 down Z\n14 up Z\n40 down Z\n");
  for (int frames : {60, 240}) {
    for (const char* input : {"", " --input shoot.txt"}) {
      RunResult r = RunRuvel("--headless --fixed-clock --frames " + std::to_string(frames) + input +
                                 " --record-audio rec.wav",
                             "cd " + dir.string() + " &&");
      ASSERT_EQ(r.exitCode, 0) << r.output;
      std::ifstream in(dir / "rec.wav", std::ios::binary);
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_NEAR(WavSeconds(bytes), frames * 0.017, 0.001) << frames << input;
    }
  }
}

}  // namespace

namespace {

using namespace it;

// Design mode takes replayed mouse and keys as a person's: a drag moves the
// object on the 8-pixel grid and Ctrl+S saves it into the page file.
TEST_F(IntegrationTest, DesignModeTakesReplayedDragsAndKeys) {
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <class name=\"Box\" src=\"Box.ruvel\">\n"
        " </resourcelist>\n"
        " <resourcelist name=\"gen\">\n"
        "  <generator className=\"Box\" name=\"$red\" inst_x=\"100\" inst_y=\"100\">\n"
        " </resourcelist>\n"
        "</resourcelist>\n");
  Write(dir / "Box.ruvel",
        "extends classes.game.Char;\n"
        "function draw() {\n"
        "  fillRect(x - 10, y - 10, x + 10, y + 10, 255, 0);\n"
        "}\n");
  Write(dir / "drag.txt",
        "5 move 100 100\n5 press left 100 100\n6 move 130 120\n7 move 163 141\n8 release left 163 141\n"
        "10 down CONTROL\n10 down S\n11 up S\n11 up CONTROL\n");
  RunResult r = RunRuvel("--design page.cmml --headless --fixed-clock --frames 20 --input drag.txt",
                         "cd " + dir.string() + " &&");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::ifstream in(dir / "page.cmml");
  std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(page.find("inst_x=\"168\" inst_y=\"144\""), std::string::npos) << page;
}

}  // namespace
