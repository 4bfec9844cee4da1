#include <gtest/gtest.h>

#include <sstream>

#include "compiler/yup_stats.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "yup_test_util.h"

namespace ruvel {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

const char kSmallLex[] =
    "Lexical\n"
    " 'a\n"
    " 'b\n"
    " 'c\n"
    " WORD\n"
    "  [}\n"
    "   -\n"
    "    'x\n"
    "    'z\n"
    "@\n"
    " 'ignored after the end\n";

std::unique_ptr<TYup> SmallYup(const std::string& grammar) {
  auto yup = std::make_unique<TYup>();
  yup->LexNode() = Lines(kSmallLex);
  yup->GramNode() = Lines(grammar);
  yup->SetOnCreateList(&CreateGrammarList);
  return yup;
}

std::string ParseWith(TYup& yup, const std::string& text) {
  auto tokens = yup.Tokenize(text);
  TParseTree tree = yup.Parse(*tokens);
  return tree ? PrintTree(*tree) : "FAIL";
}

TEST(YupEngine, RepetitionUndoesAFailedIteration) {
  auto yup = SmallYup("Grammar\n Program\n  {}\n   'a\n   'b\n  'a\n@\n");
  EXPECT_EQ(ParseWith(*yup, "a b a"), "(G_Program (G_Err a b) a)");
  EXPECT_EQ(ParseWith(*yup, "a b a b a"), "(G_Program (G_Err a b a b) a)");
  EXPECT_EQ(ParseWith(*yup, "a"), "(G_Program (G_Err) a)");
  // The repetition eats "a b"; nothing is left for the final "a".
  EXPECT_EQ(ParseWith(*yup, "a b"), "FAIL");
  EXPECT_EQ(yup->LastFailure(), ParseFailure::NoMatch);

  // The second iteration stops at "c" after consuming "a"; the index goes
  // back so the final "a" matches, and "c" is left over.
  auto tokens = yup->Tokenize("a b a c");
  EXPECT_EQ(yup->Parse(*tokens), nullptr);
  EXPECT_EQ(yup->LastFailure(), ParseFailure::TokensLeft);
  EXPECT_EQ(tokens->NextIndex(), 3);
  EXPECT_EQ(tokens->LastConsumedStart(), 4);
}

TEST(YupEngine, GroupsAlternativesAndNamedRules) {
  auto yup = SmallYup(
      "Grammar\n"
      " Program\n"
      "  []\n"
      "   'c\n"
      "  |\n"
      "   'a\n"
      "   Pair\n"
      "  []Tail\n"
      "   'WORD\n"
      " Pair\n"
      "  'b\n"
      "  Inner\n"
      " Inner\n"
      "  'c\n"
      "@\n");
  // An optional group that matched nothing yields an empty list; an
  // alternation yields its choice directly; a named optional rule yields a
  // list of its own class even when empty.
  EXPECT_EQ(ParseWith(*yup, "a"), "(G_Program (G_Err) a (G_Err))");
  EXPECT_EQ(ParseWith(*yup, "c b c xyz"), "(G_Program (G_Err c) (G_Err b (G_Err c)) (G_Err xyz))");
  EXPECT_EQ(ParseWith(*yup, "b"), "FAIL");
}

TEST(YupEngine, ResultListsAndParsesAreCounted) {
  auto yup = SmallYup("Grammar\n Program\n  {}\n   'a\n   'b\n  'a\n@\n");
  yup->Build();
  int64_t lists = LiveResultListCount();
  int64_t parses = ParsesInFlight();
  auto tokens = yup->Tokenize("a b a b a");
  {
    TParseTree tree = yup->Parse(*tokens);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(LiveResultListCount(), lists + 2);
    EXPECT_EQ(ParsesInFlight(), parses + 1);
  }
  EXPECT_EQ(LiveResultListCount(), lists);
  EXPECT_EQ(ParsesInFlight(), parses);
  // A failed parse leaves nothing behind and counts no parse.
  auto bad = yup->Tokenize("a b");
  EXPECT_EQ(yup->Parse(*bad), nullptr);
  EXPECT_EQ(LiveResultListCount(), lists);
  EXPECT_EQ(ParsesInFlight(), parses);
}

TEST(YupEngine, BuildMessagesAndMissingHandler) {
  yup_test::CaptureSink sink;
  auto yup = std::make_unique<TYup>();
  yup->LexNode() = Lines("Lexical\n 'a \n -\n  x\n  $41\n 'b\n@\n");
  yup->GramNode() = Lines("Grammar\n Program\n  'nosuch\n  'a\n@\n");
  EXPECT_THROW(
      {
        try {
          yup->Build();
        } catch (const ERuvel& e) {
          EXPECT_EQ(e.Message(), "No onCreateList Assigned");
          throw;
        }
      },
      ERuvel);
  EXPECT_FALSE(yup->Built());
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0], "Wanring: extra space in  'a ");
  EXPECT_EQ(sink.messages[1], J("バグ発生:") + "Please Put '' or $ at the first letters of each children");

  sink.messages.clear();
  yup->SetOnCreateList(&CreateGrammarList);
  yup->Build();
  EXPECT_TRUE(yup->Built());
  ASSERT_EQ(sink.messages.size(), 4u);
  EXPECT_EQ(sink.messages[2], J("バグ発生:") + "nosuch is not linked.");
  // The literal keeps its trailing blank ("a "), so 'a links to nothing either.
  EXPECT_EQ(sink.messages[3], J("バグ発生:") + "a is not linked.");
  // Unlinked tokens never match.
  auto tokens = yup->Tokenize("a b");
  EXPECT_EQ(yup_test::Tokens(*tokens), "a :a  b:b");
  EXPECT_EQ(yup->Parse(*tokens), nullptr);
}

