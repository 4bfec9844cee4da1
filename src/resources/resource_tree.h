// The resource tree as a whole: its process-wide state, lookups by dotted
// name from the root, and the operations that mount, unmount, save, copy
// and merge nodes.
//
// Owner of the tree's state: TResourceTree (ResourceTree()) holds the list
// of loaded resource-list files and the loading chain; the root node itself
// is VM().root (set and freed through SetRoot / FreeRoot); the base
// directory is the current page directory kept by platform/paths (PageDir), and
// "usrglobal" is the root's child of that name, looked up when needed so no
// pointer to it can go stale.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "resources/resource.h"

namespace ruvel {

class TRTTI;

// Every resource-list file loaded so far, each once (letter case ignored).
// A relative path is recorded under the directory that was current when
// the list was created.
class TUrlList {
 public:
  TUrlList();
  void Add(std::string_view path);
  bool Contains(std::string_view path) const;
  const std::vector<std::string>& Items() const { return items_; }
  const std::string& Directory() const { return directory_; }
  void Clear() { items_.clear(); }

 private:
  std::string directory_;
  std::vector<std::string> items_;
};

struct TResourceTree {
  TUrlList urls;
  // Files being read, outermost first: a link back into this chain would
  // never end and is refused.
  std::vector<std::string> loading;
  // Nesting of lists and links being built; deeper input is refused so
  // that the recursive tree operations stay within the machine stack.
  int buildDepth = 0;
};
TResourceTree& ResourceTree();

// Deepest nesting of lists (links included) a resource file may build.
constexpr int kMaxResourceDepth = 256;

// The directory that relative paths in markup built from strings, and
// source paths written into markup, are taken against: the current page
// directory (at start-up the program directory).
std::string BaseDir();
void SetBaseDir(std::string_view dir);
// Sets the base directory for the life of the scope and puts it back.
class TBaseDirScope {
 public:
  explicit TBaseDirScope(std::string_view dir);
  ~TBaseDirScope();
  TBaseDirScope(const TBaseDirScope&) = delete;
  TBaseDirScope& operator=(const TBaseDirScope&) = delete;

 private:
  std::string previous_;
};

// Installs a new root (VM().root), freeing the old one.
void SetRoot(std::unique_ptr<TResource> root);
// Frees the root: script values are dropped first (without running their
// destroy hooks) since the classes behind them go with the tree.
void FreeRoot();

// The list "usrglobal" under the root, where "$" globals are created on
// first reference; none when the tree has no such list.
TResourceList* UserGlobals();

// Resolve from the root; none without a root.
TResource* FindResource(std::string_view dotted);
TResourceList* FindList(std::string_view dotted);
TRTTI* FindClass(std::string_view dotted);

// Node kinds made by MountNew.
enum class TMountKind { EmptyList = 0, Global = 1, Class = 2, LinkedList = 3 };
// Creates a node of the kind under the parent path of dotted, named by its
// last component, with source path path (resolved against the base
// directory). A class or linked list whose file does not exist gets a new
// file. Returns the node, or none when the parent list does not exist or
// the kind is unknown; a linked list whose file cannot be read raises
// EIOError as LoadResourceFile does.
TResource* MountNew(std::string_view path, std::string_view dotted, int kind);
// Renames node to the last component of dotted and adds it under the
// parent path. Takes ownership; without a parent the node is freed and
// false returned.
bool Mount(std::string_view dotted, TResource* node);
// Removes and frees the node named dotted from its parent list.
bool Unmount(std::string_view dotted);
// Writes the node's markup to its source path (temporary file, then
// rename). A node without source path shows dotted + "は保存できません".
bool SaveNode(std::string_view dotted);

// base when no child of list bears it; else the base without a trailing
// "_" + digits, followed by "_" + (largest such suffix among the children
// that contain it, plus 1).
std::string UniqueChildName(TResourceList* list, const std::string& base);
// Adds to target a clone of every child of source whose name target does
// not hold; true when anything was added.
bool MergeMissing(TResourceList* target, TResourceList* source);
// Declares (present) or undeclares a page global in "usr.global", creating
// that list first; does nothing without "usr".
void SetUserGlobal(const std::string& globalName, bool present);

}  // namespace ruvel
