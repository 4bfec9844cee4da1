#include "compiler/yup_rules.h"

#include <charconv>

#include "compiler/result_list.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"

namespace ruvel {

bool TFirst::Include(uint8_t b) {
  uint32_t bit = 1u << (b & 31);
  uint32_t& word = words_[b >> 5];
  if (word & bit) return false;
  word |= bit;
  return true;
}

bool TFirst::Union(const TFirst& other) {
  bool added = false;
  for (int i = 0; i < 8; ++i) {
    uint32_t merged = words_[i] | other.words_[i];
    if (merged != words_[i]) added = true;
    words_[i] = merged;
  }
  return added;
}

void TFirst::IncludeAll() {
  for (uint32_t& w : words_) w = 0xffffffffu;
}

bool TFirst::Empty() const {
  for (uint32_t w : words_)
    if (w) return false;
  return true;
}

int TFirst::Count() const {
  int n = 0;
  for (uint32_t w : words_) n += __builtin_popcount(w);
  return n;
}

RuleNode::RuleNode() = default;
RuleNode::~RuleNode() = default;

const RuleNode* RuleTree::TopLevel(std::string_view name) const {
  if (!root) return nullptr;
  for (const auto& child : root->children)
    if (child->name == name) return child.get();
  return nullptr;
}

namespace {

int DepthOf(const std::string& line) {
  int depth = 0;
  while (depth < static_cast<int>(line.size()) && line[depth] == ' ') ++depth;
  return depth;
}

// "hh" of a "$hh" line; 0 when it is not a hexadecimal number.
uint8_t ParseHexByte(std::string_view text) {
  unsigned value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size() || value > 0xff) return 0;
  return static_cast<uint8_t>(value);
}

class Builder {
 public:
  Builder(const std::vector<std::string>& lines, const RuleBuildContext& context)
      : lines_(lines), context_(context) {
    end_ = lines_.size();
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i] == "@") {
        end_ = i;
        break;
      }
    }
  }

  RuleTree Build() {
    RuleTree tree;
    size_t index = 0;
    if (end_ == 0) {
      tree.root = std::make_unique<RuleNode>();
      tree.root->kind = RuleKind::Sequence;
      tree.root->id = next_id_++;
      if (context_.kind == RuleTextKind::Syntax) tree.root->prototype = CreateList("");
    } else {
      tree.root = BuildNode(index);
    }
    for (auto& child : tree.root->children) child->top_level = true;
    tree.node_count = next_id_;
    return tree;
  }

 private:
  std::unique_ptr<RuleNode> BuildNode(size_t& index) {
    const std::string& line = lines_[index];
    int depth = DepthOf(line);
    if (!line.empty() && line.back() == ' ') ShowMessage("Wanring: extra space in " + line);
    auto node = std::make_unique<RuleNode>();
    node->id = next_id_++;
    node->line = static_cast<int32_t>(index);
    Classify(*node, std::string_view(line).substr(depth), index, depth);
    ++index;
    // Children are the following lines one level deeper; lines that skip a
    // level belong to no child and are passed over.
    while (index < end_) {
      int child_depth = DepthOf(lines_[index]);
      if (child_depth <= depth) break;
      if (child_depth == depth + 1)
        node->children.push_back(BuildNode(index));
      else
        ++index;
    }
    return node;
  }

  void Classify(RuleNode& node, std::string_view body, size_t index, int depth) {
    bool lexical = context_.kind == RuleTextKind::Lexical;
    if (!body.empty() && body[0] == '\'') {
      node.name = std::string(body.substr(1));
      if (lexical) {
        node.kind = RuleKind::Literal;
      } else {
        node.kind = RuleKind::Token;
        LinkToken(node);
      }
    } else if (lexical && !body.empty() && body[0] == '$') {
      node.kind = RuleKind::Literal;
      node.name = std::string(1, static_cast<char>(ParseHexByte(body.substr(1))));
    } else if (lexical && !body.empty() && body[0] == '-') {
      node.kind = RuleKind::Range;
      node.name = std::string(body.substr(1));
      node.low = RangeBound(index + 1, depth);
      node.high = RangeBound(index + 2, depth);
      if (node.low == 0 || node.high == 0)
        ShowMessage(J("バグ発生:") + "Please Put '' or $ at the first letters of each children");
    } else if (body.starts_with("[]")) {
      SetSequence(node, body.substr(2), 0, 1);
    } else if (!body.empty() && body[0] == '[') {
      SetSequence(node, body.size() >= 2 ? body.substr(2) : std::string_view(), 1, kUnboundedRepeat);
    } else if (body.starts_with("{}")) {
      SetSequence(node, body.substr(2), 0, kUnboundedRepeat);
    } else if (!body.empty() && body[0] == '|') {
      node.kind = RuleKind::Alternation;
      node.name = std::string(body.substr(1));
    } else {
      node.kind = RuleKind::Reference;
      node.name = std::string(body);
    }

    if (lexical) {
      if (node.kind == RuleKind::Literal && !node.name.empty()) {
        node.first.Include(static_cast<uint8_t>(node.name[0]));
      } else if (node.kind == RuleKind::Range) {
        for (int b = node.low; b <= node.high; ++b) node.first.Include(static_cast<uint8_t>(b));
      } else if (node.kind == RuleKind::Sequence && node.min_repeat == 0) {
        node.first.IncludeAll();
      }
    } else {
      node.prototype = CreateList(node.name);
    }
  }

  static void SetSequence(RuleNode& node, std::string_view name, int32_t min, int32_t max) {
    node.kind = RuleKind::Sequence;
    node.name = std::string(name);
    node.min_repeat = min;
    node.max_repeat = max;
  }

  // Bound of a range from the line at index: 'c gives c, $hh gives hh; a
  // line that is missing, not a child, or written otherwise gives 0.
  uint8_t RangeBound(size_t index, int depth) const {
    if (index >= end_) return 0;
    const std::string& line = lines_[index];
    int line_depth = DepthOf(line);
    if (line_depth <= depth) return 0;
    std::string_view body = std::string_view(line).substr(line_depth);
    if (body.size() >= 2 && body[0] == '\'') return static_cast<uint8_t>(body[1]);
    if (!body.empty() && body[0] == '$') return ParseHexByte(body.substr(1));
    return 0;
  }

  void LinkToken(RuleNode& node) {
    const RuleNode* rule = nullptr;
    if (context_.lex_root) {
      for (const auto& top : context_.lex_root->children) {
        if (top->name == node.name) {
          rule = top.get();
          break;
        }
      }
    }
    if (!rule) {
      ShowMessage(J("バグ発生:") + node.name + " is not linked.");
      rule = &node;  // never equal to the rule of a token: the node never matches
    }
    node.lex_rule = rule;
  }

  std::unique_ptr<TResultList> CreateList(const std::string& name) {
    if (!context_.create_list) return nullptr;
    return context_.create_list(name);
  }

  const std::vector<std::string>& lines_;
  const RuleBuildContext& context_;
  size_t end_ = 0;
  int32_t next_id_ = 0;
};

