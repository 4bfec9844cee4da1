#include "runtime/resource.h"

#include <algorithm>

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "runtime/alias.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/vm_state.h"

namespace ruvel {

TResource::~TResource() = default;

void TResource::AddChild(TResource* child) { delete child; }

Value* TResource::ScriptObject() { return &scriptValue; }

bool TResource::IsRoot() const { return parent == nullptr && VM().root == this; }

TResource* TResource::Resolve(std::string_view dotted) {
  if (dotted.empty()) return this;
  size_t dot = dotted.find('.');
  std::string_view head = dotted.substr(0, dot);
  TResource* found = Child(head);
  if (dot != std::string_view::npos) {
    return found ? found->Resolve(dotted.substr(dot + 1)) : nullptr;
  }
  if (!found && IsRoot()) return ResolveAtRoot(this, head);
  return found;
}

void TResource::Initialize() {
  int32_t previousDone = -1;
  for (;;) {
    TInitContext ctx;
    PrepareStep(ctx);
    if (ctx.Failed > 0) {
      LogLine(J("初期化に失敗しました"));
      throw ERuvel(J("初期化に失敗しました"));
    }
    if (ctx.Done == previousDone) throw ERuvel(J("循環参照があります"));
    if (ctx.Pending == 0) return;
    previousDone = ctx.Done;
  }
}

void TResource::CommonRoot(std::string& path) {
  if (sourcePath.empty()) return;
  size_t slash = sourcePath.rfind('/');
  std::string dir = slash == std::string::npos ? std::string() : sourcePath.substr(0, slash);
  // The deepest directory that holds both: the longest common prefix that
  // ends at a component boundary of both paths.
  size_t n = std::min(path.size(), dir.size());
  size_t i = 0;
  while (i < n && path[i] == dir[i]) ++i;
  auto boundary = [](const std::string& s, size_t k) { return k == s.size() || s[k] == '/'; };
  while (i > 0 && !(boundary(path, i) && boundary(dir, i))) --i;
  path.resize(i);
}

void TResource::ClearValues() {
  if (scriptValue.tag == kObject || scriptValue.tag == kHost) ValueClear(scriptValue);
}

void TResource::Mark() { MarkValue(scriptValue); }

void TResource::ListNames(std::vector<std::string>& lines, const std::string& path) { lines.push_back(path); }

// ---- TResourceList

TResourceList::~TResourceList() {
  for (size_t i = children_.size(); i-- > 0;) delete children_[i];
}

void TResourceList::AddChild(TResource* child) {
  children_.push_back(child);
  child->parent = this;
  child->AddedTo(this);
}

TResource* TResourceList::Child(std::string_view childName) {
  for (TResource* c : children_) {
    if (EqualsNoCase(c->name, childName)) return c;
  }
  return nullptr;
}

TResource* TResourceList::Detach(TResource* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return nullptr;
  children_.erase(it);
  child->parent = nullptr;
  return child;
}

void TResourceList::Remove(TResource* child) {
  if (Detach(child)) delete child;
}

void TResourceList::DeleteAt(size_t i) {
  if (i >= children_.size()) return;
  TResource* c = children_[i];
  children_.erase(children_.begin() + i);
  delete c;
}

void TResourceList::PrepareStep(TInitContext& ctx) {
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->PrepareStep(ctx);
}

void TResourceList::CommonRoot(std::string& path) {
  TResource::CommonRoot(path);
  for (TResource* c : children_) c->CommonRoot(path);
}

void TResourceList::Rebase(const std::string& from, const std::string& to) {
  for (TResource* c : children_) c->Rebase(from, to);
}

void TResourceList::ClearValues() {
  TResource::ClearValues();
  for (TResource* c : children_) c->ClearValues();
}

void TResourceList::Mark() {
  TResource::Mark();
  for (TResource* c : children_) c->Mark();
}

void TResourceList::Sweep() {
  for (TResource* c : children_) c->Sweep();
}

void TResourceList::ListNames(std::vector<std::string>& lines, const std::string& path) {
  lines.push_back(path.empty() ? std::string("<root>") : path);
  for (TResource* c : children_) c->ListNames(lines, path.empty() ? c->name : path + "." + c->name);
}

void TResourceList::Accept(TResourceIterator& visitor) {
  visitor.Visit(this);
  for (size_t i = 0; i < children_.size(); ++i) children_[i]->Accept(visitor);
}

void TResourceList::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  lines.push_back(indent + "<resourcelist name=\"" + name + "\">");
  for (TResource* c : children_) c->WriteMarkup(lines, indent + " ");
  lines.push_back(indent + "</resourcelist>");
}

// ---- iterator

bool TResListIterator::HasNext() const { return pos_ < list_->ChildCount(); }

TResource* TResListIterator::Next() { return list_->ChildAt(pos_++); }

void TResListIterator::RemoveLast() {
  if (pos_ == 0) return;
  --pos_;
  list_->DeleteAt(pos_);
}

std::string FullName(const TResource* node) {
  if (!node) return std::string();
  std::string n = node->name;
  for (const TResource* p = node->parent; p && p->parent; p = p->parent) n = p->name + "." + n;
  return n;
}

TResource* ResolveAtRoot(TResource* root, std::string_view name) {
  (void)root;
  return Aliases().Get(std::string(name));
}

}  // namespace ruvel
