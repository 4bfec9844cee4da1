#include <gtest/gtest.h>

#include "compiler/yup_stats.h"
#include "platform/cp932.h"
#include "yup_test_util.h"

namespace ruvel {
namespace {

using yup_test::Tokens;

TEST(YupLexer, KeywordsWinOnlyAtEqualLength) {
  EXPECT_EQ(Tokens("while"), "while:while");
  EXPECT_EQ(Tokens("whilex while1 _while"), "SYMBOL:whilex SYMBOL:while1 SYMBOL:_while");
  EXPECT_EQ(Tokens("for fork forx in is if"), "for:for fork:fork SYMBOL:forx in:in is:is if:if");
  // "this" and "super" are plain symbols; keywords are case-sensitive.
  EXPECT_EQ(Tokens("this super While"), "SYMBOL:this SYMBOL:super SYMBOL:While");
}

TEST(YupLexer, OperatorsTakeTheLongestMatch) {
  EXPECT_EQ(Tokens("a+=b"), "SYMBOL:a +=:+= SYMBOL:b");
  EXPECT_EQ(Tokens("a+ =b"), "SYMBOL:a +:+ =:= SYMBOL:b");
  EXPECT_EQ(Tokens("x++ --y"), "SYMBOL:x ++:++ --:-- SYMBOL:y");
  EXPECT_EQ(Tokens("a<=b>=c!=d==e"), "SYMBOL:a <=:<= SYMBOL:b >=:>= SYMBOL:c !=:!= SYMBOL:d ==:== SYMBOL:e");
  EXPECT_EQ(Tokens("||&&|&"), "||:|| &&:&& |:| &:&");
  EXPECT_EQ(Tokens("*= /= %= * / % ! ; , . ( ) { } < > -="),
            "*=:*= /=:/= %=:%= *:* /:/ %:% !:! ;:; ,:, .:. (:( ):) {:{ }:} <:< >:> -=:-=");
  // "===" is "==" then "=".
  EXPECT_EQ(Tokens("==="), "==:== =:=");
}

TEST(YupLexer, Numbers) {
  EXPECT_EQ(Tokens("3.14"), "NUM:3.14");
  EXPECT_EQ(Tokens("3."), "NUM:3 .:.");
  EXPECT_EQ(Tokens(".5"), ".:. NUM:5");
  EXPECT_EQ(Tokens("1.2.3"), "NUM:1.2 .:. NUM:3");
  EXPECT_EQ(Tokens("12ab"), "NUM:12 SYMBOL:ab");
  EXPECT_EQ(Tokens("-7"), "-:- NUM:7");
  EXPECT_EQ(Tokens("0x1F"), "NUM:0 SYMBOL:x1F");
}

TEST(YupLexer, StringsWithEscapesAndTwoByteCharacters) {
  EXPECT_EQ(Tokens("\"\""), "STRING:\"\"");
  EXPECT_EQ(Tokens("\"a\\\"b\" c"), "STRING:\"a\\\"b\" SYMBOL:c");
  EXPECT_EQ(Tokens("\"\\\\\" x"), "STRING:\"\\\\\" SYMBOL:x");
  // The second byte of these characters is a backslash: it neither escapes
  // the closing quote nor ends the literal.
  std::string hyo = Utf8ToCp932("表");
  std::string so = Utf8ToCp932("ソ");
  ASSERT_EQ(hyo, "\x95\x5c");
  std::string text = "\"" + hyo + "\";\"" + so + so + "\"";
  EXPECT_EQ(Tokens(text), "STRING:\"" + hyo + "\" ;:; STRING:\"" + so + so + "\"");
  // A two-byte character may also pair with a quote byte.
  EXPECT_EQ(Tokens("\"\x81\x22\" x"), "STRING:\"\x81\x22\" SYMBOL:x");
  // A single-byte katakana stands alone and does not swallow the quote.
  std::string kana = Utf8ToCp932("ｱｲ");
  ASSERT_EQ(kana.size(), 2u);
  EXPECT_EQ(Tokens("\"" + kana + "\";\"" + kana.substr(0, 1) + "\""),
            "STRING:\"" + kana + "\" ;:; STRING:\"" + kana.substr(0, 1) + "\"");
}

TEST(YupLexer, UnterminatedAndControlBytesInStrings) {
  // No closing quote before the line end: the quote is skipped.
  EXPECT_EQ(Tokens("\"abc\nd"), "SYMBOL:abc SYMBOL:d");
  // A tab cannot occur inside a literal.
  EXPECT_EQ(Tokens("\"a\tb\""), "SYMBOL:a SYMBOL:b");
  // An escaped quote at the end leaves the literal open.
  EXPECT_EQ(Tokens("\"ab\\\""), "SYMBOL:ab");
}

TEST(YupLexer, Comments) {
  EXPECT_EQ(Tokens("a // note\nb"), "SYMBOL:a COMM:// note SYMBOL:b");
  // A tab ends a line comment; the rest of the line is code.
  EXPECT_EQ(Tokens("// x\ty"), "COMM:// x SYMBOL:y");
  EXPECT_EQ(Tokens("/* one\n two */x"), "COMM:/* one\n two */ SYMBOL:x");
  // An asterisk pair is consumed together, so "**/" does not close.
  EXPECT_EQ(Tokens("/* a **/ b */ c"), "COMM:/* a **/ b */ SYMBOL:c");
  EXPECT_EQ(Tokens("/**/x"), "COMM:/**/ SYMBOL:x");
  // Unterminated: not a comment.
  EXPECT_EQ(Tokens("/* a"), "/:/ *:* SYMBOL:a");
  std::string kanji = Utf8ToCp932("漢字");
  EXPECT_EQ(Tokens("//" + kanji), "COMM://" + kanji);
}

TEST(YupLexer, SymbolsAndSkippedBytes) {
  EXPECT_EQ(Tokens("$abc"), "SYMBOL:$abc");
  EXPECT_EQ(Tokens("a$b"), "SYMBOL:a SYMBOL:$b");
  EXPECT_EQ(Tokens("$_doDraw9"), "SYMBOL:$_doDraw9");
  EXPECT_EQ(Tokens("a#b"), "SYMBOL:a SYMBOL:b");
  EXPECT_EQ(Tokens("#?:[]^~\\ \t\r\n"), "");
  EXPECT_EQ(Tokens(""), "");
  std::string name = Utf8ToCp932("変数1");
  EXPECT_EQ(Tokens(name + "+x"), "SYMBOL:" + name + " +:+ SYMBOL:x");
  // Single-byte katakana neither starts nor continues a symbol.
  std::string kana = Utf8ToCp932("ｱ");
  EXPECT_EQ(Tokens("a" + kana + "b"), "SYMBOL:a SYMBOL:b");
}

TEST(YupLexer, TextEndsAtTheFirstNul) {
  std::string text("a b\0c d", 7);
  auto list = ScriptParser().Tokenize(text);
  EXPECT_EQ(yup_test::Tokens(*list), "SYMBOL:a SYMBOL:b");
  EXPECT_EQ(list->Source(), "a b");
}

TEST(YupLexer, OffsetsAndTokenListOperations) {
  auto list = ScriptParser().Tokenize("ab = 1; // c\nx");
  ASSERT_EQ(list->Count(), 6);
  EXPECT_EQ(list->Item(0).Start(), 0);
  EXPECT_EQ(list->Item(0).End(), 2);
  EXPECT_EQ(list->Item(2).Start(), 5);
  EXPECT_EQ(list->Item(5).Start(), 13);
  EXPECT_EQ(list->RemoveKind("COMM"), 1);
  EXPECT_EQ(yup_test::Tokens(*list), "SYMBOL:ab =:= NUM:1 ;:; SYMBOL:x");

  // Consume compares the rule node, advances and records the start.
  const RuleNode* symbol = ScriptParser().LexTree().TopLevel("SYMBOL");
  const RuleNode* num = ScriptParser().LexTree().TopLevel("NUM");
  EXPECT_FALSE(list->HasConsumed());
  EXPECT_EQ(list->LastConsumedStart(), 0);
  EXPECT_EQ(list->Consume(num), nullptr);
  EXPECT_EQ(list->NextIndex(), 0);
  EXPECT_EQ(list->Consume(symbol), &list->Item(0));
  EXPECT_EQ(list->NextIndex(), 1);
  list->SetNextIndex(4);
  EXPECT_EQ(list->Consume(symbol), &list->Item(4));
  EXPECT_EQ(list->LastConsumedStart(), 13);
  EXPECT_EQ(list->Consume(symbol), nullptr);  // past the end
  EXPECT_EQ(list->NextIndex(), 5);
}

TEST(YupLexer, LiveTokenCountFollowsTheLists) {
  int64_t before = LiveTokenCount();
  {
    auto list = ScriptParser().Tokenize("a = b + 1; /* c */");
    EXPECT_EQ(LiveTokenCount(), before + 7);
    list->Delete(0);
    EXPECT_EQ(LiveTokenCount(), before + 6);
    list->RemoveKind("COMM");
    EXPECT_EQ(LiveTokenCount(), before + 5);
  }
  EXPECT_EQ(LiveTokenCount(), before);
}

}  // namespace
}  // namespace ruvel