void ResolveNode(RuleNode& node, const RuleNode& root) {
  if (node.kind == RuleKind::Reference) {
    RuleNode* found = nullptr;
    for (const auto& top : root.children) {
      if (top->name == node.name) {
        found = top.get();
        break;
      }
    }
    if (found && found != &node) {
      node.target = found;
    } else {
      node.kind = RuleKind::Sequence;
      node.min_repeat = 1;
      node.max_repeat = 1;
      node.target = &node;
    }
  }
  for (auto& child : node.children) ResolveNode(*child, root);
}

// A reference may name a top-level rule that is itself a reference to an
// earlier rule of the same name; matching wants the final rule.
void CollapseTargets(RuleNode& node) {
  for (int step = 0; step < 64 && node.target != &node && node.target->kind == RuleKind::Reference &&
                     node.target->target != node.target;
       ++step)
    node.target = node.target->target;
  for (auto& child : node.children) CollapseTargets(*child);
}

bool PropagateFirst(RuleNode& node) {
  bool added = false;
  for (auto& child : node.children) added |= PropagateFirst(*child);
  switch (node.kind) {
    case RuleKind::Alternation:
      for (auto& child : node.children) added |= node.first.Union(child->first);
      break;
    case RuleKind::Sequence:
      if (!node.children.empty()) added |= node.first.Union(node.children[0]->first);
      break;
    case RuleKind::Reference:
      if (node.target != &node) added |= node.first.Union(node.target->first);
      break;
    default:
      break;
  }
  return added;
}

}  // namespace

RuleTree BuildRuleTree(const std::vector<std::string>& lines, const RuleBuildContext& context) {
  return Builder(lines, context).Build();
}

void ResolveReferences(RuleTree& tree) {
  if (!tree.root) return;
  ResolveNode(*tree.root, *tree.root);
  CollapseTargets(*tree.root);
}

void ComputeFirstSets(RuleTree& tree) {
  if (!tree.root) return;
  bool changed = true;
  while (changed) {
    changed = false;
    for (auto& top : tree.root->children) changed |= PropagateFirst(*top);
  }
}

}  // namespace ruvel
