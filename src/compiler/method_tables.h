// New method tables for a class and its subclasses during a live reload.
// A class's table is its parent's with its own methods overriding entries
// by name or appended; code calls a method of its own object by its index
// in that table, and a subclass's table begins with its parent's. A new
// version of a class keeps the places of the methods it had and appends
// the methods it adds (or lets them take the place of the parent's method
// they now override); each subclass's table is rebuilt on its parent's,
// with its own methods in the order they had. The plan is tried on the
// running classes, so that the code can be linked against it, and taken
// back when the swap fails.
#pragma once
#include <vector>

namespace ruvel {

class TRTTI;
class TFunction;

class TMethodTables {
 public:
  // family: the class first, then its compiled subclasses, parents first.
  explicit TMethodTables(std::vector<TRTTI*> family);
  // Plans the tables for fresh, the new version of the family's first
  // class (compiled into a scratch record that is freed after the swap).
  void Try(TRTTI& fresh);
  void Undo();
  // Makes the tried tables final: counts, cached constructors, and the
  // owner of each method taken over from fresh.
  void Commit();
  // True when a table differs from the one it had.
  bool Changed() const;

 private:
  std::vector<TRTTI*> family_;
  std::vector<std::vector<TFunction*>> before_;
  TRTTI* fresh_ = nullptr;
};

}  // namespace ruvel
