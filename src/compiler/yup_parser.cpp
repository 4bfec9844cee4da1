#include "compiler/yup_parser.h"

#include <unordered_map>

#include "compiler/yup_stats.h"
#include "platform/error.h"

namespace ruvel {

void ParseTreeDeleter::operator()(TResList* tree) const {
  delete tree;
  yup_stats::ParseFinished();
}

namespace {

// Raised when the nesting of matches exceeds the limit; ends the parse.
struct ParseTooDeep {};

// A failed top-level rule is remembered only when the attempt was costly;
// cheap failures (most rules fail at their first token) are retried.
constexpr uint64_t kRememberFailureSteps = 16;

// One parse of one token list. Matching is the ordered-choice descent of the
// rule tree; its result depends only on the rule and the token index, so a
// top-level rule tried again at the same index is answered from what the
// earlier attempt found: a costly failure is remembered, and a list that
// backtracking threw away is kept aside and handed out again. Together they
// keep inputs such as nested calls f(g(h(x))) linear instead of doubling the
// work at every level, while the trees and the last consumed position come
// out exactly as a plain retry would produce them.
class ParseSession {
 public:
  ParseSession(TLexList& tokens, bool reuse)
      : tokens_(tokens), key_stride_(static_cast<uint64_t>(tokens.Count()) + 1), reuse_(reuse) {}

  bool Match(const RuleNode& node, TResultItem& out) {
    ++steps_;
    if (depth_ >= TYup::kMaxParseDepth) throw ParseTooDeep{};
    ++depth_;
    bool ok;
    switch (node.kind) {
      case RuleKind::Token:
        ok = ConsumeToken(node, out);
        break;
      case RuleKind::Sequence:
      case RuleKind::Alternation:
        ok = node.top_level && reuse_ ? MatchRemembered(node, out) : MatchRule(node, out);
        break;
      default:
        ok = false;
        break;
    }
    --depth_;
    return ok;
  }

  uint64_t Steps() const { return steps_; }

 private:
  uint64_t Key(const RuleNode& node, int index) const {
    return static_cast<uint64_t>(node.id) * key_stride_ + static_cast<uint64_t>(index);
  }

  bool ConsumeToken(const RuleNode& node, TResultItem& out) {
    const TLexElem* token = tokens_.Consume(node.lex_rule);
    if (!token) return false;
    out.token = token;
    out.list.reset();
    return true;
  }

  bool MatchChild(const RuleNode& child, TResultItem& out) {
    if (child.kind == RuleKind::Token) return ConsumeToken(child, out);
    return Match(*child.target, out);
  }

  bool MatchRule(const RuleNode& node, TResultItem& out) {
    return node.kind == RuleKind::Sequence ? MatchSequence(node, out) : MatchAlternation(node, out);
  }

  bool MatchRemembered(const RuleNode& node, TResultItem& out) {
    uint64_t key = Key(node, tokens_.NextIndex());
    if (auto it = failed_.find(key); it != failed_.end()) {
      if (it->second >= 0) tokens_.ReplayConsumed(it->second);
      return false;
    }
    if (node.kind == RuleKind::Sequence) {
      if (auto it = kept_.find(key); it != kept_.end()) {
        std::unique_ptr<TResultList> list = std::move(it->second);
        kept_.erase(it);
        tokens_.SetNextIndex(list->Origin().end);
        if (list->Origin().last_consumed >= 0) tokens_.ReplayConsumed(list->Origin().last_consumed);
        out.token = nullptr;
        out.list = std::move(list);
        return true;
      }
    }
    uint64_t steps_before = steps_;
    uint64_t consumed_before = tokens_.ConsumeCount();
    bool ok = MatchRule(node, out);
    if (!ok && steps_ - steps_before > kRememberFailureSteps)
      failed_[key] = tokens_.ConsumeCount() != consumed_before ? tokens_.LastConsumedStart() : -1;
    return ok;
  }

  bool MatchAlternation(const RuleNode& node, TResultItem& out) {
    int start = tokens_.NextIndex();
    for (const auto& child : node.children) {
      TResultItem item;
      if (MatchChild(*child, item)) {
        out = std::move(item);
        return true;
      }
      tokens_.SetNextIndex(start);
    }
    return false;
  }

