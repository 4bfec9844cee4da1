// The sequencer loads "tones.wdt" from the current folder when it is made,
// so a run started in the program directory (which has one) would see other
// wave tables than the defaults these tests expect. Every test of this
// program runs in an empty folder of its own instead.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class EmptyWorkingDir : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/ruvel-sound-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    old_ = std::filesystem::current_path();
    ASSERT_EQ(chdir(dir_.c_str()), 0);
  }
  void TearDown() override {
    if (chdir(old_.c_str()) != 0) return;
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

 private:
  std::string dir_;
  std::filesystem::path old_;
};

const auto* const kEnv = ::testing::AddGlobalTestEnvironment(new EmptyWorkingDir);

}  // namespace
