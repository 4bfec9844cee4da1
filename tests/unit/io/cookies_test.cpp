#include "io/cookies.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/paths.h"
#include "temp_dir.h"

namespace ruvel {
namespace {

using test::TempDir;
using Lines = std::vector<std::string>;

TEST(Cookies, SetReplacesAndGetIgnoresCase) {
  TCookieStore store;
  store.Set("k", "1");
  store.Set("k", "2");
  EXPECT_EQ(store.Lines(), Lines{"env:k=2"});
  EXPECT_EQ(store.Get("K"), "2");
  EXPECT_EQ(store.Get("k"), "2");
  EXPECT_EQ(store.Get("missing"), "");

  // A name set in another case replaces the old line, so get never returns
  // a stale value.
  store.Set("K", "3");
  EXPECT_EQ(store.Lines(), Lines{"env:K=3"});
  EXPECT_EQ(store.Get("k"), "3");

  store.Set("AutoLoadPage", "/home/u/page=1.cmml");
  EXPECT_EQ(store.Get("autoloadpage"), "/home/u/page=1.cmml");
  store.Set("empty", "");
  EXPECT_EQ(store.Get("empty"), "");
  EXPECT_EQ(store.Lines().back(), "env:empty=");
}

TEST(Cookies, PatternCharactersInNamesDoNotTouchOtherCookies) {
  TCookieStore store;
  store.Set("abc", "keep1");
  store.Set("aa", "keep2");
  store.Set("x", "keep3");
  store.Set("a.c", "1");  // '.' unescaped would remove "abc"
  store.Set("a+", "2");   // '+' unescaped would remove "aa"
  store.Set("(", "3");    // '(' unescaped is a malformed pattern
  store.Set("y|env:x", "4");
  store.Set("a.c", "5");
  store.Set("$x\\", "6");
  store.Set("$x\\", "7");
  EXPECT_EQ(store.Lines(), (Lines{"env:abc=keep1", "env:aa=keep2", "env:x=keep3", "env:a+=2", "env:(=3",
                                  "env:y|env:x=4", "env:a.c=5", "env:$x\\=7"}));
  EXPECT_EQ(store.Get("a.c"), "5");
  EXPECT_EQ(store.Get("abc"), "keep1");
  EXPECT_EQ(store.Get("("), "3");
}

TEST(Cookies, DoubleByteNamesAndLineBreaks) {
  const std::string a = "\x83\x41";   // ア (trail 'A')
  const std::string di = "\x83\x61";  // ヂ (trail 'a')
  TCookieStore store;
  store.Set(a, "1");
  store.Set(di, "2");
  store.Set(a, "3");
  EXPECT_EQ(store.Lines(), (Lines{"env:" + di + "=2", "env:" + a + "=3"}));
  EXPECT_EQ(store.Get(a), "3");
  EXPECT_EQ(store.Get(di), "2");

  // A line break in a value cannot smuggle in a second cookie.
  store.Clear();
  store.Set("k", "1\nenv:evil=1\r");
  EXPECT_EQ(store.Lines(), Lines{"env:k=1env:evil=1"});
  EXPECT_EQ(store.Get("evil"), "");
}

TEST(Cookies, LoadAndSaveThroughATemporaryFile) {
  TempDir dir;
  dir.WriteFile("Cookies.ini", "env:statusBar=0\r\nother line\r\n\r\nenv:RecentPage0=/p/a.cmml\nlast");
  TCookieStore store;
  ASSERT_TRUE(store.Load(dir / "Cookies.ini"));
  EXPECT_EQ(store.Lines(), (Lines{"env:statusBar=0", "other line", "", "env:RecentPage0=/p/a.cmml", "last"}));
  EXPECT_EQ(store.Get("statusbar"), "0");
  EXPECT_EQ(store.Get("RecentPage0"), "/p/a.cmml");

  store.Set("statusBar", "1");
  store.Save(dir / "Cookies.ini");
  EXPECT_EQ(dir.ReadFile("Cookies.ini"), "other line\n\nenv:RecentPage0=/p/a.cmml\nlast\nenv:statusBar=1\n");
  // Nothing but the file itself is left in the folder.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 1);

  TCookieStore again;
  ASSERT_TRUE(again.Load(dir / "Cookies.ini"));
  EXPECT_EQ(again.Lines(), store.Lines());

  // A line ending in more than one carriage return reads the same after a
  // save and a load (a kept one was lost by the next save).
  dir.WriteFile("cr.ini", "env:AutoLoadPage=/p/x.cmml\r\r\n");
  TCookieStore cr;
  ASSERT_TRUE(cr.Load(dir / "cr.ini"));
  EXPECT_EQ(cr.Get("AutoLoadPage"), "/p/x.cmml");
  cr.Save(dir / "cr.ini");
  TCookieStore crAgain;
  ASSERT_TRUE(crAgain.Load(dir / "cr.ini"));
  EXPECT_EQ(crAgain.Get("AutoLoadPage"), "/p/x.cmml");
  std::filesystem::remove(dir / "cr.ini");

  // A missing file keeps the list; a folder that cannot be written raises.
  EXPECT_FALSE(again.Load(dir / "none.ini"));
  EXPECT_EQ(again.Lines(), store.Lines());
  EXPECT_THROW(again.Save(dir / "no/such/dir/Cookies.ini"), EIOError);
  dir.MakeDir("occupied/Cookies.ini");  // a folder where the file should go
  EXPECT_THROW(again.Save(dir / "occupied/Cookies.ini"), EIOError);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "occupied"), std::filesystem::directory_iterator()),
            1);
}

TEST(Cookies, ProgramStoreUsesTheKernelFolder) {
  TempDir dir;
  dir.MakeDir("kernel");
  dir.WriteFile("kernel/cookies.ini", "env:statusBar=0\n");
  std::string savedProgram = ProgramDir();
  SetProgramDir(dir.Path());

  EXPECT_EQ(CookieFilePath(), dir / "kernel/cookies.ini");
  Cookies().Clear();
  ASSERT_TRUE(LoadCookies());
  EXPECT_EQ(Cookies().Get("statusBar"), "0");
  Cookies().Set("statusBar", "1");
  SaveCookies();
  EXPECT_EQ(dir.ReadFile("kernel/cookies.ini"), "env:statusBar=1\n");

  // Without a cookie file the store is written where it belongs.
  TempDir fresh;
  fresh.MakeDir("Kernel");
  SetProgramDir(fresh.Path());
  EXPECT_EQ(CookieFilePath(), fresh / "Kernel/Cookies.ini");
  EXPECT_FALSE(LoadCookies());
  SaveCookies();
  EXPECT_EQ(fresh.ReadFile("Kernel/Cookies.ini"), "env:statusBar=1\n");

  Cookies().Clear();
  SetProgramDir(savedProgram);
}

}  // namespace
}  // namespace ruvel
