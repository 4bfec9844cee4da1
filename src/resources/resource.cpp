#include "resources/resource.h"

#include <algorithm>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/message_sink.h"
#include "resources/resource_loader.h"
#include "resources/resource_markup.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"
#include "vm/gc.h"
#include "vm/vm_state.h"

namespace ruvel {

namespace {

// Runs one snippet with "$_1" holding v, then sets "$_1" to 0 again so that
// the global keeps neither a count on an object nor a host pointer that
// may outlive its node. Returns the evaluator's result (0: finished).
int EvaluateWithArgument(const Value& v, const std::string& statements) {
  Value* arg = ScratchGlobal("$_1");
  if (!arg) return 1;
  ValueAssign(*arg, v);
  int result;
  try {
    result = VM().evaluateSnippet(statements);
  } catch (...) {
    ValueSetInt(*arg, 0);
    throw;
  }
  ValueSetInt(*arg, 0);
  return result;
}

}  // namespace

TResource::~TResource() {
  if (scriptValue.tag != kObject || !scriptValue.obj) return;
  // A destructor must not throw: a failing onDestroy or count is reported
  // as a message and the node goes anyway.
  try {
    if (VM().evaluateSnippet && VM().root) EvaluateWithArgument(scriptValue, "$_1.onDestroy();");
    ValueSetInt(scriptValue, 0);
  } catch (const ERuvel& e) {
    ShowMessage(e.Message());
  } catch (...) {
  }
}

void TResource::AddChild(TResource* child) { delete child; }

Value* TResource::ScriptObject() {
  if (scriptValue.tag == kObject || !VM().evaluateSnippet) return &scriptValue;
  // Only a finished snippet left this node's object in "$_2"; after a
  // failure it may still hold another node's.
  if (EvaluateWithArgument(MakeHost(this), "$_2=new BuiltInResource($_1);") != 0) return &scriptValue;
  if (Value* result = ScratchGlobal("$_2")) ValueAssign(scriptValue, *result);
  return &scriptValue;
}

std::unique_ptr<TResource> TResource::Clone() {
  std::vector<std::string> lines;
  WriteMarkup(lines, "");
  if (lines.empty()) return nullptr;
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return NodeFromFileMarkup(text, BaseDir());
}

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
  path = PathCommonFolder(path, PathParent(sourcePath));
}

void TResource::ClearValues() {
  if (scriptValue.tag == kObject || scriptValue.tag == kHost) ValueClear(scriptValue);
}

void TResource::Mark() { MarkValue(scriptValue); }

void TResource::ListNames(std::vector<std::string>& lines, const std::string& path) { lines.push_back(path); }

// ---- TResourceList

// Children go last first, each taken out of the list before it is freed,
// so that a destroy hook running meanwhile sees a consistent tree.
TResourceList::~TResourceList() {
  while (!children_.empty()) {
    TResource* c = children_.back();
    children_.pop_back();
    c->parent = nullptr;
    delete c;
  }
}

void TResourceList::AddChild(TResource* child) {
  if (!child) return;
  children_.push_back(child);
  child->parent = this;
  child->AddedTo(this);
}

void TResourceList::InsertChild(size_t i, TResource* child) {
  if (!child) return;
  children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(std::min(i, children_.size())), child);
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
  lines.push_back(MarkupLine(indent, "resourcelist", {{"name", name}}, ">"));
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

}  // namespace ruvel
