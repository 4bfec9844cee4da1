// TYup: the table-driven front end of the script compiler. It carries the
// lexical and the syntax rule texts as data, builds rule trees from them on
// first use, cuts source text into tokens and parses a token list into a
// tree of result lists by backtracking, ordered-choice descent. The class of
// each list is chosen by the OnCreateList handler; the engine itself knows
// nothing of the script language.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/result_list.h"
#include "compiler/yup_lexer.h"
#include "compiler/yup_rules.h"

namespace ruvel {

// The record OnCreateList receives: the rule name in, a new empty list (the
// prototype of every list that rule yields) out.
struct TCreateListArgs {
  std::string name;
  std::unique_ptr<TResList> list;
};
using TCreateListEvent = std::function<void(TCreateListArgs& args)>;

// Frees a parse tree and counts it out of ParsesInFlight.
struct ParseTreeDeleter {
  void operator()(TResList* tree) const;
};
using TParseTree = std::unique_ptr<TResList, ParseTreeDeleter>;

enum class ParseFailure {
  None,
  NoMatch,     // the start rule did not match
  TokensLeft,  // the start rule matched but tokens remain behind it
  TooDeep,     // the nesting exceeded TYup::kMaxParseDepth
};

class TYup {
 public:
  // Nesting of rule matches beyond which a parse fails instead of running
  // out of stack; about 250 levels of parentheses in the script grammar.
  static constexpr int kMaxParseDepth = 2500;

  TYup();
  ~TYup();
  TYup(const TYup&) = delete;
  TYup& operator=(const TYup&) = delete;

  // The rule texts; change them only before the first Tokenize.
  std::vector<std::string>& LexNode() { return lex_text_; }
  std::vector<std::string>& GramNode() { return gram_text_; }
  void SetOnCreateList(TCreateListEvent handler) { on_create_list_ = std::move(handler); }

  bool Built() const { return built_; }
  // Builds both rule trees unless built: the lexical tree, its references
  // and first-byte sets, then the syntax tree and its references. Raises
  // ERuvel "No onCreateList Assigned" when no handler is set.
  void Build();

  // Cuts text into tokens; the list belongs to the caller.
  std::unique_ptr<TLexList> Tokenize(std::string_view text);
  // Parses tokens with the first syntax rule. Returns nullptr when the rule
  // does not match, tokens are left over, or the nesting is too deep; the
  // syntax error's position is then tokens.LastConsumedStart().
  TParseTree Parse(TLexList& tokens);

  ParseFailure LastFailure() const { return last_failure_; }
  // Work done by the last Tokenize and Parse (rule match attempts).
  uint64_t LastLexSteps() const { return last_lex_steps_; }
  uint64_t LastParseSteps() const { return last_parse_steps_; }

  // Reuse of earlier results for a rule tried again at the same token (on
  // by default). Off, the parser retries from scratch, which gives the same
  // trees and positions but may take exponential time; tests compare the two.
  void SetReuseResults(bool on) { reuse_results_ = on; }

  const RuleTree& LexTree() const { return lex_tree_; }
  const RuleTree& GramTree() const { return gram_tree_; }

 private:
  std::vector<std::string> lex_text_;
  std::vector<std::string> gram_text_;
  TCreateListEvent on_create_list_;
  bool built_ = false;
  bool reuse_results_ = true;
  RuleTree lex_tree_;
  RuleTree gram_tree_;
  ParseFailure last_failure_ = ParseFailure::None;
  uint64_t last_lex_steps_ = 0;
  uint64_t last_parse_steps_ = 0;
};

}  // namespace ruvel