TEST(YupEngine, ReferencesResolveCaseSensitivelyToTheFirstRule) {
  auto yup = std::make_unique<TYup>();
  yup->LexNode() = Lines(
      "Lexical\n"
      " NUM\n"
      "  [}\n"
      "   digit\n"
      " ALSO\n"
      "  [}\n"
      "   Digit\n"
      " *Stop\n"
      " -Digit\n"
      "  '0\n"
      "  '9\n"
      " -Digit\n"
      "  'a\n"
      "  'z\n"
      "@\n");
  yup->GramNode() = Lines("Grammar\n Program\n@\n");
  yup->SetOnCreateList(&CreateGrammarList);
  // "digit" names no rule and matches empty, so NUM never yields a token;
  // "Digit" is the first rule of that name (0-9), not the second (a-z).
  EXPECT_EQ(yup_test::Tokens(*yup->Tokenize("12 ab 3")), "ALSO:12 ALSO:3");
  const RuleNode* num = yup->LexTree().TopLevel("NUM");
  ASSERT_NE(num, nullptr);
  EXPECT_EQ(num->children[0]->children[0]->kind, RuleKind::Sequence);
  // An empty 1..1 sequence admits no byte, so NUM is never even tried.
  EXPECT_EQ(num->first.Count(), 0);
}

TEST(YupEngine, ScriptRuleTreesAreWiredAsDescribed) {
  TYup& yup = ScriptParser();
  yup.Build();
  const RuleTree& lex = yup.LexTree();
  // First-byte sets of the token rules.
  const RuleNode* num = lex.TopLevel("NUM");
  EXPECT_EQ(num->first.Count(), 10);
  EXPECT_TRUE(num->first.Has('0') && num->first.Has('9') && !num->first.Has('.'));
  EXPECT_EQ(lex.TopLevel("COMM")->first.Count(), 1);
  EXPECT_TRUE(lex.TopLevel("COMM")->first.Has('/'));
  EXPECT_EQ(lex.TopLevel("STRING")->first.Count(), 1);
  const RuleNode* symbol = lex.TopLevel("SYMBOL");
  EXPECT_EQ(symbol->first.Count(), 26 * 2 + 2 + 32 + 32);  // letters, "_", "$", lead bytes
  EXPECT_FALSE(symbol->first.Has(0xb1));
  EXPECT_TRUE(symbol->first.Has(0x82));
  // Self-named lines become named sequences; references point at rules.
  EXPECT_EQ(lex.TopLevel("COMM")->kind, RuleKind::Sequence);
  EXPECT_EQ(lex.TopLevel("*Stop")->kind, RuleKind::Sequence);
  EXPECT_TRUE(lex.TopLevel("*Stop")->children.empty());
  const RuleNode* digit_ref = num->children[0]->children[0].get();
  EXPECT_EQ(digit_ref->target, lex.TopLevel("Digit"));
  EXPECT_EQ(lex.TopLevel("Digit")->kind, RuleKind::Range);
  EXPECT_EQ(lex.TopLevel("Digit")->low, '0');
  EXPECT_EQ(lex.TopLevel("Digit")->high, '9');

  const RuleTree& gram = yup.GramTree();
  EXPECT_EQ(gram.root->children[0]->name, "Program");
  EXPECT_STREQ(gram.TopLevel("Program")->prototype->ClassName(), "G_Program");
  EXPECT_EQ(gram.TopLevel("Sentence")->kind, RuleKind::Alternation);
  const RuleNode* extends = gram.TopLevel("Extends");
  EXPECT_EQ(extends->kind, RuleKind::Sequence);
  EXPECT_EQ(extends->min_repeat, 0);
  EXPECT_EQ(extends->max_repeat, 1);
  EXPECT_STREQ(extends->prototype->ClassName(), "G_Extends");
  const RuleNode* comment_token = gram.TopLevel("Comment")->children[0].get();
  EXPECT_EQ(comment_token->kind, RuleKind::Token);
  EXPECT_EQ(comment_token->lex_rule, lex.TopLevel("COMM"));
  EXPECT_STREQ(gram.TopLevel("Comment")->prototype->ClassName(), "TResList");
  // The group under Program is anonymous: its lists are G_Err.
  EXPECT_STREQ(gram.TopLevel("Program")->children[1]->prototype->ClassName(), "G_Err");
  EXPECT_EQ(gram.TopLevel("Program")->children[1]->max_repeat, kUnboundedRepeat);
}

}  // namespace
}  // namespace ruvel
