#include "platform/bregexp.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace ruvel {
namespace {

// CP932 characters whose trail byte is ASCII: 表 ends in '\\', ア in 'A',
// ヂ in 'a'.
const std::string kHyo = "\x95\x5c";
const std::string kA = "\x83\x41";
const std::string kDi = "\x83\x61";

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EBRegExpError& e) {
    return e.Message();
  }
  return "(no error)";
}

std::vector<std::string> SplitAll(std::string_view pattern, std::string_view text, int limit = 0) {
  TBRegExp re;
  int n = re.Split(pattern, text, limit);
  EXPECT_EQ(n, re.Count());
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(re.Get(i));
  return out;
}

std::string Subst(std::string_view pattern, std::string text) {
  TBRegExp re;
  re.Substitute(pattern, text);
  return text;
}

using Pieces = std::vector<std::string>;

TEST(BRegExp, MatchGivesGroupsAndWholeMatchPosition) {
  TBRegExp re;
  ASSERT_TRUE(re.Match("/(\\w+)@(\\w+)/", "mail: joe@host now"));
  EXPECT_EQ(re.GetMode(), TBRegExp::kMatched);
  EXPECT_EQ(re.Count(), 3);
  EXPECT_EQ(re.Get(0), "joe@host");
  EXPECT_EQ(re.Get(1), "joe");
  EXPECT_EQ(re.Get(2), "host");
  EXPECT_EQ(re.MatchStart(), 6u);
  EXPECT_EQ(re.MatchEnd(), 14u);
  EXPECT_EQ(ErrorOf([&] { re.Get(3); }), "index out of range");
  EXPECT_EQ(ErrorOf([&] { re.Get(-1); }), "index out of range");

  // The count stops at the first empty group; a group after it is out of reach.
  ASSERT_TRUE(re.Match("/(a)(x*)(b)/", "ab"));
  EXPECT_EQ(re.Count(), 2);
  EXPECT_EQ(re.Get(2), "");
  EXPECT_EQ(ErrorOf([&] { re.Get(3); }), "index out of range");

  // A failed match leaves no groups.
  EXPECT_FALSE(re.Match("/z/", "abc"));
  EXPECT_EQ(re.Count(), 0);
  EXPECT_EQ(ErrorOf([&] { re.Get(0); }), "index out of range");
}

TEST(BRegExp, FlagsAnchorsAndStartOffset) {
  TBRegExp re;
  EXPECT_FALSE(re.Match("/abc/", "xABCx"));
  EXPECT_TRUE(re.Match("/abc/i", "xABCx"));
  EXPECT_TRUE(re.Match("m#a/b#", "xa/b"));
  EXPECT_FALSE(re.Match("/^b/", "a\nb"));
  EXPECT_TRUE(re.Match("/^b/m", "a\nb"));
  EXPECT_TRUE(re.Match("/a.b/s", "a\nb"));
  EXPECT_TRUE(re.Match("/^const_(.*)/", "const_speed"));
  EXPECT_EQ(re.Get(1), "speed");
  EXPECT_TRUE(re.Match("/\\W/", "ab-c"));
  EXPECT_EQ(re.Get(0), "-");

  // Searching from an offset still sees anchors relative to the whole text.
  ASSERT_TRUE(re.Match("/a/", "a-a", 1));
  EXPECT_EQ(re.MatchStart(), 2u);
  EXPECT_FALSE(re.Match("/^a/", "a-a", 1));
  EXPECT_FALSE(re.Match("/a/", "a", 5));
}

TEST(BRegExp, GlobalNameCheck) {
  const char* pattern = "/^\\$([\\_A-Za-z0-9]|([\\x80-\\x9f\\xa0-\\xff].))*$/";
  TBRegExp re;
  EXPECT_TRUE(re.Match(pattern, "$pat_01"));
  EXPECT_TRUE(re.Match(pattern, "$" + std::string("\x95\xcf\x90\x94")));  // $変数
  EXPECT_TRUE(re.Match(pattern, "$x" + kHyo));
  EXPECT_FALSE(re.Match(pattern, "$a-b"));
  EXPECT_FALSE(re.Match(pattern, "pat"));
  EXPECT_FALSE(re.Match(pattern, ""));
}

TEST(BRegExp, ModeGuardsCountAndGet) {
  TBRegExp re;
  EXPECT_EQ(ErrorOf([&] { re.Count(); }), "no count now");
  EXPECT_EQ(ErrorOf([&] { re.Get(0); }), "no strings now");
  re.Match("/a/", "a");
  std::string text = "a";
  re.Substitute("s/a/b/", text);
  EXPECT_EQ(re.GetMode(), TBRegExp::kNone);
  EXPECT_EQ(ErrorOf([&] { re.Count(); }), "no count now");
}

