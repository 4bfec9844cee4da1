// Hostile input through the built program: scripts that never finish a
// frame (with Ctrl+C), a line to the ends of the integer range, markup
// nested forty thousand deep, a bitmap whose header claims gigabytes, and
// FIFOs and devices where files are expected.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "screen/pattern_image.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr
  double seconds = 0;
};

std::string BuildDir() {
  return ruvel_test::TestBuildDir();
}

// Memory is capped so that a blow-up fails the test; not for a sanitized
// program, which reserves terabytes of address space for its shadow.
std::string MemoryCap() {
  static const bool capped =
      std::system(("bash -c 'ulimit -v 4000000; " + BuildDir() + "/ruvel --version' >/dev/null 2>&1").c_str()) == 0;
  return capped ? "ulimit -v 4000000; " : "";
}

// Runs the program. With interruptOnLongRun the shell waits until the
// program has reported a long run and then sends SIGINT (Ctrl+C).
RunResult RunRuvel(const std::string& args, bool interruptOnLongRun = false) {
  RunResult r;
  std::string program = BuildDir() + "/ruvel " + args;
  std::string cmd = interruptOnLongRun
                        ? MemoryCap() + "out=$(mktemp); " + program + " >$out 2>&1 & pid=$!; " +
                              "for i in $(seq 600); do grep -q 秒以上 $out && break; sleep 0.1; done; " +
                              "kill -INT $pid; wait $pid; code=$?; cat $out; rm -f $out; exit $code"
                        : MemoryCap() + "timeout 120 " + program + " 2>&1";
  auto start = std::chrono::steady_clock::now();
  FILE* p = popen(("bash -c '" + cmd + "'").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  int status = pclose(p);
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

void Write(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// A page whose one object is of class cls, defined by source.
void WritePage(const fs::path& dir, const std::string& cls, const std::string& source,
               const std::string& extra = "") {
  Write(dir / "page.cmml",
        "<resourcelist name=\"usr\">\n"
        " <resourcelist name=\"classes\">\n"
        "  <class name=\"" + cls + "\" src=\"" + cls + ".ruvel\">\n"
        " </resourcelist>\n"
        " <resourcelist name=\"gen\">\n"
        "  <generator className=\"" + cls + "\" name=\"$it\" inst_x=\"10\" inst_y=\"10\">\n"
        " </resourcelist>\n" + extra +
        "</resourcelist>\n");
  Write(dir / (cls + ".ruvel"), "extends classes.game.Char;\n" + source);
}

class HostileProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ruvel_hostile_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Page() const { return (dir / "page.cmml").string(); }
  fs::path dir;
};

TEST_F(HostileProgram, AnEndlessScriptRunEndsWithCtrlCAndCodeTwo) {
  Write(dir / "spin.ruvel", "extends classes.lang.Object;\nx = 0;\nwhile (1) { x = x + 1; }\n");
  RunResult r = RunRuvel("--script " + (dir / "spin.ruvel").string(), true);
  EXPECT_EQ(r.exitCode, 2) << r.output;
  EXPECT_EQ(Count(r.output, "スクリプトが3秒以上フレームを終えていません: spin"), 1u) << r.output;
  EXPECT_NE(r.output.find("中断しました: spin"), std::string::npos) << r.output;
}

TEST_F(HostileProgram, AnEndlessOnGenerateIsNamedAndEndsWithCtrlC) {
  WritePage(dir, "Gen", "function onGenerate() {\n  while (1) { x = x + 1; }\n}\n");
  RunResult r = RunRuvel(Page() + " --headless", true);
  EXPECT_EQ(r.exitCode, 2) << r.output;
  EXPECT_EQ(Count(r.output, "秒以上フレームを終えていません: Gen.onGenerate"), 1u) << r.output;
  EXPECT_NE(r.output.find("中断しました: Gen.onGenerate"), std::string::npos) << r.output;
}

// The frame loop goes on (each step is cut off by the budget), but no
// frame of the script world finishes: said once, after three seconds.
TEST_F(HostileProgram, AnEndlessDrawIsNamedOnceWhileFramesGoOn) {
  WritePage(dir, "Loop", "function draw() {\n  while (1) { x = x + 1; }\n}\n");
  RunResult r = RunRuvel(Page() + " --headless --frames 240");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_GT(r.seconds, 3.0);
  EXPECT_EQ(Count(r.output, "秒以上フレームを終えていません: Loop.draw"), 1u) << r.output;
  // A game that suspends is never reported.
  WritePage(dir, "Fine", "function main() {\n  while (1) { x = x + 1; suspend(); }\n}\n");
  r = RunRuvel(Page() + " --headless --frames 240");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output.find("フレームを終えていません"), std::string::npos) << r.output;
}

TEST_F(HostileProgram, LinesToTheEndsOfTheIntegerRangeCostNothing) {
  WritePage(dir, "Liner",
            "function draw() {\n"
            "  drawLine(-2147483647, 100, 2147483647, 100, 16777215, 0);\n"
            "  drawLine(50, 2147483647, 50, -2147483647, 16777215, 0);\n"
            "  drawLine(0, 0, 2147483647, 2047483647, 255, 0);\n"
            "  drawLine(-2147483647, 5, 2147483647, 300, 255, 0);\n"
            "}\n");
  fs::path png = dir / "shot.png";
  RunResult r = RunRuvel(Page() + " --headless --fixed-clock --frames 30 --screenshot " + png.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  // The diagonal lines took a second and 540 MB a frame.
  EXPECT_LT(r.seconds, 10.0);
  ruvel::TPixelImage img;
  std::string error;
  ASSERT_TRUE(ruvel::LoadPngImage(png.string(), img, error)) << error;
  EXPECT_EQ(img.At(0, 100), 0xFFFFFFu);
  EXPECT_NE(img.At(10, 10), 0u);
  EXPECT_EQ(img.At(300, 100), 0xFFFFFFu);
  EXPECT_EQ(img.At(50, 0), 0xFFFFFFu);
  EXPECT_EQ(img.At(50, 300), 0xFFFFFFu);
  EXPECT_NE(img.At(51, 300), 0xFFFFFFu);
}

// A pattern turned and scaled 3000 times made the renderer build a picture
// of the whole destination: 6.8 GB and over a minute a frame.
TEST_F(HostileProgram, HugeTurnedPatternsAreCutToThePicture) {
  fs::path sheet = fs::path(ruvel_test::TestSourceDir()) / "Usr/images/sprites.bmp";
  if (!fs::exists(sheet)) GTEST_SKIP() << "no sheet at " << sheet;
  fs::copy_file(sheet, dir / "sprites.bmp");
  WritePage(dir, "Big",
            "function draw() {\n"
            "  drawPatternEx(100, 100, $pat + 1, 0, 0, 10, 255, 3000, 3000);\n"
            "  drawPatternEx(100, 100, $pat + 1, 1, 0, 0, 128, 50, 50);\n"
            "  drawPatternEx(0, 300, $pat + 1, 0, 0, 40, 255, 12, 12);\n"
            "}\n",
            " <resourcelist name=\"patterns\">\n  <cpattern name=\"$pat\" src=\"sprites.bmp\">\n </resourcelist>\n");
  fs::path png = dir / "shot.png";
  RunResult r = RunRuvel(Page() + " --headless --fixed-clock --frames 10 --screenshot " + png.string());
  ASSERT_EQ(r.exitCode, 0) << r.output;
  EXPECT_LT(r.seconds, 20.0);
  ruvel::TPixelImage img;
  std::string error;
  ASSERT_TRUE(ruvel::LoadPngImage(png.string(), img, error)) << error;
  // The pattern scaled 50 times covers the picture's middle.
  EXPECT_NE(img.At(100, 100), 0u);
}

// 40000 nested tags in a custom resource took 2 GB; here memory is capped
// at 4 GB of address space and the page still runs.
TEST_F(HostileProgram, DeeplyNestedMarkupInAPageIsCutAtTheLimit) {
  std::string nested;
  for (int i = 0; i < 40000; ++i) nested += "<x>";
  for (int i = 0; i < 40000; ++i) nested += "</x>";
  WritePage(dir, "Box", "function draw() {\n  fillRect(0, 0, 20, 20, 255, 0);\n}\n",
            " <page name=\"deep\">" + nested + "</page>\n");
  RunResult r = RunRuvel(Page() + " --headless --fixed-clock --frames 5");
  EXPECT_EQ(r.exitCode, 0) << r.output.substr(0, 2000);
  EXPECT_NE(r.output.find("マークアップの入れ子が深すぎます"), std::string::npos) << r.output.substr(0, 2000);
  EXPECT_LT(r.seconds, 30.0);
}

TEST_F(HostileProgram, ABitmapClaimingGigabytesIsRefusedFromItsHeader) {
  std::string bmp = "BM";
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) bmp += char((v >> (8 * i)) & 0xFF);
  };
  put(54, 4), put(0, 4), put(54, 4), put(40, 4), put(30000, 4), put(30000, 4), put(1, 2), put(24, 2);
  bmp += std::string(24, '\0');
  Write(dir / "huge.bmp", bmp);
  WritePage(dir, "Box", "function draw() {\n  fillRect(0, 0, 20, 20, 255, 0);\n}\n",
            " <resourcelist name=\"patterns\">\n  <cpattern name=\"$pat_huge\" src=\"huge.bmp\">\n </resourcelist>\n");
  RunResult r = RunRuvel(Page() + " --headless --fixed-clock --frames 5");
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(Count(r.output, "image too large (30000x30000)"), 1u) << r.output;
  EXPECT_LT(r.seconds, 10.0);
}

