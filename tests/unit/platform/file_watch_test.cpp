// The folder watcher behind live reload: what it reports after the ways
// editors and people change files, and what it leaves out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/file_watch.h"

namespace fs = std::filesystem;

namespace {

class FileWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("ruvel_watch_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "classes");
    fs::create_directories(root / "Temp");
    std::string error;
    ASSERT_TRUE(watcher.Watch(root.string(), [](const std::string& n) { return n == "Temp"; }, error)) << error;
  }
  void TearDown() override { fs::remove_all(root); }

  static void Write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
  std::string P(const std::string& rel) const { return (root / rel).string(); }

  fs::path root;
  ruvel::TFileWatcher watcher;
};

TEST_F(FileWatchTest, ReportsWritesRenamesAndDeletesOnceEach) {
  EXPECT_TRUE(watcher.Poll().empty());
  Write(root / "classes" / "A.ruvel", "1");
  Write(root / "classes" / "A.ruvel", "2");  // two saves: one report
  Write(root / ".B.ruvel.tmp", "x");
  fs::rename(root / ".B.ruvel.tmp", root / "B.ruvel");  // saved by rename
  Write(root / "Temp" / "cache", "x");                   // a skipped folder
  std::vector<std::string> got = watcher.Poll();
  EXPECT_EQ(std::count(got.begin(), got.end(), P("classes/A.ruvel")), 1);
  EXPECT_EQ(std::count(got.begin(), got.end(), P("B.ruvel")), 1);
  EXPECT_EQ(std::count(got.begin(), got.end(), P("Temp/cache")), 0);
  EXPECT_TRUE(watcher.Poll().empty()) << "reported once";

  fs::remove(root / "B.ruvel");
  got = watcher.Poll();
  EXPECT_EQ(std::count(got.begin(), got.end(), P("B.ruvel")), 1) << "a deleted file counts";
}

TEST_F(FileWatchTest, FoldersMadeLaterAreWatchedWithWhatWasWrittenInThem) {
  fs::create_directories(root / "images" / "big");
  Write(root / "images" / "big" / "sheet.bmp", "BM");
  std::vector<std::string> got = watcher.Poll();
  EXPECT_EQ(std::count(got.begin(), got.end(), P("images/big/sheet.bmp")), 1);
  // Later writes in the new folder are seen through its own watch.
  Write(root / "images" / "big" / "sheet2.bmp", "BM");
  got = watcher.Poll();
  EXPECT_EQ(std::count(got.begin(), got.end(), P("images/big/sheet2.bmp")), 1);
  watcher.Stop();
  Write(root / "images" / "big" / "sheet3.bmp", "BM");
  EXPECT_TRUE(watcher.Poll().empty()) << "nothing after Stop";
}

TEST(FileWatch, AMissingFolderIsRefusedWithAReason) {
  ruvel::TFileWatcher w;
  std::string error;
  EXPECT_FALSE(w.Watch("/nonexistent/ruvel/folder", nullptr, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(w.Watching());
}

}  // namespace