TEST(BRegExp, SubstitutionForms) {
  EXPECT_EQ(Subst("s/\\.[^.]*$//", "song.tar.mid"), "song.tar");
  EXPECT_EQ(Subst("s/o/0/", "foo"), "f0o");
  EXPECT_EQ(Subst("s/o/0/g", "foo"), "f00");
  EXPECT_EQ(Subst("s/(\\w+)=(\\w+)/$2=$1/", "a=b"), "b=a");
  EXPECT_EQ(Subst("s/(\\w)/${1}x/g", "ab"), "axbx");
  EXPECT_EQ(Subst("s/\\W/\\\\$&/", "a.b.c"), "a\\.b.c");  // escapes the first non-word character
  EXPECT_EQ(Subst("s/b/[$`|$']/", "abc"), "a[a|c]c");
  EXPECT_EQ(Subst("s/x/\\t\\n/", "x"), "\t\n");
  EXPECT_EQ(Subst("s/a/$9/", "a"), "");  // a group the pattern lacks is empty
  EXPECT_EQ(Subst("s/a/5$/", "a"), "5$");
  // The script file name cleaning: backslashes, colons and slashes go.
  EXPECT_EQ(Subst("s/\\///g", Subst("s/://g", Subst("s/\\\\//g", "C:\\a/b:c"))), "Cabc");
  // Perl's rule for empty matches: one may follow a non-empty match.
  EXPECT_EQ(Subst("s/x*/-/g", "xab"), "--a-b-");
  EXPECT_EQ(Subst("s/x*/-/g", "abc"), "-a-b-c-");
  EXPECT_EQ(Subst("s/^/> /gm", "a\nb"), "> a\n> b");

  TBRegExp re;
  std::string text = "abc";
  EXPECT_FALSE(re.Substitute("s/z/y/g", text));
  EXPECT_EQ(text, "abc");
  EXPECT_TRUE(re.Substitute("s/\\\\$//", text = "dir\\"));
  EXPECT_EQ(text, "dir");
}

