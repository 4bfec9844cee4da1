// Tokens and the token list, and the lexer that cuts a source text into
// tokens by interpreting the lexical rule tree: at each position every
// top-level rule (up to "*Stop") whose first-byte set admits the byte is
// tried, the longest match wins, and a byte that starts no token is skipped.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/yup_rules.h"

namespace ruvel {

// One token: the top-level lexical rule that produced it and the byte
// offsets of its first byte and of the byte behind it in the source.
class TLexElem {
 public:
  TLexElem(const RuleNode* rule, int32_t start, int32_t end, const std::string* source);
  ~TLexElem();
  TLexElem(const TLexElem&) = delete;
  TLexElem& operator=(const TLexElem&) = delete;

  const RuleNode* Rule() const { return rule_; }
  int32_t Start() const { return start_; }
  int32_t End() const { return end_; }
  // The token kind later stages test: the rule's name ("SYMBOL", "while").
  const std::string& Kind() const { return rule_->name; }
  bool Is(std::string_view kind) const { return rule_->name == kind; }
  // The token's bytes in the source.
  std::string Text() const { return source_->substr(start_, end_ - start_); }

 private:
  const RuleNode* rule_;
  int32_t start_;
  int32_t end_;
  const std::string* source_;
};

// The tokens of one source text, with the parser's two cursors. Owns its
// tokens and a copy of the source they point into.
class TLexList {
 public:
  explicit TLexList(std::string source);
  TLexList(const TLexList&) = delete;
  TLexList& operator=(const TLexList&) = delete;

  const std::string& Source() const { return source_; }
  int Count() const { return static_cast<int>(tokens_.size()); }
  const TLexElem& Item(int i) const { return *tokens_[i]; }
  void Add(const RuleNode* rule, int32_t start, int32_t end);
  void Delete(int i);
  // Removes every token whose rule is named kind (the compile driver drops
  // "COMM" this way); returns how many were removed.
  int RemoveKind(std::string_view kind);

  int NextIndex() const { return next_; }
  void SetNextIndex(int index) { next_ = index; }
  // Start offset of the token most recently consumed; 0 before any.
  int32_t LastConsumedStart() const { return last_consumed_ < 0 ? 0 : last_consumed_; }
  bool HasConsumed() const { return last_consumed_ >= 0; }

  // If the next token was produced by exactly this rule node: records its
  // start as the last consumed start, advances and returns it. Otherwise
  // returns nullptr and changes nothing.
  const TLexElem* Consume(const RuleNode* rule);

  // For the parser's reuse of earlier results: how many consumptions have
  // happened, and a replayed consumption of a token that started at start.
  uint64_t ConsumeCount() const { return consume_count_; }
  void ReplayConsumed(int32_t start) {
    last_consumed_ = start;
    ++consume_count_;
  }

 private:
  std::string source_;
  std::vector<std::unique_ptr<TLexElem>> tokens_;
  int next_ = 0;
  int32_t last_consumed_ = -1;
  uint64_t consume_count_ = 0;
};

// Counts of the lexer's work, for tests that check it grows linearly.
struct LexWork {
  uint64_t match_calls = 0;
};

// Tokenizes text (up to its first NUL byte) with a built lexical tree whose
// references and first-byte sets are computed. follow_chains lets repeated
// scans reuse earlier iteration boundaries; switching it off gives the plain
// matcher, which yields the same tokens more slowly (tests compare the two).
std::unique_ptr<TLexList> TokenizeWithRules(const RuleTree& lex_tree, std::string_view text,
                                            LexWork* work = nullptr, bool follow_chains = true);

}  // namespace ruvel
