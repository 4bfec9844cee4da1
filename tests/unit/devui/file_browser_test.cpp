// The file dialog's model: filters, the listing of a folder, moving
// between folders and choosing a file, also one that does not exist yet.
#include <gtest/gtest.h>

#include "devui/file_browser.h"
#include "io/temp_dir.h"

namespace ruvel::test {

namespace {
std::vector<std::string> Names(const TFileBrowser& b) {
  std::vector<std::string> out;
  for (const auto& e : b.entries) out.push_back(e.directory ? "[" + e.name + "]" : e.name);
  return out;
}
}  // namespace

TEST(FileBrowserTest, FiltersComeInDescriptionAndPatternPairs) {
  auto f = ParseFileFilter("Pages|*.cmml|Scripts|*.ruvel");
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].description, "Pages");
  EXPECT_EQ(f[0].extensions, std::vector<std::string>{".cmml"});
  EXPECT_EQ(f[1].extensions, std::vector<std::string>{".ruvel"});
  auto images = ParseFileFilter("bmp/png|*.bmp;*.PNG");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].extensions, (std::vector<std::string>{".bmp", ".png"}));
  EXPECT_TRUE(ParseFileFilter("").empty());
  EXPECT_TRUE(ParseFileFilter("All|*.*")[0].extensions.empty());
}

TEST(FileBrowserTest, ListsFoldersThenMatchingFilesAndMovesBetweenFolders) {
  TempDir dir;
  dir.MakeDir("sub");
  dir.MakeDir("sub/inner");
  dir.WriteFile("b.cmml", "");
  dir.WriteFile("a.CMML", "");
  dir.WriteFile("c.ruvel", "");
  dir.WriteFile("notes.txt", "");
  dir.WriteFile(".hidden.cmml", "");
  TFileBrowser b;
  b.Open("ファイルを開く", "Pages|*.cmml|Scripts|*.ruvel", dir.Path());
  EXPECT_TRUE(b.shown);
  EXPECT_EQ(Names(b), (std::vector<std::string>{"[..]", "[sub]", "a.CMML", "b.cmml"}));
  b.SelectFilter(1);
  EXPECT_EQ(Names(b), (std::vector<std::string>{"[..]", "[sub]", "c.ruvel"}));
  b.Activate(1);  // into "sub"
  EXPECT_EQ(b.dir, dir / "sub");
  EXPECT_EQ(Names(b), (std::vector<std::string>{"[..]", "[inner]"}));
  b.Activate(0);  // ".."
  EXPECT_EQ(b.dir, dir.Path());
}

TEST(FileBrowserTest, ChoosingAFileGivesItsPathAndANewNameIsAllowed) {
  TempDir dir;
  dir.WriteFile("page.cmml", "");
  dir.MakeDir("sub");
  TFileBrowser b;
  b.Open("t", "Pages|*.cmml", dir.Path());
  EXPECT_EQ(b.Choose(), "");  // no name yet
  b.Activate(2);              // page.cmml
  EXPECT_EQ(b.fileName, "page.cmml");
  EXPECT_EQ(b.Choose(), dir / "page.cmml");
  b.fileName = "new.cmml";
  EXPECT_EQ(b.Choose(), dir / "new.cmml");
  // A folder's name enters it instead of choosing.
  b.fileName = "sub";
  EXPECT_EQ(b.Choose(), "");
  EXPECT_EQ(b.dir, dir / "sub");
  b.fileName = dir / "page.cmml";
  EXPECT_EQ(b.Choose(), dir / "page.cmml");
}

TEST(FileBrowserTest, AMissingStartFolderFallsBackToItsNearestParent) {
  TempDir dir;
  TFileBrowser b;
  b.Open("t", "", dir / "gone/deeper");
  EXPECT_EQ(b.dir, dir.Path());
  b.Open("t", "", "/");
  EXPECT_EQ(b.dir, "/");
  ASSERT_FALSE(b.entries.empty());
  EXPECT_NE(b.entries[0].name, "..");
}

}  // namespace ruvel::test
