// Failures a person must hear of, through the real program: a page whose
// class does not compile fails a headless run; a sound file that is not
// there is named once; a process ended by a run-time error while
// developing leaves a status-bar line that says where it stopped.
#include <regex>

#include "integration/integration_fixture.h"

namespace {

using namespace it;

std::string Page(const std::string& cls) {
  return "<resourcelist name=\"usr\">\n"
         " <resourcelist name=\"classes\">\n"
         "  <class name=\"" + cls + "\" src=\"" + cls + ".ruvel\">\n"
         " </resourcelist>\n"
         " <resourcelist name=\"gen\">\n"
         "  <generator className=\"" + cls + "\" name=\"$it\" inst_x=\"0\" inst_y=\"0\">\n"
         " </resourcelist>\n"
         "</resourcelist>\n";
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(IntegrationTest, AClassThatDoesNotCompileFailsAHeadlessPageRun) {
  Write(dir / "page.cmml", Page("Broken"));
  Write(dir / "Broken.ruvel", "extends classes.game.Char;\nfunction main() {\n  x = (1;\n}\n");
  RunResult r = RunRuvel("page.cmml --headless --fixed-clock --frames 5", "cd " + dir.string() + " &&");
  EXPECT_EQ(r.exitCode, 1) << r.output;
  EXPECT_NE(r.output.find("文法エラー"), std::string::npos) << r.output;

  // Mended, the same run succeeds.
  Write(dir / "Broken.ruvel", "extends classes.game.Char;\nfunction main() {\n  x = (1);\n}\n");
  r = RunRuvel("page.cmml --headless --fixed-clock --frames 5", "cd " + dir.string() + " &&");
  EXPECT_EQ(r.exitCode, 0) << r.output;
}

TEST_F(IntegrationTest, AMissingSoundFileIsNamedOnceAndTheGameGoesOn) {
  Write(dir / "page.cmml", Page("Noisy"));
  // Every step loads the missing effect again; the script sees 0 each time.
  Write(dir / "Noisy.ruvel",
        "extends classes.game.Char;\n"
        "function main() {\n"
        "  var se; var i; var bgm;\n"
        "  for (i = 0; i < 10; i = i + 1) {\n"
        "    se = new SoundEffect(\"sounds/gone.wav\");\n"
        "    print(\"loaded \" + se.isLoaded());\n"
        "    suspend();\n"
        "  }\n"
        "  bgm = new BGM();\n"
        "  bgm.play(\"sounds/gone.mlv\");\n"
        "  bgm.play(\"sounds/gone.mlv\");\n"
        "  print(\"noisy done\");\n"
        "}\n");
  // --log: the page's print() lines are log lines.
  RunResult r = RunRuvel("page.cmml --headless --fixed-clock --frames 40 --log", "cd " + dir.string() + " &&");
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(Count(r.output, "loaded 0"), 10u) << r.output;
  EXPECT_EQ(Count(r.output, "noisy done"), 1u) << r.output;
  EXPECT_EQ(Count(r.output, "効果音のファイルが見つかりません: sounds/gone.wav"), 1u) << r.output;
  EXPECT_EQ(Count(r.output, "BGM のファイルが見つかりません: sounds/gone.mlv"), 1u) << r.output;
}

TEST_F(IntegrationTest, ARunTimeErrorWhileDevelopingPutsWhereInTheStatusBar) {
  Write(dir / "page.cmml", Page("Crash"));
  Write(dir / "Crash.ruvel",
        "extends classes.game.Char;\n"
        "function main() {\n"
        "  var v;\n"
        "  suspend();\n"
        "  for (v in 5) { }\n"
        "}\n");
  RunResult dev = RunRuvel("page.cmml --dev --headless --fixed-clock --frames 10 --log --screenshot dev.png",
                           "cd " + dir.string() + " &&");
  ASSERT_EQ(dev.exitCode, 0) << dev.output;
  // The line names the line the error message names.
  std::smatch at;
  ASSERT_TRUE(std::regex_search(dev.output, at, std::regex("Crash\\.ruvel \\(\\d+\\) (\\d+行目)"))) << dev.output;
  const std::string line = "実行時エラー: Crash.main (Crash.ruvel " + at[1].str() + "): inの後ろの値が配列でありません";
  EXPECT_EQ(Count(dev.output, line), 1u) << dev.output;
  RunResult play = RunRuvel("page.cmml --headless --fixed-clock --frames 10 --log --screenshot play.png",
                            "cd " + dir.string() + " &&");
  ASSERT_EQ(play.exitCode, 0) << play.output;
  EXPECT_EQ(play.output.find(line), std::string::npos) << "a player sees the message only\n" << play.output;

  // The line is drawn in the status bar below the drawing area.
  ruvel::TPixelImage withLine = Screenshot(dir / "dev.png");
  ruvel::TPixelImage without = Screenshot(dir / "play.png");
  ASSERT_EQ(withLine.height, without.height);
  ASSERT_GT(withLine.height, 381);
  int differ = 0;
  for (int y = 381; y < withLine.height; ++y) {
    for (int x = 0; x < withLine.width; ++x) differ += withLine.At(x, y) != without.At(x, y);
  }
  EXPECT_GT(differ, 50);
}

}  // namespace
