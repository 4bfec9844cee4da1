#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "compiler/yup_stats.h"
#include "yup_test_util.h"

namespace ruvel {
namespace {

std::string Repeat(const std::string& piece, int n) {
  std::string out;
  out.reserve(piece.size() * n);
  for (int i = 0; i < n; ++i) out += piece;
  return out;
}

// A class body of about 6 * n lines in the usual style.
std::string TypicalClass(int n) {
  std::string text = "extends classes.lang.Object;\n";
  for (int i = 0; i < n; ++i) {
    std::string k = std::to_string(i);
    text += "function f" + k + "(a, b) { var t; // helper " + k + "\n"
            "  t = a * 2 + b.len(\"text " + k + "\");\n"
            "  if (t > 10 && !done) { t -= 1; } else t++;\n"
            "  for (i = 0; i < t; i++) sum = sum + i;\n"
            "  return $g.count(t, f" + k + "(1, 2));\n}\n";
  }
  for (int i = 0; i < n; ++i) text += "x" + std::to_string(i) + " = new classes.A(" + std::to_string(i) + ");\n";
  return text;
}

double Millis(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

struct Work {
  uint64_t lex = 0;
  uint64_t parse = 0;
  bool parsed = false;
};

Work Measure(const std::string& text) {
  TYup& yup = ScriptParser();
  Work w;
  auto tokens = yup.Tokenize(text);
  w.lex = yup.LastLexSteps();
  tokens->RemoveKind("COMM");
  w.parsed = yup.Parse(*tokens) != nullptr;
  w.parse = yup.LastParseSteps();
  return w;
}

TEST(YupRobustness, WorkGrowsLinearlyWithTheLengthOfAClass) {
  std::string small = TypicalClass(500);
  std::string large = TypicalClass(1000);
  auto start = std::chrono::steady_clock::now();
  Work a = Measure(small);
  Work b = Measure(large);
  std::printf("[ yup ] %zu bytes: lex %llu, parse %llu steps; %zu bytes: lex %llu, parse %llu steps; %.1f ms\n",
              small.size(), (unsigned long long)a.lex, (unsigned long long)a.parse, large.size(),
              (unsigned long long)b.lex, (unsigned long long)b.parse, Millis(start));
  ASSERT_TRUE(a.parsed && b.parsed);
  EXPECT_LT(static_cast<double>(b.lex) / a.lex, 2.2);
  EXPECT_LT(static_cast<double>(b.parse) / a.parse, 2.2);
}

TEST(YupRobustness, UnterminatedCommentsAndStringsAreNotRescannedQuadratically) {
  for (const std::string& piece : {std::string("a/*b "), std::string("\\\""), std::string("/*\n")}) {
    std::string prefix = piece == "\\\"" ? "\"" : "";
    Work a = Measure(prefix + Repeat(piece, 20000));
    Work b = Measure(prefix + Repeat(piece, 40000));
    EXPECT_LT(static_cast<double>(b.lex) / a.lex, 2.2) << piece;
    EXPECT_LT(b.lex, 200u * 40000u) << piece;
  }
  // The same line of text keeps its tokens although the lexer skips rescans.
  EXPECT_EQ(yup_test::Tokens("a/*b a/*b"), "SYMBOL:a /:/ *:* SYMBOL:b SYMBOL:a /:/ *:* SYMBOL:b");
  EXPECT_EQ(yup_test::Tokens("\"\\\"\\\" x\n\"ok\" /*/ c /*/"), "SYMBOL:x STRING:\"ok\" COMM:/*/ c /*/");
}

TEST(YupRobustness, NestedCallsCostLinearWork) {
  auto nested = [](int depth, bool closed) {
    std::string text = Repeat("f(", depth) + "x";
    if (closed) text += Repeat(")", depth) + ";";
    return text;
  };
  Work a = Measure(nested(30, true));
  Work b = Measure(nested(60, true));
  ASSERT_TRUE(a.parsed && b.parsed);
  EXPECT_LT(static_cast<double>(b.parse) / a.parse, 2.5);
  // Unclosed, every level fails; the failures are not retried either.
  Work c = Measure(nested(30, false));
  Work d = Measure(nested(60, false));
  EXPECT_FALSE(c.parsed || d.parsed);
  EXPECT_LT(static_cast<double>(d.parse) / c.parse, 2.5);
  std::printf("[ yup ] nested calls 30/60: %llu/%llu steps, unclosed %llu/%llu\n", (unsigned long long)a.parse,
              (unsigned long long)b.parse, (unsigned long long)c.parse, (unsigned long long)d.parse);
}

TEST(YupRobustness, DeepNestingFailsInsteadOfOverflowingTheStack) {
  ScriptParser().Build();  // its prototypes count as live lists
  int64_t lists = LiveResultListCount();
  {
    auto ok = yup_test::Parse("x = " + Repeat("(", 100) + "1" + Repeat(")", 100) + ";");
    EXPECT_NE(ok.tree, nullptr);
  }
  for (const std::string& text :
       {"x = " + Repeat("(", 20000) + "1" + Repeat(")", 20000) + ";", Repeat("{", 20000) + Repeat("}", 20000),
        Repeat("if (a) ", 20000) + "b;", "x = " + Repeat("-(", 20000) + "1;", Repeat("a.f(", 20000)}) {
    auto p = yup_test::Parse(text);
    EXPECT_EQ(p.tree, nullptr);
    EXPECT_EQ(ScriptParser().LastFailure(), ParseFailure::TooDeep);
    EXPECT_GT(p.tokens->LastConsumedStart(), 0);
  }
  EXPECT_EQ(LiveResultListCount(), lists);
}

TEST(YupRobustness, ArbitraryBytesNeverCrash) {
  ScriptParser().Build();
  int64_t tokens = LiveTokenCount();
  int64_t lists = LiveResultListCount();
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> byte(1, 255);
  std::string noise(1 << 20, ' ');
  for (char& c : noise) c = static_cast<char>(byte(random));
  // Source-like noise: symbols, operators and brackets in random order.
  const char* pieces[] = {"a", "(", ")", "{", "}", ";", "=", "+", "f(", "\"s\"", "if", "for", "in", ".", ",", "1"};
  std::uniform_int_distribution<int> pick(0, 15);
  std::string soup;
  for (int i = 0; i < 200000; ++i) soup += std::string(pieces[pick(random)]) + " ";
  for (const std::string* text : {&noise, &soup}) {
    auto start = std::chrono::steady_clock::now();
    Work w = Measure(*text);
    std::printf("[ yup ] %zu bytes of noise: lex %llu, parse %llu steps, %.1f ms\n", text->size(),
                (unsigned long long)w.lex, (unsigned long long)w.parse, Millis(start));
    EXPECT_FALSE(w.parsed);
  }
  EXPECT_EQ(LiveTokenCount(), tokens);
  EXPECT_EQ(LiveResultListCount(), lists);
}

}  // namespace
}  // namespace ruvel

namespace ruvel {
namespace {

std::string PlainTokens(std::string_view text) {
  return yup_test::Tokens(*TokenizeWithRules(ScriptParser().LexTree(), text, nullptr, false));
}

TEST(YupRobustness, FollowingIterationChainsGivesTheSameTokensAsPlainMatching) {
  ScriptParser().Build();
  // Random texts over the bytes that open, close and escape comments and strings.
  const std::string alphabet = std::string("/*/*\"\"\\\\aa1. \n\t") + "\x81\xb1\x5c\x22";
  std::mt19937 random(777);
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> length(1, 300);
  for (int round = 0; round < 400; ++round) {
    std::string text;
    for (int n = length(random); n > 0; --n) text += alphabet[pick(random)];
    ASSERT_EQ(yup_test::Tokens(text), PlainTokens(text)) << text;
  }
  // Runs that stop at the repetition maximum (123456 iterations) and later
  // runs that start inside them.
  std::string text = "/*";
  for (int i = 0; i < 5; ++i) text += std::string(997, 'a') + "/*";
  text += std::string(200000, 'a') + "*/ x \"" + std::string(130000, 'b') + "\\\"" + std::string(5, 'c') + "\"";
  EXPECT_EQ(yup_test::Tokens(text), PlainTokens(text));
  // The first comment's scan stops at the maximum near offset 123459; the
  // second opener lies inside that scan, and its own scan runs on to the
  // closing pair behind it, so only the second one is a comment.
  std::string two = "/*" + std::string(998, 'a') + "/*" + std::string(123959 - 1002, 'a') + "*/ x";
  std::string expected = PlainTokens(two);
  EXPECT_TRUE(expected.starts_with("/:/ *:* SYMBOL:aaa")) << expected.substr(0, 40);
  EXPECT_NE(expected.find(" COMM:/*aaa"), std::string::npos);
  EXPECT_TRUE(expected.ends_with("aaa*/ SYMBOL:x"));
  EXPECT_EQ(yup_test::Tokens(two), expected);
}

}  // namespace
}  // namespace ruvel
