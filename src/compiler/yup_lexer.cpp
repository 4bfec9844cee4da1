#include "compiler/yup_lexer.h"

#include <algorithm>
#include <climits>

#include "compiler/yup_stats.h"

namespace ruvel {

TLexElem::TLexElem(const RuleNode* rule, int32_t start, int32_t end, const std::string* source)
    : rule_(rule), start_(start), end_(end), source_(source) {
  yup_stats::TokenCreated();
}

TLexElem::~TLexElem() { yup_stats::TokenDestroyed(); }

TLexList::TLexList(std::string source) : source_(std::move(source)) {}

void TLexList::Add(const RuleNode* rule, int32_t start, int32_t end) {
  tokens_.push_back(std::make_unique<TLexElem>(rule, start, end, &source_));
}

void TLexList::Delete(int i) {
  if (i < 0 || i >= Count()) return;
  tokens_.erase(tokens_.begin() + i);
}

int TLexList::RemoveKind(std::string_view kind) {
  auto keep_end = std::remove_if(tokens_.begin(), tokens_.end(),
                                 [&](const std::unique_ptr<TLexElem>& t) { return t->Is(kind); });
  int removed = static_cast<int>(tokens_.end() - keep_end);
  tokens_.erase(keep_end, tokens_.end());
  return removed;
}

const TLexElem* TLexList::Consume(const RuleNode* rule) {
  if (next_ < 0 || next_ >= Count() || tokens_[next_]->Rule() != rule) return nullptr;
  const TLexElem* token = tokens_[next_].get();
  last_consumed_ = token->Start();
  ++consume_count_;
  ++next_;
  return token;
}

namespace {

// Rule trees are program data and shallow; this only stops a rule text that
// refers to itself from exhausting the stack.
constexpr int kMaxLexDepth = 256;

// Matches lexical rule nodes against the text in place. A greedy repetition
// never gives back iterations, so where one iteration of a node ends depends
// only on where it starts. Each repetition node keeps the chain of iteration
// boundaries of its last run; a later run that reaches a boundary of that
// chain follows it instead of matching again, and extends it when the chain
// ended only because the earlier run reached its maximum. This keeps rescans
// of long unterminated comments and strings from growing quadratically.
class LexMatcher {
 public:
  LexMatcher(const char* text, size_t end, int32_t node_count, bool follow_chains)
      : text_(reinterpret_cast<const uint8_t*>(text)), end_(end), records_(node_count),
        follow_chains_(follow_chains) {}

  bool Match(const RuleNode& node, size_t& pos) {
    ++calls_;
    if (depth_ >= kMaxLexDepth) return false;
    ++depth_;
    bool ok = MatchKind(node, pos);
    --depth_;
    return ok;
  }

  uint64_t Calls() const { return calls_; }

 private:
  struct RepeatChain {
    bool valid = false;
    bool busy = false;            // a run of the node is using the chain
    bool ends_in_failure = false;  // an iteration from the last mark fails
    std::vector<uint32_t> marks;   // each mark is where one iteration from the previous ends
  };

  bool MatchKind(const RuleNode& node, size_t& pos) {
    switch (node.kind) {
      case RuleKind::Literal: {
        size_t n = node.name.size();
        if (n > end_ - pos) return false;
        for (size_t i = 0; i < n; ++i)
          if (text_[pos + i] != static_cast<uint8_t>(node.name[i])) return false;
        pos += n;
        return true;
      }
      case RuleKind::Range: {
        if (pos >= end_) return false;
        uint8_t b = text_[pos];
        if (b < node.low || b > node.high) return false;
        ++pos;
        return true;
      }
      case RuleKind::Alternation:
        for (const auto& child : node.children) {
          size_t p = pos;
          if (Match(*child->target, p)) {
            pos = p;
            return true;
          }
        }
        return false;
      case RuleKind::Sequence:
        return node.max_repeat > 1 ? MatchRepeat(node, pos) : MatchOnce(node, pos);
      case RuleKind::Reference:
        return node.target != &node && Match(*node.target, pos);
      case RuleKind::Token:
        return false;
    }
    return false;
  }

  bool MatchIteration(const RuleNode& node, size_t& pos) {
    for (const auto& child : node.children)
      if (!Match(*child->target, pos)) return false;
    return true;
  }

