// Folder src/resources: the resource tree, the markup readers and writer,
// CMML, custom resources, generators, globals, pattern resources, loading
// and saving. It may use platform, vm and runtime; natives are used
// sideways.
//
// The resource tree's nodes: TResource with its virtual operations,
// TResourceList (the node that holds children), the iterator over a list's
// children and the visitor base. The kinds live in resource_global.h and
// resource_element.h (TRTTI in rtti.h); building, lookups by dotted name
// from the root and mounting are in resource_loader.h and resource_tree.h.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "vm/value.h"

namespace ruvel {

class TResource;
class TResourceList;

// Counters of one preparation pass.
struct TInitContext {
  Value value = MakeNull();
  int32_t Pending = 0;
  int32_t Done = 0;
  int32_t Failed = 0;
};

// Visitor over the tree.
class TResourceIterator {
 public:
  virtual ~TResourceIterator() = default;
  virtual void Visit(TResource* node) = 0;
};

// Iterator over the children of a list.
class TResListIterator {
 public:
  explicit TResListIterator(TResourceList* list) : list_(list) {}
  bool HasNext() const;
  TResource* Next();
  // Deletes the child returned last and frees it.
  void RemoveLast();

 private:
  TResourceList* list_;
  size_t pos_ = 0;
};

class TResource : public TObject {
 public:
  TResource() = default;
  ~TResource() override;
  TResource(const TResource&) = delete;
  TResource& operator=(const TResource&) = delete;

  std::string sourcePath;  // absolute, or empty
  std::string name;
  TResource* parent = nullptr;
  Value scriptValue = MakeNull();

  const char* TypeName() const override { return "TResource"; }
  virtual std::unique_ptr<TResListIterator> Iterator() { return nullptr; }
  // Takes ownership of child (a node that holds no children frees it).
  virtual void AddChild(TResource* child);
  virtual TResource* Child(std::string_view childName) { (void)childName; return nullptr; }
  virtual Value* ValuePtr() { return nullptr; }
  // The node's script-side object ("BuiltInResource"), made on first use
  // through snippet evaluation; the script value as it stands when the
  // snippet evaluator is not installed.
  virtual Value* ScriptObject();
  virtual TResource* Resolve(std::string_view dotted);
  virtual void Remove(TResource* child) { (void)child; }
  virtual void Initialize();
  virtual void PrepareStep(TInitContext& ctx) { (void)ctx; }
  virtual void CommonRoot(std::string& path);
  virtual void Rebase(const std::string& from, const std::string& to) { (void)from; (void)to; }
  virtual void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) { (void)lines; (void)indent; }
  virtual void ClearValues();
  virtual void AddedTo(TResourceList* list) { (void)list; }
  virtual void Mark();
  virtual void Sweep() {}
  virtual void ListNames(std::vector<std::string>& lines, const std::string& path);
  virtual void Accept(TResourceIterator& visitor) { visitor.Visit(this); }
  // A new node read back from this node's markup (sources relative to the
  // base directory); none for a kind that writes no markup.
  virtual std::unique_ptr<TResource> Clone();
  bool IsRoot() const;
};

class TResourceList : public TResource {
 public:
  ~TResourceList() override;
  const char* TypeName() const override { return "TResourceList"; }
  std::unique_ptr<TResListIterator> Iterator() override { return std::make_unique<TResListIterator>(this); }
  void AddChild(TResource* child) override;
  TResource* Child(std::string_view childName) override;
  void Remove(TResource* child) override;
  void PrepareStep(TInitContext& ctx) override;
  void CommonRoot(std::string& path) override;
  void Rebase(const std::string& from, const std::string& to) override;
  void ClearValues() override;
  void Mark() override;
  void Sweep() override;
  void ListNames(std::vector<std::string>& lines, const std::string& path) override;
  void Accept(TResourceIterator& visitor) override;
  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;

  size_t ChildCount() const { return children_.size(); }
  TResource* ChildAt(size_t i) const { return children_[i]; }
  // Takes a child out of the list without freeing it.
  TResource* Detach(TResource* child);
  // Adds child (owned from now on) at position i, or last when i is past
  // the end.
  void InsertChild(size_t i, TResource* child);
  void DeleteAt(size_t i);

 private:
  std::vector<TResource*> children_;
};

// Name prefixed by the parents' full names up to (not including) the root.
std::string FullName(const TResource* node);

// The root's own lookups after its children: the alias table, then "$"
// globals in "usrglobal", created on first reference (resource_tree.cpp).
TResource* ResolveAtRoot(TResource* root, std::string_view name);
// The value slot of a script global found from the root (created in
// "usrglobal" when missing); none without a root or "usrglobal".
Value* ScratchGlobal(std::string_view globalName);

}  // namespace ruvel