TEST(BRegExp, SplitFollowsPerl) {
  EXPECT_EQ(SplitAll("/,/", ",a,,b,,"), (Pieces{"", "a", "", "b"}));
  EXPECT_EQ(SplitAll("/,/", "a,b,,,", -1), (Pieces{"a", "b", "", "", ""}));
  EXPECT_EQ(SplitAll("/,/", "a,b,c", 2), (Pieces{"a", "b,c"}));
  EXPECT_EQ(SplitAll("/,/", "a,b,,", 3), (Pieces{"a", "b", ","}));
  EXPECT_EQ(SplitAll("/,/", "a,,", 5), (Pieces{"a", "", ""}));
  EXPECT_EQ(SplitAll("/,/", "a,b", 1), (Pieces{"a,b"}));
  EXPECT_EQ(SplitAll("/,/", ",,,"), Pieces{});
  EXPECT_EQ(SplitAll("/,/", ""), Pieces{});
  EXPECT_EQ(SplitAll("/,/", "abc"), (Pieces{"abc"}));
  EXPECT_EQ(SplitAll("//", "abc"), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(SplitAll("/x*/", "axxb"), (Pieces{"a", "b"}));
  EXPECT_EQ(SplitAll("/(,)/", "a,b"), (Pieces{"a", ",", "b"}));
  EXPECT_EQ(SplitAll("/^/", "a\nb\n"), (Pieces{"a\n", "b\n"}));
  EXPECT_EQ(SplitAll("/\\\\/", "..\\b\\c.txt"), (Pieces{"..", "b", "c.txt"}));
  EXPECT_EQ(SplitAll("/\\s*;\\s*/", "x ; y;z"), (Pieces{"x", "y", "z"}));

  TBRegExp re;
  EXPECT_EQ(re.Split("/,/", "a,b"), 2);
  EXPECT_EQ(re.GetMode(), TBRegExp::kSplit);
  EXPECT_EQ(ErrorOf([&] { re.Get(2); }), "index out of range");
  EXPECT_EQ(ErrorOf([&] { re.Get(-1); }), "index out of range");
}

TEST(BRegExp, DoubleByteCharactersStayWhole) {
  // A pattern holding 表 (trail byte '\\') still finds its closing delimiter.
  TBRegExp re;
  EXPECT_TRUE(re.Match("/a" + kHyo + "b/", "xa" + kHyo + "b"));
  EXPECT_EQ(SplitAll("/" + kHyo + "/", "a" + kHyo + "b"), (Pieces{"a", "b"}));
  // The separator escaped the way the split native does it.
  EXPECT_EQ(SplitAll("/\\" + kHyo + "/", "a" + kHyo + "b"), (Pieces{"a", "b"}));
  EXPECT_EQ(Subst("s/x/" + kHyo + "/", "x"), kHyo);
  EXPECT_EQ(Subst("s/x/\\" + kHyo + "$&/", "x"), kHyo + "x");
  // A match never begins on a trail byte, so removing backslashes keeps 表.
  EXPECT_FALSE(re.Match("/\\\\/", kHyo));
  EXPECT_EQ(Subst("s/\\\\//g", kHyo + "\\" + kHyo), kHyo + kHyo);
  EXPECT_EQ(SplitAll("/\\\\/", "a" + kHyo + "\\b"), (Pieces{"a" + kHyo, "b"}));
  EXPECT_EQ(Subst("s/A/B/g", kA + "A"), kA + "B");
  // Empty matches step over whole characters.
  EXPECT_EQ(Subst("s/x*/-/g", kHyo), "-" + kHyo + "-");
  EXPECT_EQ(SplitAll("//", kHyo + "a"), (Pieces{kHyo, "a"}));
  // High bytes in classes work in byte mode.
  EXPECT_TRUE(re.Match("/^[\\x80-\\xff]+$/", "\xa0\xff\x80"));
}

TEST(BRegExp, ErrorsCarryTheEngineMessage) {
  TBRegExp re;
  re.Match("/a/", "a");
  std::string message = ErrorOf([&] { re.Match("/(abc/", "abc"); });
  EXPECT_NE(message.find("missing closing parenthesis"), std::string::npos) << message;
  EXPECT_EQ(re.GetMode(), TBRegExp::kNone);
  EXPECT_EQ(ErrorOf([&] { re.Count(); }), "no count now");

  EXPECT_NE(ErrorOf([&] { re.Match("/abc", "abc"); }), "(no error)");
  EXPECT_NE(ErrorOf([&] { re.Match("abc", "abc"); }), "(no error)");
  EXPECT_NE(ErrorOf([&] { re.Match("/a/q", "a"); }), "(no error)");
  std::string text = "a";
  EXPECT_NE(ErrorOf([&] { re.Substitute("s/a/b", text); }), "(no error)");
  EXPECT_NE(ErrorOf([&] { re.Substitute("/a/b/", text); }), "(no error)");
  EXPECT_EQ(text, "a");
  EXPECT_NE(ErrorOf([&] { re.Split("/[a/", "abc"); }), "(no error)");
  // UTF mode cannot be switched on from inside a pattern.
  EXPECT_NE(ErrorOf([&] { re.Match("/(*UTF)a/", "a"); }), "(no error)");
  // The error is a run-time error of the script that caused it.
  EXPECT_THROW(re.Match("/*/", "a"), EVMError);
}

TEST(BRegExp, PatternsAreCompiledOnceAndReused) {
  TBRegExp re;
  EXPECT_TRUE(re.Match("/b+/", "abbc"));
  EXPECT_EQ(re.Get(0), "bb");
  EXPECT_TRUE(re.Match("/b+/", "xbx"));
  EXPECT_EQ(re.Get(0), "b");
  EXPECT_EQ(re.CachedPatterns(), 1u);
  std::string text = "abc";
  re.Substitute("s/b/x/", text);
  re.Split("/,/", "a,b");
  EXPECT_EQ(re.CachedPatterns(), 3u);
  // Patterns built from changing text do not grow the cache without bound.
  for (int i = 0; i < 1000; ++i) re.Match("/k" + std::to_string(i) + "/", "k5");
  EXPECT_LE(re.CachedPatterns(), 256u);
  EXPECT_TRUE(re.Match("/k5/", "k5"));
}

TEST(BRegExp, Wrapper2SkipsEmptyText) {
  TBRegExp plain;
  TBRegExp2 second;
  EXPECT_TRUE(plain.Match("/^$/", ""));
  EXPECT_FALSE(second.Match("/^$/", ""));
  EXPECT_EQ(second.Count(), 0);
  EXPECT_TRUE(second.Match("/b/", "abc"));

  std::string a, b;
  EXPECT_TRUE(plain.Substitute("s/^/x/", a));
  EXPECT_EQ(a, "x");
  EXPECT_FALSE(second.Substitute("s/^/x/", b));
  EXPECT_EQ(b, "");
  b = "y";
  EXPECT_TRUE(second.Substitute("s/^/x/", b));
  EXPECT_EQ(b, "xy");
}

TEST(BRegExp, QuotedTextMatchesOnlyItself) {
  TBRegExp re;
  std::string tricky = "a.b+(c)[d]*/e\\f$^|?{1}";
  std::string pattern = "/^" + BRegExpQuote(tricky) + "$/";
  EXPECT_TRUE(re.Match(pattern, tricky));
  EXPECT_FALSE(re.Match(pattern, "aXb+(c)[d]*/e\\f$^|?{1}"));
  EXPECT_FALSE(re.Match("/^" + BRegExpQuote("a+") + "/", "aa"));

  std::string folded = "/^" + BRegExpQuote("Key" + kA, true) + "$/";
  EXPECT_TRUE(re.Match(folded, "kEY" + kA));
  // A trail byte is never folded: ア must not match ヂ.
  EXPECT_FALSE(re.Match(folded, "key" + kDi));
  EXPECT_FALSE(re.Match("/^" + BRegExpQuote(kA) + "$/", kDi));
}

TEST(BRegExp, SharedWrappersAreDistinct) {
  EXPECT_NE(&MarkupRegExp(), &GeneralRegExp());
  EXPECT_EQ(&GeneralRegExp(), &GeneralRegExp());
  GeneralRegExp().Match("/a/", "a");
  MarkupRegExp().Split("/,/", "x,y");
  EXPECT_EQ(GeneralRegExp().GetMode(), TBRegExp::kMatched);
}

}  // namespace
}  // namespace ruvel
