// Rule trees of the table-driven lexer and parser. A rule text is a list of
// lines whose leading blanks give the depth; each line becomes a RuleNode.
// This module builds the tree, resolves references by name and computes the
// first-byte sets the lexer uses to skip rules that cannot match.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ruvel {

class TResultList;

// The repetition maximum that stands for "unbounded".
inline constexpr int32_t kUnboundedRepeat = 123456;

// A set of byte values: eight 32-bit words, byte b is bit b%32 of word b/32.
class TFirst {
 public:
  // Adds one byte; true when it was not in the set yet.
  bool Include(uint8_t b);
  bool Has(uint8_t b) const { return (words_[b >> 5] >> (b & 31)) & 1u; }
  // Adds every byte of other; true when anything was added.
  bool Union(const TFirst& other);
  void IncludeAll();
  bool Empty() const;
  int Count() const;

 private:
  uint32_t words_[8] = {};
};

enum class RuleKind : uint8_t {
  Sequence,     // children in order, repeated min..max times
  Alternation,  // the first child that matches
  Literal,      // bytes (lexical text only)
  Range,        // one byte between low and high (lexical text only)
  Reference,    // a name, resolved to a top-level rule
  Token,        // one token of a lexical rule (syntax text only)
};

// One line of a rule text. The children are owned; the tree lives as long
// as the TYup that built it.
struct RuleNode {
  RuleNode();
  ~RuleNode();
  RuleNode(const RuleNode&) = delete;
  RuleNode& operator=(const RuleNode&) = delete;

  RuleKind kind = RuleKind::Reference;
  std::string name;
  std::vector<std::unique_ptr<RuleNode>> children;
  // The node matching uses: itself, or for a resolved reference the rule it names.
  RuleNode* target = this;
  uint8_t low = 0, high = 0;
  int32_t min_repeat = 1, max_repeat = 1;
  TFirst first;                            // lexical tree only
  std::unique_ptr<TResultList> prototype;  // syntax tree only: class of the lists it yields
  const RuleNode* lex_rule = nullptr;      // token nodes: the lexical rule whose tokens match
  bool top_level = false;                  // a child of the root
  int32_t id = 0;                          // number of the node within its tree
  int32_t line = 0;                        // index of its line in the rule text
};

enum class RuleTextKind { Lexical, Syntax };

// What the builder needs besides the text. For syntax texts, create_list
// gives the prototype list for a node name (it may throw), and lex_root is
// the lexical tree that token names are linked to.
struct RuleBuildContext {
  RuleTextKind kind = RuleTextKind::Lexical;
  std::function<std::unique_ptr<TResultList>(const std::string& name)> create_list;
  const RuleNode* lex_root = nullptr;
};

// A built rule tree: the root and the number of nodes (ids are 0..count-1).
struct RuleTree {
  std::unique_ptr<RuleNode> root;
  int32_t node_count = 0;

  // The first top-level rule with exactly that name, or nullptr.
  const RuleNode* TopLevel(std::string_view name) const;
};

// Builds the tree from line 0 of the text; a text without lines gives an
// empty root. Shows "Wanring: extra space in " for lines with a trailing
// blank and "バグ発生:" for malformed ranges and unlinked token names.
RuleTree BuildRuleTree(const std::vector<std::string>& lines, const RuleBuildContext& context);
// Resolves every reference to the first top-level rule of its name; names
// without a rule (or naming only themselves) become named 1..1 sequences.
void ResolveReferences(RuleTree& tree);
// Propagates first-byte sets through the top-level rules until stable.
void ComputeFirstSets(RuleTree& tree);

}  // namespace ruvel
