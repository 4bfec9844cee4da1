// Runs the built program headless on small pages and on the bundled game,
// and checks its screenshots and messages.
#include "integration/integration_fixture.h"
#include "pages/page_hash.h"
#include "platform/cp932.h"

namespace {

using namespace it;

// Two boxes of known colours and a marker that moves one pixel per step.
void WriteTestPage(const fs::path& dir) {
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <class name=\"Box\" src=\"Box.ruvel\">\n"
        "  <class name=\"Mover\" src=\"Mover.ruvel\">\n"
        " </resourcelist>\n"
        " <resourcelist name=\"gen\">\n"
        "  <generator className=\"Box\" name=\"$red\" inst_x=\"100\" inst_y=\"100\" inst_colour=\"255\">\n"
        "  <generator className=\"Box\" name=\"$green\" inst_x=\"300\" inst_y=\"200\" inst_colour=\"65280\">\n"
        "  <generator className=\"Mover\" name=\"$mover\" inst_x=\"50\" inst_y=\"300\">\n"
        " </resourcelist>\n"
        "</resourcelist>\n");
  Write(dir / "Box.ruvel",
        "extends classes.game.Char;\n"
        "function draw() {\n"
        "  fillRect(x - 10, y - 10, x + 10, y + 10, colour, 0);\n"
        "}\n");
  Write(dir / "Mover.ruvel",
        "extends classes.game.Char;\n"
        "function main() {\n"
        "  while (1) {\n"
        "    x = x + 1;\n"
        "    suspend();\n"
        "  }\n"
        "}\n"
        "function draw() {\n"
        "  fillRect(x, y, x + 1, y + 20, 16777215, 0);\n"
        "}\n");
}

// The column of the first white pixel of a row, or -1.
int WhiteColumn(const ruvel::TPixelImage& img, int y) {
  for (int x = 0; x < img.width; ++x) {
    if ((img.At(x, y) & 0xffffff) == 0xffffff) return x;
  }
  return -1;
}

TEST_F(IntegrationTest, PlacedObjectsAppearWhereTheirGeneratorsPutThem) {
  WriteTestPage(dir);
  fs::path png = dir / "shot.png";
  RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames 30 --screenshot " +
                         png.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output, "");
  ruvel::TPixelImage img = Screenshot(png);
  ASSERT_EQ(img.width, 560);
  ASSERT_EQ(img.height, 400);
  EXPECT_EQ(img.At(100, 100) & 0xffffff, 0xff0000u);
  EXPECT_EQ(img.At(91, 91) & 0xffffff, 0xff0000u);
  EXPECT_EQ(img.At(300, 200) & 0xffffff, 0x00ff00u);
  EXPECT_EQ(img.At(300, 100) & 0xffffff, 0x000000u);  // the background
  EXPECT_EQ(img.At(111, 100) & 0xffffff, 0x000000u);  // right of the red box
}

TEST_F(IntegrationTest, AnObjectMovingOnePixelPerStepIsAtXPlusN) {
  WriteTestPage(dir);
  int columns[2];
  int frames[2] = {20, 50};
  for (int k = 0; k < 2; ++k) {
    fs::path png = dir / ("move" + std::to_string(k) + ".png");
    RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames " +
                           std::to_string(frames[k]) + " --screenshot " + png.string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    columns[k] = WhiteColumn(Screenshot(png), 310);
    ASSERT_GE(columns[k], 0);
  }
  // One update step per drawn frame: after N frames it stands at x + N.
  EXPECT_EQ(columns[0], 50 + frames[0]);
  EXPECT_EQ(columns[1], 50 + frames[1]);
}

TEST_F(IntegrationTest, TheBundledGamePlaysWithoutErrors) {
  fs::path png = dir / "play.png";
  std::string play = BuildDir() + "/Usr/play.cmml";
  RunResult r = RunRuvel(play + " --headless --fixed-clock --frames 600 --screenshot " + png.string());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "") << "the game reported something";
  ruvel::TPixelImage img = Screenshot(png);
  EXPECT_EQ(img.width, 560);
  // Without an argument the program opens the project's main page.
  fs::path title = dir / "title.png";
  r = RunRuvel("--headless --fixed-clock --frames 60 --screenshot " + title.string());
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "");
  ruvel::TPixelImage t = Screenshot(title);
  ASSERT_EQ(t.height, 400);
  // The title's yellow letters are somewhere in the top half.
  int yellow = 0;
  for (int y = 60; y < 130; ++y) {
    for (int x = 140; x < 520; ++x) yellow += (t.At(x, y) & 0xffffff) == 0xffff00;
  }
  EXPECT_GT(yellow, 200);
}

TEST_F(IntegrationTest, CommandLineErrorsAndHelp) {
  RunResult r = RunRuvel("--frames");
  EXPECT_EQ(r.exitCode, 64);
  r = RunRuvel("--help");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.output.find("--headless"), std::string::npos);
  r = RunRuvel("--version");
  EXPECT_EQ(r.output, "Ruvel System Ver 1.16\n");
}

