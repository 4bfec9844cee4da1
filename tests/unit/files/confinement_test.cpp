// Files that try to lead scripts out of their folders, names too long for
// the file system, saves that cannot be committed, and the leftovers of
// saves that were killed.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <gtest/gtest.h>

#include "io/memory_card.h"
#include "platform/paths.h"
#include "io/script_files.h"
#include "io/temp_dir.h"
#include "platform/atomic_file.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "platform/temp_beside.h"

namespace ruvel::test {

namespace fs = std::filesystem;

namespace {

class ShownSink : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { shown.push_back(ToUtf8(text)); }
  void Log(const std::string&) override {}
  std::vector<std::string> shown;
};

const std::string kCard(kMemoryCardHeader);

class ConfinementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(page.Path().empty());
    oldPage_ = PageDir();
    SetPageDir(page.Path());
    oldSink_ = SetSink(&sink);
    outside.WriteFile("secret.txt", "secret\n");
    outside.WriteFile("card.dat", kCard + "outside");
  }
  void TearDown() override {
    SetSink(oldSink_);
    SetPageDir(oldPage_);
  }
  // True when opening the card for reading raises the missing-file error.
  static bool CardRefused(const std::string& name) {
    try {
      OpenMemoryCardReader(name);
    } catch (const EVMError& e) {
      return ToUtf8(e.Message()).find("は開けません") != std::string::npos;
    }
    return false;
  }

  TempDir page;
  TempDir outside;
  ShownSink sink;

 private:
  std::string oldPage_;
  MessageSink* oldSink_ = nullptr;
};

}  // namespace

TEST_F(ConfinementTest, LinksInTheFilesFolderAreNotFollowed) {
  page.MakeDir("files");
  page.WriteFile("files/own.txt", "own\n");
  fs::create_symlink(outside / "secret.txt", page / "files/link.txt");
  EXPECT_EQ(OpenScriptFileReader("link.txt"), nullptr);
  EXPECT_FALSE(ScriptFileExists("link.txt"));
  EXPECT_NE(OpenScriptFileReader("own.txt"), nullptr);
  EXPECT_TRUE(ScriptFileExists("own.txt"));
  // Writing replaces the link by a file and leaves its target alone.
  auto w = OpenScriptFileWriter("link.txt");
  ASSERT_NE(w, nullptr);
  w->Write("new", 3);
  EXPECT_TRUE(w->Close());
  EXPECT_FALSE(fs::is_symlink(page / "files/link.txt"));
  EXPECT_EQ(outside.ReadFile("secret.txt"), "secret\n");
}

TEST_F(ConfinementTest, AFilesFolderThatIsALinkIsRefused) {
  fs::create_symlink(outside.Path(), page / "files");
  EXPECT_EQ(OpenScriptFileReader("secret.txt"), nullptr);
  EXPECT_FALSE(ScriptFileExists("secret.txt"));
  EXPECT_EQ(OpenScriptFileWriter("planted.txt"), nullptr);
  EXPECT_FALSE(fs::exists(outside / "planted.txt"));
}

TEST_F(ConfinementTest, MemoryCardsStayInThePageFolderTree) {
  page.MakeDir("saves");
  page.WriteFile("saves/in.dat", kCard + "inside");
  // Absolute names outside, climbing names, drives and links that lead out
  // are refused as a missing card is.
  EXPECT_TRUE(CardRefused(outside / "card.dat"));
  std::string climb = "../" + fs::path(outside.Path()).filename().string() + "/card.dat";
  ASSERT_TRUE(fs::exists(page / climb));
  EXPECT_TRUE(CardRefused(climb));
  EXPECT_TRUE(CardRefused("saves\\..\\..\\" + fs::path(outside.Path()).filename().string() + "\\card.dat"));
  EXPECT_TRUE(CardRefused("C:" + outside / "card.dat"));
  fs::create_symlink(outside / "card.dat", page / "saves/out.dat");
  EXPECT_TRUE(CardRefused("saves/out.dat"));
  EXPECT_THROW(OpenMemoryCardWriter("saves/out.dat"), EVMError);
  EXPECT_EQ(outside.ReadFile("card.dat"), kCard + "outside");
  fs::create_directory_symlink(outside.Path(), page / "linked");
  EXPECT_TRUE(CardRefused("linked/card.dat"));
  // Inside the tree, relative, absolute and through a link that stays
  // inside, cards still open.
  EXPECT_NE(OpenMemoryCardReader("saves/in.dat"), nullptr);
  EXPECT_NE(OpenMemoryCardReader(page / "saves/in.dat"), nullptr);
  fs::create_symlink(page / "saves/in.dat", page / "alias.dat");
  EXPECT_NE(OpenMemoryCardReader("alias.dat"), nullptr);
}