  bool MatchSequence(const RuleNode& node, TResultItem& out) {
    int start = tokens_.NextIndex();
    uint64_t consumed_before = tokens_.ConsumeCount();
    std::unique_ptr<TResultList> list = node.prototype ? node.prototype->NewEmpty() : std::make_unique<TResList>();
    TParseOrigin& origin = list->MutableOrigin();
    origin.rule = &node;
    origin.start = start;

    int32_t count = 0;
    while (count < node.max_repeat) {
      int mark = list->Count();
      int iteration_start = tokens_.NextIndex();
      bool complete = true;
      for (const auto& child : node.children) {
        TResultItem item;
        if (!MatchChild(*child, item)) {
          complete = false;
          break;
        }
        list->Add(std::move(item));
      }
      if (!complete) {
        tokens_.SetNextIndex(iteration_start);
        while (list->Count() > mark) Discard(list->PopBack().list);
        break;
      }
      ++count;
    }

    if (count < node.min_repeat) {
      tokens_.SetNextIndex(start);
      Discard(std::move(list));
      return false;
    }
    origin.end = tokens_.NextIndex();
    origin.last_consumed = tokens_.ConsumeCount() != consumed_before ? tokens_.LastConsumedStart() : -1;
    out.token = nullptr;
    out.list = std::move(list);
    return true;
  }

  // Throws away a list that backtracking undid: a complete match of a
  // top-level rule is kept for reuse, anything else is taken apart so that
  // the complete matches inside it can be kept.
  void Discard(std::unique_ptr<TResultList> list) {
    if (!list || !reuse_) return;
    const TParseOrigin& origin = list->Origin();
    if (origin.rule && origin.rule->top_level && origin.end >= 0) {
      kept_.try_emplace(Key(*origin.rule, origin.start), std::move(list));
      return;
    }
    while (!list->Empty()) Discard(list->PopBack().list);
  }

  TLexList& tokens_;
  uint64_t key_stride_;
  bool reuse_;
  std::unordered_map<uint64_t, int32_t> failed_;
  std::unordered_map<uint64_t, std::unique_ptr<TResultList>> kept_;
  int depth_ = 0;
  uint64_t steps_ = 0;
};

}  // namespace

TYup::TYup() = default;
TYup::~TYup() = default;

void TYup::Build() {
  if (built_) return;
  RuleBuildContext lex_context;
  lex_context.kind = RuleTextKind::Lexical;
  RuleTree lex_tree = BuildRuleTree(lex_text_, lex_context);
  ResolveReferences(lex_tree);
  ComputeFirstSets(lex_tree);

  RuleBuildContext gram_context;
  gram_context.kind = RuleTextKind::Syntax;
  gram_context.lex_root = lex_tree.root.get();
  gram_context.create_list = [this](const std::string& name) -> std::unique_ptr<TResultList> {
    if (!on_create_list_) throw ERuvel("No onCreateList Assigned");
    TCreateListArgs args;
    args.name = name;
    on_create_list_(args);
    if (!args.list) return std::make_unique<TResList>();
    return std::move(args.list);
  };
  RuleTree gram_tree = BuildRuleTree(gram_text_, gram_context);
  ResolveReferences(gram_tree);

  lex_tree_ = std::move(lex_tree);
  gram_tree_ = std::move(gram_tree);
  built_ = true;
}

std::unique_ptr<TLexList> TYup::Tokenize(std::string_view text) {
  Build();
  LexWork work;
  auto list = TokenizeWithRules(lex_tree_, text, &work);
  last_lex_steps_ = work.match_calls;
  return list;
}

TParseTree TYup::Parse(TLexList& tokens) {
  Build();
  tokens.SetNextIndex(0);
  last_failure_ = ParseFailure::NoMatch;
  last_parse_steps_ = 0;
  if (!gram_tree_.root || gram_tree_.root->children.empty()) return nullptr;
  const RuleNode& start = *gram_tree_.root->children[0]->target;

  ParseSession session(tokens, reuse_results_);
  TResultItem item;
  bool ok = false;
  try {
    ok = session.Match(start, item);
  } catch (const ParseTooDeep&) {
    last_failure_ = ParseFailure::TooDeep;
    last_parse_steps_ = session.Steps();
    return nullptr;
  }
  last_parse_steps_ = session.Steps();
  if (!ok) return nullptr;
  if (tokens.NextIndex() < tokens.Count()) {
    last_failure_ = ParseFailure::TokensLeft;
    return nullptr;
  }
  auto* tree = dynamic_cast<TResList*>(item.list.get());
  if (!tree) return nullptr;
  item.list.release();
  last_failure_ = ParseFailure::None;
  yup_stats::ParseStarted();
  return TParseTree(tree);
}

}  // namespace ruvel