TEST_F(IntegrationTest, TheMidiLibraryIsLoadedOnlyForMidi) {
  // The dynamic linker names every library it maps; a game without MIDI
  // never maps FluidSynth (it is loaded with the first MIDI piece).
  RunResult r = RunRuvel("--headless --fixed-clock --frames 30", "LD_DEBUG=files");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.output.find("libSDL2"), std::string::npos) << "LD_DEBUG lists the libraries";
  EXPECT_EQ(r.output.find("libfluidsynth"), std::string::npos);
}

TEST_F(IntegrationTest, AScriptRunStartsWithoutTheWindowLibraries) {
  // SDL is loaded at its first call; a script that draws nothing never
  // maps it or the sound and display libraries it depends on.
  Write(dir / "sum.ruvel", "extends classes.lang.Object;\nprint(6 * 7);\n");
  RunResult r = RunRuvel("--script " + (dir / "sum.ruvel").string(), "LD_DEBUG=files");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_NE(r.output.find("\n42"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("libpcre2"), std::string::npos) << "LD_DEBUG lists the libraries";
  for (const char* lib : {"libSDL2", "libpulse", "libX11", "libwayland"}) {
    EXPECT_EQ(r.output.find(lib), std::string::npos) << lib;
  }
}

}  // namespace

namespace {

using namespace it;

// A game run without a window writes the ranking address it would open to
// stderr: https accepted, every name and value percent-encoded UTF-8, and
// an ID a server recomputes from the decoded text and the integrity values.
TEST_F(IntegrationTest, RankingWithoutAWindowWritesTheAddressAServerCanCheck) {
  Write(dir / "rank.ruvel", ruvel::Utf8ToCp932("extends classes.lang.Object;\n"
                                               "r = new Ranking();\n"
                                               "r.setParam(\"name\", \"あい う&x\");\n"
                                               "r.setParam(\"score\", 1200);\n"
                                               "r.openBrowser(\"https://rank.example/g/star/submit\");\n"
                                               "r.openBrowser(\"file:///etc/passwd\");\n"));
  RunResult r = RunRuvel("--script " + (dir / "rank.ruvel").string());
  EXPECT_EQ(r.exitCode, 0) << r.output;
  const std::string head = "https://rank.example/g/star/submit?name=%E3%81%82%E3%81%84%20%E3%81%86%26x&score=1200&ID=";
  const size_t at = r.output.find(head);
  ASSERT_NE(at, std::string::npos) << r.output;
  const std::string id = r.output.substr(at + head.size(), r.output.find('\n', at) - at - head.size());
  const int32_t kernel = ruvel::PageHashCode(BuildDir() + "/Kernel/resource.ruvelres");
  ASSERT_NE(kernel, 0);
  EXPECT_EQ(id, std::to_string(ruvel::HashBytes("name=あい う&x&score=1200&0:" + std::to_string(kernel))));
  // The second address is refused with the message, and nothing else is written for it.
  EXPECT_EQ(r.output.find("file:///"), std::string::npos) << r.output;
}

}  // namespace

namespace {

using namespace it;

// A page of 3,000 objects, each drawing a 4 x 4 square on a 6-pixel grid:
// far more work in one step than its instruction budget. Every frame shown
// holds every square (before, every other frame came out blank), and the
// slow step is named once.
TEST_F(IntegrationTest, EveryFrameShowsEveryObjectHoweverManyThereAre) {
  constexpr int kObjects = 3000;
  constexpr int kColumns = 90;
  std::string page = "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n"
                     "  <class name=\"Dot\" src=\"Dot.ruvel\">\n </resourcelist>\n <resourcelist name=\"gen\">\n";
  for (int i = 0; i < kObjects; ++i) {
    page += "  <generator className=\"Dot\" name=\"$d" + std::to_string(i) + "\" inst_x=\"" +
            std::to_string(i % kColumns * 6) + "\" inst_y=\"" + std::to_string(i / kColumns * 6) + "\">\n";
  }
  Write(dir / "page.cmml", page + " </resourcelist>\n</resourcelist>\n");
  Write(dir / "Dot.ruvel",
        "extends classes.game.Char;\n"
        "function main() { while (1) suspend(); }\n"
        "function draw() { fillRect(x, y, x + 4, y + 4, 16777215, 0); }\n");
  for (int frames : {10, 11, 12}) {
    fs::path png = dir / ("f" + std::to_string(frames) + ".png");
    RunResult r = RunRuvel((dir / "page.cmml").string() + " --headless --fixed-clock --frames " + std::to_string(frames) +
                           " --screenshot " + png.string());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    size_t told = r.output.find("1ステップの処理が命令数の上限を超えました (プロセス 3001 個");
    EXPECT_NE(told, std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("1ステップの処理", told + 1), std::string::npos) << "named once";
    ruvel::TPixelImage shot = Screenshot(png);
    int missing = 0;
    for (int i = 0; i < kObjects; ++i) {
      const int x = i % kColumns * 6;
      const int y = i / kColumns * 6;
      if (shot.At(x + 1, y + 1) != 0xffffff || shot.At(x + 3, y + 3) != 0xffffff) ++missing;
      if (shot.At(x + 5, y + 5) != 0) ++missing;  // the gap between squares stays empty
    }
    EXPECT_EQ(missing, 0) << "frame " << frames;
  }
}

}  // namespace
