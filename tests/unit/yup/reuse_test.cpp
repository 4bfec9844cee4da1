#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "yup_test_util.h"

namespace ruvel {
namespace {

// Random class texts in the script language, as blank-separated tokens.
class TextGenerator {
 public:
  explicit TextGenerator(unsigned seed) : random_(seed) {}

  std::vector<std::string> Program() {
    std::vector<std::string> out;
    if (Chance(2)) Add(out, "extends " + Dotted() + " ;");
    for (int n = Below(3); n > 0; --n) {
      if (Chance(3)) {
        Add(out, "native " + Name() + " ;");
      } else {
        Add(out, std::string(Pick({"function", "constructor", "destructor"})) + " " + Name() + " ( " +
                     (Chance(2) ? "a , b" : "") + " ) {");
        if (Chance(2)) Add(out, "var x , y ;");
        for (int k = Below(3); k > 0; --k) Statement(out, 2);
        Add(out, "}");
      }
    }
    for (int n = Below(4); n > 0; --n) Statement(out, 3);
    return out;
  }

  // Deletes, repeats or swaps a few tokens.
  void Mutate(std::vector<std::string>& tokens) {
    for (int n = Below(3) + 1; n > 0 && !tokens.empty(); --n) {
      size_t i = static_cast<size_t>(Below(static_cast<int>(tokens.size())));
      switch (Below(3)) {
        case 0: tokens.erase(tokens.begin() + i); break;
        case 1: tokens.insert(tokens.begin() + i, tokens[i]); break;
        default: std::swap(tokens[i], tokens[static_cast<size_t>(Below(static_cast<int>(tokens.size())))]); break;
      }
    }
  }

 private:
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
  bool Chance(int n) { return Below(n) == 0; }
  const char* Pick(std::initializer_list<const char*> items) { return items.begin()[Below(static_cast<int>(items.size()))]; }
  std::string Name() { return Pick({"a", "b", "f", "g", "this", "super", "$g", "constructor"}); }
  std::string Dotted() { return Chance(2) ? "A" : "classes . A"; }
  static void Add(std::vector<std::string>& out, const std::string& text) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find(' ', start);
      if (end == std::string::npos) end = text.size();
      if (end > start) out.push_back(text.substr(start, end - start));
      start = end + 1;
    }
  }

  std::string LVal(int depth) {
    std::string s = Name();
    if (depth > 0 && Chance(3)) s += " ( " + Args(depth - 1) + " )";
    if (depth > 0 && Chance(3)) s += " . " + LVal(depth - 1);
    return s;
  }
  std::string Args(int depth) {
    std::string s;
    for (int n = Below(3); n > 0; --n) s += (s.empty() ? "" : " , ") + Expr(depth);
    return s;
  }
  std::string Expr(int depth) {
    if (depth <= 0) return Chance(2) ? Name() : Pick({"1", "2.5", "\"s\"", "null"});
    switch (Below(8)) {
      case 0: return LVal(depth);
      case 1: return "( " + Expr(depth - 1) + " )";
      case 2: return std::string(Pick({"-", "!"})) + " " + Expr(depth - 1);
      case 3: return "new " + Dotted() + " ( " + Args(depth - 1) + " )";
      case 4: return LVal(depth - 1) + " " + Pick({"++", "--"});
      case 5: return Expr(depth - 1) + " is " + Dotted();
      default:
        return Expr(depth - 1) + " " + Pick({"||", "&&", "==", "!=", "<", ">=", "+", "-", "*", "/", "%"}) + " " +
               Expr(depth - 1);
    }
  }
  void Statement(std::vector<std::string>& out, int depth) {
    switch (depth <= 0 ? 0 : Below(8)) {
      case 0:
      case 1:
        Add(out, (Chance(2) ? LVal(2) + " " + Pick({"=", "+=", "-="}) + " " : std::string()) + Expr(3) + " ;");
        break;
      case 2:
        Add(out, "if ( " + Expr(2) + " )");
        Statement(out, depth - 1);
        if (Chance(2)) {
          Add(out, "else");
          Statement(out, depth - 1);
        }
        break;
      case 3:
        Add(out, "while ( " + Expr(2) + " )");
        Statement(out, depth - 1);
        break;
      case 4:
        Add(out, "for ( " + Expr(1) + " ; " + Expr(1) + " ; " + Expr(1) + " )");
        Statement(out, depth - 1);
        break;
      case 5:
        Add(out, "for ( " + LVal(1) + " in " + Expr(2) + " )");
        Statement(out, depth - 1);
        break;
      case 6:
        Add(out, "{");
        for (int n = Below(3); n > 0; --n) Statement(out, depth - 1);
        Add(out, "}");
        break;
      default:
        Add(out, Chance(2) ? "break ;" : Chance(2) ? "return ;" : "return " + Expr(2) + " ;");
        break;
    }
  }

  std::mt19937 random_;
};

// Tokens match only the rule nodes of the parser that made them, so each
// parser tokenizes the text itself.
std::string Outcome(TYup& yup, const std::string& text) {
  auto tokens = yup.Tokenize(text);
  TParseTree tree = yup.Parse(*tokens);
  std::string out = tree ? PrintTree(*tree) : "FAIL " + std::to_string(static_cast<int>(yup.LastFailure()));
  return out + " @" + std::to_string(tokens->LastConsumedStart()) + (tokens->HasConsumed() ? "" : " none");
}

TEST(YupReuse, ReusingResultsGivesTheSameTreesAndErrorPositionsAsPlainDescent) {
  auto reuse = NewScriptParser();
  auto plain = NewScriptParser();
  plain->SetReuseResults(false);
  TextGenerator generator(4242);
  int parsed = 0;
  for (int round = 0; round < 1500; ++round) {
    std::vector<std::string> pieces = generator.Program();
    if (round % 2) generator.Mutate(pieces);
    std::string text;
    for (const std::string& p : pieces) text += p + " ";
    std::string expected = Outcome(*plain, text);
    std::string actual = Outcome(*reuse, text);
    ASSERT_EQ(actual, expected) << text;
    if (!expected.starts_with("FAIL")) ++parsed;
    EXPECT_LE(reuse->LastParseSteps(), plain->LastParseSteps()) << text;
  }
  // Both valid and broken texts were compared.
  EXPECT_GT(parsed, 300);
  EXPECT_LT(parsed, 1400);
}

}  // namespace
}  // namespace ruvel
