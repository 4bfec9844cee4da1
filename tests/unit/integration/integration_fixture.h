// Shared by the integration tests: running the built program and reading
// its screenshots.
#pragma once
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "screen/pattern_image.h"
#include "test_paths.h"

namespace fs = std::filesystem;

namespace it {

struct RunResult {
  int exitCode = -1;
  std::string output;  // stdout and stderr
};

inline std::string BuildDir() {
  return fs::absolute(ruvel_test::TestBuildDir()).string();
}

// Runs the program with args; prefix goes before the command (a "cd DIR &&"
// or variables of the environment).
inline RunResult RunRuvel(const std::string& args, const std::string& prefix = "") {
  RunResult r;
  std::string cmd = prefix + " timeout 120 " + BuildDir() + "/ruvel " + args + " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

inline void Write(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

class IntegrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ruvel_it_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  ruvel::TPixelImage Screenshot(const fs::path& png) {
    ruvel::TPixelImage image;
    std::string error;
    EXPECT_TRUE(ruvel::LoadPngImage(png.string(), image, error)) << error;
    return image;
  }

  fs::path dir;
};

}  // namespace it
