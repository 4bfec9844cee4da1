#include "resources/resource_loader.h"

#include "platform/paths.h"
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "resources/resource_element.h"
#include "resources/resource_global.h"
#include "resources/resource_markup.h"
#include "resources/resource_tree.h"
#include "runtime/rtti.h"

namespace ruvel {
namespace {

// Counts one level of list or link nesting for the life of the scope.
class DepthGuard {
 public:
  DepthGuard() { ++ResourceTree().buildDepth; }
  ~DepthGuard() { --ResourceTree().buildDepth; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;
  bool TooDeep() const { return ResourceTree().buildDepth > kMaxResourceDepth; }
};

std::unique_ptr<TResource> BuildList(const TSGML& e, const std::string& base) {
  auto list = std::make_unique<TResourceList>();
  list->name = e.GetAttr("name");
  list->sourcePath = ResolveSource(e.GetAttr("src"), base);
  for (size_t i = 0; i < e.ChildCount(); ++i) {
    if (auto child = BuildNode(*e.Child(i), base)) list->AddChild(child.release());
  }
  return list;
}

std::unique_ptr<TResource> BuildLink(const TSGML& e, const std::string& base) {
  std::string src = e.GetAttr("src");
  std::string file = PathResolve(src, base);
  auto node = LoadResourceFile(file.empty() ? src : file);
  // The node is named by the file's own element unless the link names it.
  std::string linkName = e.GetAttr("name");
  if (node && !linkName.empty()) node->name = linkName;
  return node;
}

}  // namespace

std::unique_ptr<TResource> BuildNode(const TSGML& e, const std::string& base) {
  switch (ClassifyTag(e.Tag())) {
    case SgmlTag::ResourceList:
    case SgmlTag::ClassList:
    case SgmlTag::Link: {
      DepthGuard depth;
      if (depth.TooDeep()) {
        ShowMessage(e.Tag() + J(":リソースの入れ子が深すぎます"));
        return nullptr;
      }
      return e.Tag() == "link" ? BuildLink(e, base) : BuildList(e, base);
    }
    case SgmlTag::Class:
      return std::make_unique<TRTTI>(e.GetAttr("name"), ResolveSource(e.GetAttr("src"), base));
    case SgmlTag::GlobalValue: {
      auto g = std::make_unique<TGlobalValue>(e.GetAttr("name"), e.GetAttr("value"));
      g->sourcePath = ResolveSource(e.GetAttr("src"), base);
      return g;
    }
    case SgmlTag::Param: {
      auto p = std::make_unique<TfParam>(e.GetAttr("name"), e.GetAttr("value"));
      p->sourcePath = ResolveSource(e.GetAttr("src"), base);
      return p;
    }
    case SgmlTag::Generator:
      return std::make_unique<TGenerator>(e, base);
    case SgmlTag::CPattern:
      return std::make_unique<TCPat>(e, base);
    case SgmlTag::Module:
      return std::make_unique<TModuleRes>(e, base);
    case SgmlTag::Other:
      if (!e.Tag().empty() && FindClass("classes.customres." + e.Tag())) return std::make_unique<TCustomResource>(e, base);
      ShowMessage(UnknownTagMessage(e.Tag()));
      return nullptr;
  }
  return nullptr;
}

std::unique_ptr<TResource> LoadResourceFile(std::string_view path) {
  std::string file = PathResolve(path, BaseDir());
  if (file.empty()) file = PathToPosix(path);
  std::string located = LocatePath(file);
  TResourceTree& tree = ResourceTree();
  tree.urls.Add(located);
  for (const std::string& open : tree.loading) {
    if (PathSame(open, located)) {
      ShowMessage(file + J("は循環して参照されています"));
      return nullptr;
    }
  }
  std::string text = ReadMarkupText(file);
  tree.loading.push_back(located);
  struct PopLoading {
    ~PopLoading() { ResourceTree().loading.pop_back(); }
  } pop;
  auto node = NodeFromFileMarkup(text, PathParent(located));
  if (node) node->sourcePath = located;
  return node;
}

std::unique_ptr<TResource> NodeFromMarkup(std::string_view text) { return NodeFromMarkup(text, BaseDir()); }

std::unique_ptr<TResource> NodeFromMarkup(std::string_view text, const std::string& base) {
  auto e = TSGML::ReadFull(text);
  return e ? BuildNode(*e, base) : nullptr;
}

std::unique_ptr<TResource> NodeFromFileMarkup(std::string_view text, const std::string& base) {
  auto e = TSGML::ReadFast(text);
  return e ? BuildNode(*e, base) : nullptr;
}

}  // namespace ruvel
