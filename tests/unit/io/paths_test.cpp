#include "platform/paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "temp_dir.h"

namespace ruvel {
namespace {

using test::TempDir;
using Names = std::vector<std::string>;

const std::string kHyo = "\x95\x5c";  // 表, whose trail byte is '\\'

TEST(Paths, BackslashesAreSeparators) {
  EXPECT_EQ(PathToPosix("a\\b\\c"), "a/b/c");
  EXPECT_EQ(PathToPosix(kHyo + "\\x"), kHyo + "/x");
  EXPECT_EQ(PathToPosix(kHyo + "\\"), kHyo + "/");
  EXPECT_TRUE(PathIsAbsolute("\\x"));
  EXPECT_TRUE(PathIsAbsolute("/"));
  EXPECT_FALSE(PathIsAbsolute("x/y"));
  EXPECT_FALSE(PathIsAbsolute(""));
}

TEST(Paths, NamesAndParents) {
  EXPECT_EQ(PathBaseName("/x/song.tar.mid"), "song.tar");
  EXPECT_EQ(PathBaseName("\\x\\song.mid"), "song");
  EXPECT_EQ(PathBaseName("/x.d/noext"), "noext");
  EXPECT_EQ(PathBaseName("/x/.hidden"), "");
  EXPECT_EQ(PathFileName("/x/" + kHyo + ".txt"), kHyo + ".txt");

  EXPECT_EQ(PathStripSlash("/a/"), "/a");
  EXPECT_EQ(PathStripSlash("/a"), "/a");
  EXPECT_EQ(PathStripSlash(""), "");

  EXPECT_EQ(PathParent("/a/b/"), "/a");
  EXPECT_EQ(PathParent("/a/b.txt"), "/a");
  EXPECT_EQ(PathParent("/a"), "/");
  EXPECT_EQ(PathParent("/"), "");
  EXPECT_EQ(PathParent("a"), "");
  EXPECT_EQ(PathParent("a/b"), "a");
  EXPECT_EQ(PathParent(""), "");
}

TEST(Paths, Resolve) {
  EXPECT_EQ(PathResolve("../b/c.txt", "/x/y/"), "/x/b/c.txt");
  EXPECT_EQ(PathResolve("..\\b\\c.txt", "/x/y/"), "/x/b/c.txt");
  EXPECT_EQ(PathResolve("./a", "/x"), "/x/a");
  EXPECT_EQ(PathResolve("/z", "/anything"), "/z");
  EXPECT_EQ(PathResolve("\\z", ""), "/z");
  EXPECT_EQ(PathResolve("", "/x"), "");
  EXPECT_EQ(PathResolve("a", ""), "");
  EXPECT_EQ(PathResolve("a//b/", "/x"), "/x/a/b");
  EXPECT_EQ(PathResolve("Kernel\\Cookies.ini", "/home/p"), "/home/p/Kernel/Cookies.ini");
  // Climbing reaches the root and stays there.
  EXPECT_EQ(PathResolve("../a", "/x"), "/a");
  EXPECT_EQ(PathResolve("../../../a", "/x"), "/a");
  EXPECT_EQ(PathResolve("..", "/x"), "/");
  EXPECT_EQ(PathResolve("a", "/"), "/a");
  EXPECT_EQ(PathResolve(".", "/"), "/");
  EXPECT_EQ(PathResolve("c", "a/b"), "a/b/c");
  EXPECT_EQ(PathResolve("../../c", "a/b"), "c");
}

TEST(Paths, InsideSameAndStartsWith) {
  EXPECT_TRUE(PathIsInside("/Game/files/a.txt", "/game/files/"));
  EXPECT_FALSE(PathIsInside("/Game/files2", "/Game/files"));
  EXPECT_TRUE(PathIsInside("/Game/files/", "/game/FILES"));
  EXPECT_TRUE(PathIsInside("/a/b", "/"));
  EXPECT_FALSE(PathIsInside("/a/b", ""));
  EXPECT_FALSE(PathIsInside("/a", "/a/b"));
  EXPECT_TRUE(PathIsInside("\\g\\f\\x", "/g/f"));
  // The trail byte of 表 is no separator.
  EXPECT_TRUE(PathIsInside("\\a\\" + kHyo + "\\b", "/a/" + kHyo));
  EXPECT_EQ(PathParent("/a/" + kHyo), "/a");
  EXPECT_EQ(PathResolve(".\\" + kHyo, "/a"), "/a/" + kHyo);

  EXPECT_TRUE(PathSame("/A/b/", "/a/B"));
  EXPECT_FALSE(PathSame("/a", "/ab"));
  EXPECT_TRUE(PathStartsWith("/Usr/x", "/usr"));
  EXPECT_FALSE(PathStartsWith("/u", "/usr"));
}

TEST(Paths, RelativeAndCommonFolder) {
  EXPECT_EQ(PathRelative("/a/b/c.txt", "/a/d"), "../b/c.txt");
  EXPECT_EQ(PathRelative("/a/b/c.txt", "/a"), "b/c.txt");
  EXPECT_EQ(PathRelative("/a/b/c.txt", "/A/"), "b/c.txt");
  EXPECT_EQ(PathRelative("/a/b/c.txt", "/q"), "../a/b/c.txt");
  EXPECT_EQ(PathRelative("/a/b/c.txt", "/"), "a/b/c.txt");
  EXPECT_EQ(PathRelative("/a/b", "/a/b"), "");
  EXPECT_EQ(PathRelative("x/y", "/a"), "x/y");
  EXPECT_EQ(PathRelative("", "/a"), "");
  EXPECT_EQ(PathRelative("/a/b", ""), "/a/b");
  EXPECT_EQ(PathRelative("/a/b", "rel"), "/a/b");

  // Resolving a relative path against its base gives the path back (a
  // path equal to its base is the empty text, tested above).
  for (const char* base : {"/a/d", "/a/b", "/q/r/s", "/a/b/c.txt/x", "/"}) {
    for (const char* p : {"/a/b/c.txt", "/a", "/z/y"}) {
      EXPECT_EQ(PathResolve(PathRelative(p, base), base), p) << p << " from " << base;
    }
  }

  EXPECT_EQ(PathCommonFolder("/a/b/c", "/a/d"), "/a");
  EXPECT_EQ(PathCommonFolder("/a/b", "/a/b/c"), "/a/b");
  EXPECT_EQ(PathCommonFolder("/a/b/c", "/A/B"), "/A/B");
  EXPECT_EQ(PathCommonFolder("/x/y", "/z"), "/");
  EXPECT_EQ(PathCommonFolder("", "/a"), "");
  EXPECT_EQ(PathCommonFolder("x", "y"), "");
}

TEST(Paths, FindWithoutRegardToCase) {
  TempDir dir;
  dir.MakeDir("Kernel/Images");
  dir.WriteFile("Kernel/Cookies.ini", "x");
  dir.WriteFile("Kernel/Images/404.bmp", "x");

  EXPECT_EQ(PathFindNoCase(dir / "Kernel/Cookies.ini"), dir / "Kernel/Cookies.ini");
  EXPECT_EQ(PathFindNoCase(dir / "kernel/cookies.INI"), dir / "Kernel/Cookies.ini");
  EXPECT_EQ(PathFindNoCase(dir / "KERNEL\\images\\404.BMP"), dir / "Kernel/Images/404.bmp");
  EXPECT_EQ(PathFindNoCase(dir / "kernel/images/"), dir / "Kernel/Images/");
  EXPECT_EQ(PathFindNoCase(dir / "kernel/./images/../cookies.ini"), dir / "Kernel/./Images/../Cookies.ini");
  EXPECT_FALSE(PathFindNoCase(dir / "kernel/missing.ini"));
  EXPECT_FALSE(PathFindNoCase(dir / "kernel/cookies.ini/x"));
  EXPECT_FALSE(PathFindNoCase(""));

  EXPECT_TRUE(PathExists(dir / "KERNEL"));
  EXPECT_FALSE(PathExists(dir / "Kernel2"));
  EXPECT_EQ(PathLocate(dir / "kernel\\missing"), dir / "kernel/missing");
  EXPECT_EQ(PathLocate(dir / "kernel/COOKIES.ini"), dir / "Kernel/Cookies.ini");

  // With both spellings present the exact one wins, else the first by name.
  dir.MakeDir("Data");
  dir.MakeDir("data");
  dir.WriteFile("data/f", "x");
  EXPECT_EQ(PathFindNoCase(dir / "data/f"), dir / "data/f");
  EXPECT_EQ(PathFindNoCase(dir / "DATA"), dir / "Data");
}

TEST(Paths, DirectoryListing) {
  TempDir dir;
  for (const char* f : {"b.txt", "A.TXT", "c.cmml", ".hidden", "noext"}) dir.WriteFile(f, "x");
  dir.MakeDir("sub");
  dir.MakeDir("Zed");
  dir.MakeDir("dir.txt");
  std::filesystem::create_directory_symlink(dir / "sub", dir / "link");

  TDirectory all(dir / "*");
  EXPECT_EQ(all.Files(), (Names{".hidden", "A.TXT", "b.txt", "c.cmml", "noext"}));
  EXPECT_EQ(all.Folders(), (Names{"dir.txt", "link", "sub", "Zed"}));
  EXPECT_EQ(all.Mask(), dir / "*");

  TDirectory txt(dir.Path() + "\\*.txt");
  EXPECT_EQ(txt.Files(), (Names{"A.TXT", "b.txt"}));
  EXPECT_EQ(txt.Folders(), all.Folders());  // folders ignore the mask

  EXPECT_EQ(TDirectory(dir / "*.*").Files(), all.Files());
  EXPECT_EQ(TDirectory(dir / "c.CMML").Files(), Names{"c.cmml"});
  EXPECT_EQ(TDirectory(dir / "SUB/*").Files(), Names{});

  TDirectory missing(dir / "nothing/*");
  EXPECT_TRUE(missing.Files().empty());
  EXPECT_TRUE(missing.Folders().empty());
}

TEST(Paths, ProgramAndPageDirectories) {
  std::string savedProgram = ProgramDir();
  EXPECT_TRUE(PathIsAbsolute(savedProgram));
  EXPECT_EQ(ProgramDir(), ExecutableDir());

  SetProgramDir("/opt/game/");
  EXPECT_EQ(ProgramDir(), "/opt/game");
  EXPECT_EQ(PageDir(), "/opt/game");  // until a page is loaded
  SetPageDir("\\opt\\game\\Usr");
  EXPECT_EQ(PageDir(), "/opt/game/Usr");
  SetProgramDir("/srv");
  EXPECT_EQ(PageDir(), "/opt/game/Usr");

  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  SetProgramDir("rel/dir");
  EXPECT_EQ(ProgramDir(), PathResolve("rel/dir", cwd));
  SetProgramDir("/");
  EXPECT_EQ(ProgramDir(), "/");

  SetProgramDir(savedProgram);
}

}  // namespace
}  // namespace ruvel
