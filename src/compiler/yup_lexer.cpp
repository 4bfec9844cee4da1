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
// never gives back iterations, so its end depends only on where it starts;
// each repetition node remembers the iteration boundaries of its last run
// that ended on a failing iteration, and a later run that reaches one of
// those boundaries ends where that run ended. This keeps rescans of long
// unterminated comments and strings from growing quadratically.
class LexMatcher {
 public:
  LexMatcher(const char* text, size_t end, int32_t node_count)
      : text_(reinterpret_cast<const uint8_t*>(text)), end_(end), records_(node_count) {}

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
  struct RepeatRecord {
    bool valid = false;
    std::vector<uint32_t> marks;  // marks[i]: position after i iterations; last one is the stop
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
    size_t start = pos;
    RepeatRecord& record = records_[node.id];
    if (scratch_.size() <= static_cast<size_t>(depth_)) scratch_.resize(depth_ + 1);
    std::vector<uint32_t> marks;
    marks.swap(scratch_[depth_]);
    marks.clear();
    marks.push_back(static_cast<uint32_t>(pos));

    int32_t count = 0;
    size_t j = 0;
    bool converged = false;
    while (count < node.max_repeat) {
      if (record.valid) {
        const std::vector<uint32_t>& old = record.marks;
        while (j < old.size() && old[j] < pos) ++j;
        if (j < old.size() && old[j] == pos) {
          size_t remaining = old.size() - 1 - j;
          size_t take = std::min(remaining, static_cast<size_t>(node.max_repeat - count));
          pos = old[j + take];
          count += static_cast<int32_t>(take);
          converged = true;
          break;
        }
      }
      size_t p = pos;
      if (!MatchIteration(node, p)) break;
      pos = p;
      ++count;
      marks.push_back(static_cast<uint32_t>(pos));
    }

    if (!converged && count < node.max_repeat) {
      record.marks.swap(marks);
      record.valid = true;
    }
    marks.swap(scratch_[depth_]);

    if (count >= node.min_repeat) return true;
    pos = start;
    return false;
  }

  const uint8_t* text_;
  size_t end_;
  std::vector<RepeatRecord> records_;
  std::vector<std::vector<uint32_t>> scratch_;
  int depth_ = 0;
  uint64_t calls_ = 0;
};

}  // namespace

std::unique_ptr<TLexList> TokenizeWithRules(const RuleTree& lex_tree, std::string_view text, LexWork* work) {
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
  LexMatcher matcher(source.data(), end, lex_tree.node_count);
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
