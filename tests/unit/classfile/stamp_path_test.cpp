// Class-file names in Temp and the source stamp that decides whether a class
// file still belongs to its source.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "classfile_fixture.h"
#include "compiler/class_file.h"
#include "platform/paths.h"

namespace ruvel::test {

namespace {

void SetMtime(const std::string& path, time_t sec, long nsec) {
  timespec times[2] = {{sec, nsec}, {sec, nsec}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

}  // namespace

TEST_F(ClassFileTest, ClassFilePathKeepsOnlyNameCharactersOfTheRelativeSource) {
  struct Case {
    std::string source;  // relative to the temporary folder holding prog/
    std::string name;
  };
  const std::vector<Case> cases = {
      {"games/A.ruvel", "_116c@gamesAruvel"},  // ../games/A.ruvel
      {"prog/Kernel/classes/lang/Object.ruvel", "_116cKernelclasseslangObjectruvel"},
      {"prog/Usr\\sub\\B-1_x.ruvel", "_116cUsrsubB1_xruvel"},
      // Double-byte characters go as a whole, trail bytes that look like
      // letters or a backslash included.
      {"prog/Usr/\x83\x5C\x93\x47.ruvel", "_116cUsrruvel"},
  };
  for (const auto& c : cases) {
    TRTTI* cls = NewClass("C", tempDir + "/" + c.source);
    EXPECT_EQ(ClassFilePath(*cls), prog + "/Temp/" + c.name) << c.source;
    Discard(cls);
  }
  EXPECT_TRUE(std::filesystem::is_directory(prog + "/Temp"));
  // Two levels up.
  SetProgramDir(prog + "/a");
  TRTTI* cls = NewClass("C", tempDir + "/x/A.ruvel");
  EXPECT_EQ(ClassFilePath(*cls), prog + "/a/Temp/_116c@@xAruvel");
  EXPECT_TRUE(std::filesystem::is_directory(prog + "/a/Temp"));
}

TEST_F(ClassFileTest, StampFollowsEveryChangeOfTimeSizeAndPath) {
  std::string a = WriteSource("Usr/A.ruvel", "abcd");
  std::string b = WriteSource("Usr/B.ruvel", "abcd");
  const time_t t = 1700000000;
  SetMtime(a, t, 100);
  uint32_t first = SourceStamp(a);
  // Edits within the same second, and within one two-second step.
  SetMtime(a, t, 200);
  EXPECT_NE(SourceStamp(a), first);
  SetMtime(a, t, 101);
  EXPECT_NE(SourceStamp(a), first);
  SetMtime(a, t + 1, 100);
  EXPECT_NE(SourceStamp(a), first);
  // Time and size back as they were: the same stamp.
  SetMtime(a, t, 100);
  EXPECT_EQ(SourceStamp(a), first);
  // Same time, another size.
  WriteFile(a, "abcde");
  SetMtime(a, t, 100);
  EXPECT_NE(SourceStamp(a), first);
  WriteFile(a, "abcd");
  SetMtime(a, t, 100);
  EXPECT_EQ(SourceStamp(a), first);
  // Another file with the same time and size.
  SetMtime(b, t, 100);
  EXPECT_NE(SourceStamp(b), first);
  EXPECT_EQ(SourceStamp(prog + "/missing.ruvel"), 0u);
  // A path that differs only in letter case finds the file.
  EXPECT_EQ(SourceStamp(prog + "/usr/a.RUVEL"), SourceStamp(a));
}

TEST_F(ClassFileTest, ClassFileOfAnotherStateOfTheSourceIsIgnored) {
  std::string src = WriteSource("Usr/Game.ruvel", "version 1");
  SetMtime(src, 1700000000, 5000);
  TRTTI* game = BuildGame(src);
  std::string file = ClassFilePath(*game);
  SaveClassFile(*game, file);
  Discard(game);
  TRTTI* loaded = NewClass("Game", src);

  // Edited within the same second, same length.
  WriteFile(src, "version 2");
  SetMtime(src, 1700000000, 7000);
  EXPECT_FALSE(LoadClassFile(*loaded, file));
  EXPECT_TRUE(IsEmpty(loaded));
  // Touched one second later.
  SetMtime(src, 1700000001, 5000);
  EXPECT_FALSE(LoadClassFile(*loaded, file));
  // Back to the state the file was written for.
  SetMtime(src, 1700000000, 5000);
  ASSERT_TRUE(LoadClassFile(*loaded, file));

  // Without its source the file is not used.
  std::filesystem::remove(src);
  EXPECT_FALSE(LoadClassFile(*loaded, file));
  EXPECT_TRUE(IsEmpty(loaded));
}

TEST_F(ClassFileTest, WrongMagicMissingFileAndSharedNamesAreIgnored) {
  std::string src = WriteSource("Usr/Game.ruvel", "x");
  TRTTI* game = BuildGame(src);
  std::string file = ClassFilePath(*game);
  SaveClassFile(*game, file);
  Discard(game);
  TRTTI* loaded = NewClass("Game", src);

  std::string bytes = ReadFile(file);
  std::string bad = bytes;
  bad[0] ^= 1;
  WriteFile(file, bad);
  EXPECT_FALSE(LoadClassFile(*loaded, file));
  EXPECT_FALSE(LoadClassFile(*loaded, file + ".none"));
  EXPECT_TRUE(IsEmpty(loaded));

  // Sources whose names lose the same characters share one class file; a
  // file written for one is never taken by the other, even with the same
  // time and size.
  std::string enemy = WriteSource("Usr/\x93\x47.ruvel", "x");
  std::string bullet = WriteSource("Usr/\x92\x65.ruvel", "x");
  SetMtime(enemy, 1700000000, 0);
  SetMtime(bullet, 1700000000, 0);
  TRTTI* first = NewClass("Enemy", enemy);
  TRTTI* second = NewClass("Bullet", bullet);
  ASSERT_EQ(ClassFilePath(*first), ClassFilePath(*second));
  first->ClassCode = std::make_unique<TCompiledInfo>();
  first->Compiled = true;
  SaveClassFile(*first, ClassFilePath(*first));
  EXPECT_FALSE(LoadClassFile(*second, ClassFilePath(*second)));
  EXPECT_FALSE(second->Compiled);
}

TEST_F(ClassFileTest, UnwritableClassFileIsLoggedAndSkipped) {
  std::string src = WriteSource("Usr/Game.ruvel", "x");
  TRTTI* game = BuildGame(src);
  std::string file = prog + "/no/such/dir/_116cGame";
  EXPECT_NO_THROW(SaveClassFile(*game, file));
  EXPECT_FALSE(std::filesystem::exists(file));
  ASSERT_EQ(sink.logged.size(), 1u);
  EXPECT_NE(sink.logged[0].find(file), std::string::npos);
}

}  // namespace ruvel::test