TEST_F(ConfinementTest, OverlongNamesAreRefusedWithAMessage) {
  std::string longest(kMaxScriptFileName, 'n');
  auto ok = OpenScriptFileWriter(longest);
  ASSERT_NE(ok, nullptr);
  ok->Write("x", 1);
  EXPECT_TRUE(ok->Close());
  EXPECT_TRUE(ScriptFileExists(longest));
  EXPECT_TRUE(sink.shown.empty());
  // 300 characters once gave a writer whose close dropped the data.
  std::string tooLong(300, 'n');
  EXPECT_EQ(OpenScriptFileWriter(tooLong), nullptr);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(sink.shown[0].find("ファイル名が長すぎます"), std::string::npos);
  EXPECT_EQ(OpenScriptFileReader(tooLong), nullptr);
  EXPECT_FALSE(ScriptFileExists(tooLong));
}

TEST_F(ConfinementTest, AFailedCommitIsReportedByCloseAndKeepsTheTarget) {
  auto w = OpenScriptFileWriter("t.txt");
  ASSERT_NE(w, nullptr);
  w->Write("data", 4);
  // Something takes the name meanwhile: the rename cannot replace a folder.
  fs::create_directory(page / "files/t.txt");
  fs::create_directory(page / "files/t.txt/keep");
  EXPECT_FALSE(w->Close());
  EXPECT_TRUE(fs::is_directory(page / "files/t.txt"));
  // The temporary file went with the failure.
  for (const auto& e : fs::directory_iterator(page / "files")) EXPECT_EQ(e.path().filename(), "t.txt");
  // Through the open-file list the result reaches the caller.
  auto* again = static_cast<TFileWriter*>(OpenFiles().Add(OpenScriptFileWriter("u.txt")));
  fs::create_directory(page / "files/u.txt");
  fs::create_directory(page / "files/u.txt/keep");
  bool committed = true;
  EXPECT_TRUE(OpenFiles().Close(again, &committed));
  EXPECT_FALSE(committed);
}

TEST_F(ConfinementTest, StaleTemporariesGoWhenTheFileIsNextSaved) {
  std::string target = page / "page.cmml";
  std::string prefix = TempPrefixOf(target);
  EXPECT_EQ(prefix, ".page.cmml.");
  // Two leftovers of killed saves, one file that only looks similar, and
  // the temporary file of a writer that is still working.
  page.WriteFile(prefix + "Ab3xY9", std::string(1000, 'k'));
  page.WriteFile(prefix + "QQQQQQ", "k");
  page.WriteFile(prefix + "short", "not ours");
  page.WriteFile(".other.cmml.Ab3xY9", "not ours");
  TBufferedOutputStream live(target);
  ASSERT_TRUE(live.HasFile());
  live.Write("live", 4);
  ASSERT_TRUE(WriteFileAtomic(target, "saved"));
  // The live writer's file has a random suffix, so find it by elimination
  // rather than by where it sorts.
  std::set<std::string> left;
  for (const auto& e : fs::directory_iterator(page.Path())) left.insert(e.path().filename().string());
  ASSERT_EQ(left.size(), 4u);
  EXPECT_TRUE(left.erase(".other.cmml.Ab3xY9"));
  EXPECT_TRUE(left.erase(prefix + "short"));
  EXPECT_TRUE(left.erase("page.cmml"));
  ASSERT_EQ(left.size(), 1u);
  std::string liveTemp = *left.begin();
  EXPECT_EQ(liveTemp.rfind(prefix, 0), 0u);
  EXPECT_NE(liveTemp, prefix + "Ab3xY9");
  EXPECT_NE(liveTemp, prefix + "QQQQQQ");
  EXPECT_EQ(page.ReadFile("page.cmml"), "saved");
  // The live writer still commits; then nothing of it is left either.
  EXPECT_TRUE(live.Close());
  EXPECT_EQ(page.ReadFile("page.cmml"), "live");
  EXPECT_EQ(RemoveStaleTemps(target), 0);
  EXPECT_FALSE(fs::exists(page / liveTemp));
}

TEST_F(ConfinementTest, ALongTargetNameKeepsItsTemporariesFindable) {
  std::string name(240, 'p');
  std::string target = page / name;
  std::string prefix = TempPrefixOf(target);
  EXPECT_EQ(prefix.size(), kTempNameKeep + 2);
  page.WriteFile(prefix + "abcdef", "left");
  EXPECT_EQ(RemoveStaleTemps(target), 1);
}

}  // namespace ruvel::test
