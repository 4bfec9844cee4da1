// The --design option: how it is parsed, and the program run headless
// with it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "screen/pattern_image.h"
#include "shell/command_line.h"
#include "test_paths.h"

namespace {

namespace fs = std::filesystem;

bool Parse(std::vector<std::string> args, ruvel::CommandLine& cl, std::string& error) {
  args.insert(args.begin(), "ruvel");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return ruvel::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), cl, error);
}

TEST(DesignCommandLine, OptionStandsBeforeOrAfterThePage) {
  for (const auto& args : {std::vector<std::string>{"--design", "p.cmml"}, std::vector<std::string>{"p.cmml", "--design"}}) {
    ruvel::CommandLine cl;
    std::string error;
    ASSERT_TRUE(Parse(args, cl, error)) << error;
    EXPECT_TRUE(cl.design);
    EXPECT_EQ(cl.file, "p.cmml");
  }
  ruvel::CommandLine plain;
  std::string error;
  ASSERT_TRUE(Parse({"p.cmml"}, plain, error));
  EXPECT_FALSE(plain.design);

  ruvel::CommandLine both;
  EXPECT_FALSE(Parse({"--design", "--script", "x.ruvel"}, both, error));
  EXPECT_NE(error.find("--design"), std::string::npos);
  EXPECT_NE(ruvel::HelpText().find("--design"), std::string::npos);
}

// The program next to this test's build directory.
std::string Program() {
  return ruvel_test::TestBuildDir() + "/ruvel";
}

int RunProgram(const std::string& args, std::string& output) {
  std::string cmd = "timeout 120 " + Program() + " " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
  int status = pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The column of the first white pixel of a row, or -1.
int WhiteColumn(const ruvel::TPixelImage& img, int y) {
  for (int x = 0; x < img.width; ++x) {
    if ((img.At(x, y) & 0xffffff) == 0xffffff) return x;
  }
  return -1;
}

// A white bar that moves one pixel per update step while its page plays;
// design mode places it without running it, and writes nothing.
TEST(DesignCommandLine, ProgramOpensThePageInDesignMode) {
  if (!fs::exists(Program())) GTEST_SKIP() << "no program at " << Program();
  fs::path dir = fs::temp_directory_path() / ("ruvel_design_cl_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "Mover.ruvel") << "extends classes.game.Char;\n"
                                        "function main() {\n"
                                        "  while (1) {\n"
                                        "    x = x + 1;\n"
                                        "    suspend();\n"
                                        "  }\n"
                                        "}\n"
                                        "function draw() {\n"
                                        "  fillRect(x, y, x + 1, y + 20, 16777215, 0);\n"
                                        "}\n";
  std::ofstream(dir / "page.cmml") << "<resourcelist name=\"usr\">\n"
                                      " <resourcelist name=\"classes\">\n"
                                      "  <class name=\"Mover\" src=\"Mover.ruvel\">\n"
                                      " </resourcelist>\n"
                                      " <resourcelist name=\"gen\">\n"
                                      "  <generator className=\"Mover\" name=\"$mover\" inst_x=\"50\" inst_y=\"300\">\n"
                                      " </resourcelist>\n"
                                      "</resourcelist>\n";
  std::string page = (dir / "page.cmml").string();
  std::string before = ReadFile(page);
  std::string common = " --headless --fixed-clock --frames 20 --screenshot ";

  std::string out;
  ASSERT_EQ(RunProgram(page + " --design" + common + (dir / "design.png").string(), out), 0) << out;
  EXPECT_EQ(out, "");
  ASSERT_EQ(RunProgram(page + common + (dir / "play.png").string(), out), 0) << out;
  EXPECT_EQ(out, "");

  ruvel::TPixelImage design;
  ruvel::TPixelImage play;
  std::string error;
  ASSERT_TRUE(ruvel::LoadPngImage((dir / "design.png").string(), design, error)) << error;
  ASSERT_TRUE(ruvel::LoadPngImage((dir / "play.png").string(), play, error)) << error;
  EXPECT_EQ(WhiteColumn(design, 310), 50);
  EXPECT_GT(WhiteColumn(play, 310), 55);
  EXPECT_EQ(ReadFile(page), before);
  fs::remove_all(dir);
}

}  // namespace