  // A sequence that repeats at most once.
  bool MatchOnce(const RuleNode& node, size_t& pos) {
    int32_t count = 0;
    if (node.max_repeat >= 1) {
      size_t p = pos;
      if (MatchIteration(node, p)) {
        pos = p;
        count = 1;
      }
    }
    return count >= node.min_repeat;
  }

  bool MatchRepeat(const RuleNode& node, size_t& pos) {
    RepeatChain& chain = records_[node.id];
    // A node that repeats inside itself, or the plain matcher, does not use chains.
    if (chain.busy || !follow_chains_) return MatchRepeatPlain(node, pos);
    chain.busy = true;
    size_t start = pos;
    if (scratch_.size() <= static_cast<size_t>(depth_)) scratch_.resize(depth_ + 1);
    std::vector<uint32_t> marks;
    marks.swap(scratch_[depth_]);
    marks.clear();
    marks.push_back(static_cast<uint32_t>(pos));

    int32_t count = 0;
    size_t j = 0;
    bool following = false;  // extending the chain from its last mark
    bool joined = false;     // reached the chain at some point
    while (count < node.max_repeat) {
      if (!joined && chain.valid) {
        const std::vector<uint32_t>& old = chain.marks;
        j = std::lower_bound(old.begin() + std::min(j, old.size()), old.end(), static_cast<uint32_t>(pos)) -
            old.begin();
        if (j < old.size() && old[j] == pos) {
          joined = true;
          size_t last = old.size() - 1;
          size_t take = std::min(last - j, static_cast<size_t>(node.max_repeat - count));
          pos = old[j + take];
          count += static_cast<int32_t>(take);
          if (j + take < last || chain.ends_in_failure || count >= node.max_repeat) break;
          following = true;
          continue;
        }
      }
      size_t p = pos;
      if (!MatchIteration(node, p)) {
        if (following) chain.ends_in_failure = true;
        break;
      }
      pos = p;
      ++count;
      (following ? chain.marks : marks).push_back(static_cast<uint32_t>(pos));
    }

    if (!joined) {
      chain.marks.swap(marks);
      chain.valid = true;
      chain.ends_in_failure = count < node.max_repeat;
    }
    marks.swap(scratch_[depth_]);
    chain.busy = false;

    if (count >= node.min_repeat) return true;
    pos = start;
    return false;
  }

  bool MatchRepeatPlain(const RuleNode& node, size_t& pos) {
    size_t start = pos;
    int32_t count = 0;
    while (count < node.max_repeat) {
      size_t p = pos;
      if (!MatchIteration(node, p)) break;
      pos = p;
      ++count;
    }
    if (count >= node.min_repeat) return true;
    pos = start;
    return false;
  }

  const uint8_t* text_;
  size_t end_;
  std::vector<RepeatChain> records_;
  bool follow_chains_;
  std::vector<std::vector<uint32_t>> scratch_;
  int depth_ = 0;
  uint64_t calls_ = 0;
};

}  // namespace

std::unique_ptr<TLexList> TokenizeWithRules(const RuleTree& lex_tree, std::string_view text, LexWork* work,
                                            bool follow_chains) {
  size_t end = text.find('\0');
  if (end == std::string_view::npos) end = text.size();
  // Offsets are 32-bit; text beyond that is not read.
  end = std::min<size_t>(end, INT32_MAX);
  auto list = std::make_unique<TLexList>(std::string(text.substr(0, end)));
  if (!lex_tree.root) return list;

  std::vector<const RuleNode*> rules;
  for (const auto& top : lex_tree.root->children) {
    if (top->name == "*Stop") break;
    rules.push_back(top.get());
  }

  const std::string& source = list->Source();
  LexMatcher matcher(source.data(), end, lex_tree.node_count, follow_chains);
  size_t pos = 0;
  while (pos < end) {
    uint8_t b = static_cast<uint8_t>(source[pos]);
    size_t best = pos;
    const RuleNode* best_rule = nullptr;
    for (const RuleNode* rule : rules) {
      if (!rule->first.Has(b)) continue;
      size_t p = pos;
      if (matcher.Match(*rule->target, p) && p > best) {
        best = p;
        best_rule = rule;
      }
    }
    if (best_rule) {
      list->Add(best_rule, static_cast<int32_t>(pos), static_cast<int32_t>(best));
      pos = best;
    } else {
      ++pos;
    }
  }
  if (work) work->match_calls += matcher.Calls();
  return list;
}

}  // namespace ruvel
