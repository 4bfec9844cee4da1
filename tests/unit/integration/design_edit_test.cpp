// Editing a page in design mode through the real program: a replay makes a
// new object, copies it, deletes another, undoes and redoes, and saves; the
// saved page holds exactly the objects the last picture shows.
#include <sstream>
#include <vector>

#include "integration/integration_fixture.h"

namespace {

using namespace it;

const char* const kBoxPage =
    "<resourcelist name=\"usr\">\n"
    " <resourcelist name=\"classes\">\n"
    "  <class name=\"Box\" src=\"Box.ruvel\">\n"
    " </resourcelist>\n"
    " <resourcelist name=\"gen\">\n"
    "  <generator className=\"Box\" name=\"$red\" inst_x=\"104\" inst_y=\"104\">\n"
    "  <generator className=\"Box\" name=\"$blue\" inst_x=\"400\" inst_y=\"104\" inst_c=\"16711680\">\n"
    " </resourcelist>\n"
    "</resourcelist>\n";

// A 20 x 20 square around x, y in colour c (red unless the page says).
const char* const kBox =
    "extends classes.game.Char;\n"
    "function onGenerate() { if (!c) c = 255; }\n"
    "function draw() {\n"
    "  fillRect(x - 10, y - 10, x + 10, y + 10, c, 0);\n"
    "}\n";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The generator lines of a page, in order.
std::vector<std::string> Generators(const std::string& page) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  for (std::string line; std::getline(in, line);) {
    if (line.find("<generator") != std::string::npos) lines.push_back(line);
  }
  return lines;
}

uint32_t Pixel(const ruvel::TPixelImage& img, int x, int y) { return img.At(x, y) & 0xffffff; }

// The drawing area's rows of a screenshot; the status bar lies below.
constexpr int kDrawingHeight = 381;

class DesignEditTest : public IntegrationTest {
 protected:
  void SetUp() override {
    IntegrationTest::SetUp();
    Write(dir / "page.cmml", kBoxPage);
    Write(dir / "Box.ruvel", kBox);
  }
  RunResult Replay(const std::string& events, const std::string& shot) {
    Write(dir / "edit.txt", events);
    return RunRuvel("--design page.cmml --headless --fixed-clock --frames 60 --input edit.txt --screenshot " + shot,
                    "cd " + dir.string() + " &&");
  }
};

TEST_F(DesignEditTest, NewCopyDeleteUndoRedoAndSaveKeepWhatTheScreenShows) {
  RunResult r = Replay(
      // Ctrl+N at (200, 240): a new Box there; Ctrl+D copies it 16 pixels
      // right of and below it.
      "5 move 200 240\n6 down CONTROL\n6 down N\n7 up N\n7 up CONTROL\n"
      "9 down CONTROL\n9 down D\n10 up D\n10 up CONTROL\n"
      // Select $red and delete it; drag $blue 40 pixels right and delete
      // it too.
      "12 move 104 104\n12 press left 104 104\n13 release left 104 104\n14 down 46\n15 up 46\n"
      "16 move 400 104\n16 press left 400 104\n17 move 440 104\n18 release left 440 104\n19 down 46\n20 up 46\n"
      // Three undos bring $blue back (moved), take the drag back and bring
      // $red back; two redos delete $red again and drag $blue again.
      "22 down CONTROL\n22 down Z\n23 up Z\n24 down Z\n25 up Z\n26 down Z\n27 up Z\n"
      "28 down Y\n29 up Y\n30 down Y\n31 up Y\n31 up CONTROL\n"
      "35 down CONTROL\n35 down S\n36 up S\n36 up CONTROL\n",
      "after.png");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output.find("エラー"), std::string::npos) << r.output;

  std::vector<std::string> gens = Generators(Read(dir / "page.cmml"));
  ASSERT_EQ(gens.size(), 3u) << Read(dir / "page.cmml");
  // A restored object keeps its place in the page; new ones follow.
  EXPECT_NE(gens[0].find("name=\"$blue\""), std::string::npos) << gens[0];
  EXPECT_NE(gens[0].find("inst_x=\"440\" inst_y=\"104\""), std::string::npos) << gens[0];
  EXPECT_NE(gens[0].find("inst_c=\"16711680\""), std::string::npos) << "its other members stay: " << gens[0];
  EXPECT_NE(gens[1].find("className=\"Box\" name=\"$box1\""), std::string::npos) << gens[1];
  EXPECT_NE(gens[1].find("inst_x=\"200\" inst_y=\"240\""), std::string::npos) << gens[1];
  EXPECT_NE(gens[2].find("name=\"$box2\""), std::string::npos) << gens[2];
  EXPECT_NE(gens[2].find("inst_x=\"216\" inst_y=\"256\""), std::string::npos) << gens[2];

  // The last picture shows the same objects.
  ruvel::TPixelImage after = Screenshot(dir / "after.png");
  EXPECT_NE(Pixel(after, 104, 104), 0xff0000u) << "$red is deleted";
  EXPECT_EQ(Pixel(after, 440, 104), 0x0000ffu);
  EXPECT_NE(Pixel(after, 400 - 9, 104), 0x0000ffu);
  EXPECT_EQ(Pixel(after, 200, 240), 0xff0000u);
  EXPECT_EQ(Pixel(after, 224, 264), 0xff0000u);

  // Opened again, the saved page places the same picture; only the status
  // bar below it differs, where the save was announced.
  RunResult again = RunRuvel("--design page.cmml --headless --fixed-clock --frames 5 --screenshot reopened.png",
                             "cd " + dir.string() + " &&");
  ASSERT_EQ(again.exitCode, 0) << again.output;
  ruvel::TPixelImage reopened = Screenshot(dir / "reopened.png");
  ASSERT_EQ(reopened.height, after.height);
  ASSERT_GT(after.height, kDrawingHeight);
  int differ = 0;
  int status = 0;
  for (int y = 0; y < after.height; ++y) {
    for (int x = 0; x < after.width; ++x) {
      bool d = Pixel(after, x, y) != Pixel(reopened, x, y);
      (y < kDrawingHeight ? differ : status) += d;
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(status, 50) << "the status bar names the saved file";
}

TEST_F(DesignEditTest, UndoingACopyAndANewObjectAndRedoingTheNewOne) {
  RunResult r = Replay(
      "5 move 304 304\n6 down CONTROL\n6 down N\n7 up N\n8 down D\n9 up D\n"
      "10 down Z\n11 up Z\n12 down Z\n13 up Z\n14 down Y\n15 up Y\n15 up CONTROL\n"
      "17 down CONTROL\n17 down S\n18 up S\n18 up CONTROL\n",
      "redone.png");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::vector<std::string> gens = Generators(Read(dir / "page.cmml"));
  ASSERT_EQ(gens.size(), 3u) << Read(dir / "page.cmml");
  EXPECT_NE(gens[0].find("name=\"$red\""), std::string::npos) << gens[0];
  EXPECT_NE(gens[1].find("name=\"$blue\""), std::string::npos) << gens[1];
  EXPECT_NE(gens[2].find("name=\"$box1\" inst_x=\"304\" inst_y=\"304\""), std::string::npos) << gens[2];
  ruvel::TPixelImage shot = Screenshot(dir / "redone.png");
  EXPECT_EQ(Pixel(shot, 304, 304), 0xff0000u) << "the new object is back";
  EXPECT_NE(Pixel(shot, 304 + 18, 304 + 18), 0xff0000u) << "its copy is gone";
}

}  // namespace
