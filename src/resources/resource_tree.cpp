#include "resources/resource_tree.h"

#include <unistd.h>

#include <charconv>
#include <climits>

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "runtime/alias.h"
#include "resources/resource_global.h"
#include "resources/resource_loader.h"
#include "resources/resource_markup.h"
#include "runtime/rtti.h"
#include "vm/vm_state.h"

namespace ruvel {

// ---- state

TUrlList::TUrlList() {
  char buffer[PATH_MAX];
  directory_ = getcwd(buffer, sizeof buffer) ? buffer : "/";
}

void TUrlList::Add(std::string_view path) {
  std::string p = PathToPosix(path);
  if (!PathIsAbsolute(p)) p = PathResolve(p, directory_);
  if (p.empty() || Contains(p)) return;
  items_.push_back(p);
}

bool TUrlList::Contains(std::string_view path) const {
  for (const std::string& item : items_) {
    if (PathSame(item, path)) return true;
  }
  return false;
}

TResourceTree& ResourceTree() {
  static TResourceTree tree;
  return tree;
}

std::string BaseDir() { return PageDir(); }

void SetBaseDir(std::string_view dir) { SetPageDir(dir); }

TBaseDirScope::TBaseDirScope(std::string_view dir) : previous_(BaseDir()) { SetBaseDir(dir); }

TBaseDirScope::~TBaseDirScope() { SetBaseDir(previous_); }

void SetRoot(std::unique_ptr<TResource> root) {
  FreeRoot();
  VM().root = root.release();
}

void FreeRoot() {
  TResource* old = VM().root;
  if (!old) return;
  old->ClearValues();
  VM().root = nullptr;
  delete old;
}

TResourceList* UserGlobals() {
  TResource* root = VM().root;
  return root ? dynamic_cast<TResourceList*>(root->Child("usrglobal")) : nullptr;
}

// ---- lookups

TResource* FindResource(std::string_view dotted) {
  TResource* root = VM().root;
  return root ? root->Resolve(dotted) : nullptr;
}

TResourceList* FindList(std::string_view dotted) { return dynamic_cast<TResourceList*>(FindResource(dotted)); }

TRTTI* FindClass(std::string_view dotted) { return dynamic_cast<TRTTI*>(FindResource(dotted)); }

// After the root's own children: short class names through the alias
// table, then "$" globals, which come into being on first reference.
TResource* ResolveAtRoot(TResource* root, std::string_view name) {
  (void)root;
  if (TRTTI* cls = Aliases().Get(std::string(name))) return cls;
  if (name.empty() || name[0] != '$') return nullptr;
  TResourceList* globals = UserGlobals();
  if (!globals) return nullptr;
  if (TResource* g = globals->Child(name)) return g;
  auto* g = new TGlobalValue(std::string(name), std::string());
  globals->AddChild(g);
  return g;
}

// A scratch global ("$_1") for handing values to snippets.
Value* ScratchGlobal(std::string_view globalName) {
  TResource* g = FindResource(globalName);
  return g ? g->ValuePtr() : nullptr;
}

// ---- mounting

namespace {

// Splits "a.b.c" into "a.b" and "c" (no dot: "" and the whole name).
std::pair<std::string, std::string> SplitLast(std::string_view dotted) {
  size_t dot = dotted.rfind('.');
  if (dot == std::string_view::npos) return {std::string(), std::string(dotted)};
  return {std::string(dotted.substr(0, dot)), std::string(dotted.substr(dot + 1))};
}

std::string ResolveAgainstBase(std::string_view path) {
  std::string p = PathResolve(path, BaseDir());
  return p.empty() ? PathToPosix(path) : LocatePath(p);
}

}  // namespace

TResource* MountNew(std::string_view path, std::string_view dotted, int kind) {
  auto [parentPath, last] = SplitLast(dotted);
  auto* parent = dynamic_cast<TResourceList*>(FindResource(parentPath));
  if (!parent) return nullptr;
  std::string file = path.empty() ? std::string() : ResolveAgainstBase(path);
  std::unique_ptr<TResource> node;
  switch (static_cast<TMountKind>(kind)) {
    case TMountKind::EmptyList:
      node = NodeFromFileMarkup(MarkupLine("", "resourcelist", {{"name", last}}, "></resourcelist>"), BaseDir());
      break;
    case TMountKind::Global:
      node = NodeFromFileMarkup(MarkupLine("", "globalvalue", {{"name", last}, {"value", "0"}}, ">"), BaseDir());
      break;
    case TMountKind::Class:
      if (!file.empty()) CreateFileIfMissing(file, {"extends classes.lang.Object;"});
      // Named in the element, so that the alias is registered under the
      // class's real name.
      node = NodeFromFileMarkup(MarkupLine("", "class", {{"name", last}, {"src", file}}, ">"), BaseDir());
      break;
    case TMountKind::LinkedList:
      if (!file.empty()) {
        CreateFileIfMissing(file, {MarkupLine("", "resourcelist", {{"name", last}}, ">"), "</resourcelist>"});
      }
      node = NodeFromFileMarkup(MarkupLine("", "link", {{"src", file}}, ">"), BaseDir());
      break;
    default:
      return nullptr;
  }
  if (!node) return nullptr;
  node->name = last;
  node->sourcePath = file;
  TResource* added = node.get();
  parent->AddChild(node.release());
  return added;
}

bool Mount(std::string_view dotted, TResource* node) {
  if (!node) return false;
  auto [parentPath, last] = SplitLast(dotted);
  auto* parent = dynamic_cast<TResourceList*>(FindResource(parentPath));
  node->name = last;
  if (!parent) {
    delete node;
    return false;
  }
  parent->AddChild(node);
  return true;
}

bool Unmount(std::string_view dotted) {
  auto [parentPath, last] = SplitLast(dotted);
  TResource* parent = FindResource(parentPath);
  if (!parent) return false;
  TResource* node = parent->Child(last);
  if (!node) return false;
  parent->Remove(node);
  return true;
}

bool SaveNode(std::string_view dotted) {
  TResource* node = FindResource(dotted);
  if (!node || node->sourcePath.empty()) {
    ShowMessage(std::string(dotted) + J("は保存できません"));
    return false;
  }
  std::string file = node->sourcePath;
  std::vector<std::string> lines;
  {
    // Source paths are written relative to the file's own directory, the
    // directory they are resolved against when the file is read again.
    TBaseDirScope scope(PathParent(file));
    node->WriteMarkup(lines, "");
  }
  return WriteLinesAtomic(file, lines);
}

// ---- names and copies

namespace {

// The number after a trailing "_" + digits, or -1 when the name does not
// end that way (or the number does not fit).
long long TrailingNumber(std::string_view s, size_t* digitsAt = nullptr) {
  size_t i = s.size();
  while (i > 0 && s[i - 1] >= '0' && s[i - 1] <= '9') --i;
  if (i == s.size() || i == 0 || s[i - 1] != '_') return -1;
  long long n = 0;
  auto [ptr, ec] = std::from_chars(s.data() + i, s.data() + s.size(), n);
  (void)ptr;
  if (ec != std::errc()) return -1;
  if (digitsAt) *digitsAt = i - 1;
  return n;
}

}  // namespace

std::string UniqueChildName(TResourceList* list, const std::string& base) {
  if (!list || !list->Child(base)) return base;
  std::string stripped = base;
  size_t at = 0;
  if (TrailingNumber(base, &at) >= 0) stripped.resize(at);
  std::string key = FoldCase(stripped);
  long long largest = 0;
  for (size_t i = 0; i < list->ChildCount(); ++i) {
    std::string childName = FoldCase(list->ChildAt(i)->name);
    if (childName.find(key) == std::string::npos) continue;
    long long n = TrailingNumber(childName);
    if (n > largest && n < LLONG_MAX) largest = n;
  }
  return stripped + "_" + std::to_string(largest + 1);
}

bool MergeMissing(TResourceList* target, TResourceList* source) {
  if (!target || !source) return false;
  bool added = false;
  for (size_t i = 0; i < source->ChildCount(); ++i) {
    TResource* child = source->ChildAt(i);
    if (target->Child(child->name)) continue;
    if (auto copy = child->Clone()) {
      target->AddChild(copy.release());
      added = true;
    }
  }
  return added;
}

void SetUserGlobal(const std::string& globalName, bool present) {
  TResourceList* usr = FindList("usr");
  if (!usr) return;
  TResource* found = usr->Child("global");
  auto* globals = dynamic_cast<TResourceList*>(found);
  if (found && !globals) return;  // a node of another kind holds the name
  if (!globals) {
    globals = new TResourceList();
    globals->name = "global";
    usr->AddChild(globals);
  }
  TResource* existing = globals->Child(globalName);
  if (present && !existing) {
    globals->AddChild(new TGlobalValue(globalName, std::string()));
  } else if (!present && existing) {
    globals->Remove(existing);
  }
}

}  // namespace ruvel
