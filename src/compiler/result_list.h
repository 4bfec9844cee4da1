// Result lists: the tree the parser builds. Each list holds, in order, the
// items its rule matched: tokens (owned by the token list) or nested lists
// (owned here). TResList adds Generate, the code generation entry that the
// grammar node classes override.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ruvel {

class TLexElem;
class TResultList;
class GrammarVisitor;
struct RuleNode;

// One item of a result list: a token or a nested list (exactly one is set).
struct TResultItem {
  const TLexElem* token = nullptr;
  std::unique_ptr<TResultList> list;

  bool IsToken() const { return list == nullptr; }
};

// Where a list came from: the syntax rule and the token span it matched.
// Set by the parser; end is -1 until the rule has matched.
struct TParseOrigin {
  const RuleNode* rule = nullptr;
  int32_t start = 0;
  int32_t end = -1;
  // Start offset of the last token consumed while the rule matched, or -1
  // when it consumed none (the parser replays it when it reuses the list).
  int32_t last_consumed = -1;
};

class TResultList {
 public:
  TResultList();
  virtual ~TResultList();
  TResultList(const TResultList&) = delete;
  TResultList& operator=(const TResultList&) = delete;

  // A new empty list of the same class: how the parser instantiates the
  // prototype that a rule carries.
  virtual std::unique_ptr<TResultList> NewEmpty() const;
  // Name of the list's class as shown in printed trees ("G_While").
  virtual const char* ClassName() const { return "TResultList"; }

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  const TResultItem& Item(int i) const { return items_[i]; }
  // The token at i, or nullptr when i holds a list or is out of range.
  const TLexElem* TokenItem(int i) const;
  // The list at i, or nullptr when i holds a token or is out of range.
  TResultList* ListItem(int i) const;

  void AddToken(const TLexElem* token);
  void AddList(std::unique_ptr<TResultList> list);
  void Add(TResultItem item);
  // Removes item i, freeing it when it is a list.
  void Delete(int i);
  // Removes and returns the last item (the parser's undo of an iteration).
  TResultItem PopBack();

  const TParseOrigin& Origin() const { return origin_; }
  TParseOrigin& MutableOrigin() { return origin_; }

 private:
  std::vector<TResultItem> items_;
  TParseOrigin origin_;
};

// Base of every node class of the script grammar.
class TResList : public TResultList {
 public:
  std::unique_ptr<TResultList> NewEmpty() const override;
  const char* ClassName() const override { return "TResList"; }

  // Emits the code of this node; the base emits nothing and returns 0.
  virtual int32_t Generate(GrammarVisitor& context);

  // Item i as a node or a token; nullptr when it is the other kind.
  TResList* NodeAt(int i) const;
  const TLexElem* TokenAt(int i) const { return TokenItem(i); }

  // Checked forms for code that relies on the grammar's shapes: a mismatch
  // raises ECmpError instead of crashing.
  TResList& Node(int i) const;
  const TLexElem& Token(int i) const;
  template <class T>
  T& NodeAs(int i) const {
    T* node = dynamic_cast<T*>(NodeAt(i));
    if (!node) ShapeError(i);
    return *node;
  }

 protected:
  [[noreturn]] void ShapeError(int i) const;
};

}  // namespace ruvel