// A FIFO with no writer blocked every reader for ever and /dev/zero grew
// memory without end. Each is put where the program reads a file: the
// --input file, a sound effect, the page class's compiled file in Temp and
// gamecontrollerdb.txt in the program directory. Each is named and refused,
// the run ends on time, and the class file is compiled anew in its place.
TEST_F(HostileProgram, FifosAndDevicesAreNamedAndRefusedByEveryReader) {
  fs::path home = dir / "home";
  fs::create_directories(home);
  fs::create_directory_symlink(fs::path(ruvel_test::TestSourceDir()) / "Kernel", home / "Kernel");
  WritePage(dir, "Snd", "function onGenerate() {\n  s = new SoundEffect(\"snd.wav\");\n  s.play();\n}\n");
  std::string run = "--home " + home.string() + " " + Page() + " --headless --frames 5 --log";
  RunResult first = RunRuvel(run);
  ASSERT_EQ(first.exitCode, 0) << first.output;
  fs::path classFile;
  for (const auto& e : fs::directory_iterator(home / "Temp")) {
    std::string name = e.path().filename().string();
    if (name.size() > 8 && name.compare(name.size() - 8, 8, "Sndruvel") == 0) classFile = e.path();
  }
  ASSERT_FALSE(classFile.empty());

  for (bool fifo : {true, false}) {
    SCOPED_TRACE(fifo ? "FIFO" : "/dev/zero");
    // Puts a FIFO or a link to /dev/zero at path.
    auto plant = [&](const fs::path& path) {
      fs::remove(path);
      if (fifo) ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
      else fs::create_symlink("/dev/zero", path);
    };
    fs::path input = dir / "input.txt";
    plant(input);
    RunResult r = RunRuvel(run + " --input " + input.string());
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_LT(r.seconds, 30.0);
    EXPECT_TRUE(r.output.find(input.string() + ": not a regular file") != std::string::npos ||
                r.output.find(input.string() + ": 通常のファイルではありません") != std::string::npos)
        << r.output;

    plant(dir / "snd.wav");
    plant(home / "gamecontrollerdb.txt");
    plant(classFile);
    r = RunRuvel(run);
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_LT(r.seconds, 30.0);
    const std::string refused = " は通常のファイルではありません";
    EXPECT_EQ(Count(r.output, (home / "gamecontrollerdb.txt").string() + refused), 1u) << r.output;
    EXPECT_EQ(Count(r.output, classFile.string() + refused), 1u) << r.output;
    EXPECT_NE(r.output.find((dir / "snd.wav").string() + ": 通常のファイルではありません"), std::string::npos)
        << r.output;
    // The class was compiled again and its file written in place of the FIFO or link.
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(classFile)));
    EXPECT_GT(fs::file_size(classFile), 0u);
  }
}

}  // namespace
