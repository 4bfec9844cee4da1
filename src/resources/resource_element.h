// Resource kinds that keep the element they were read from: modules and
// custom resources (resources/custom_resource.h). Each remembers its tag,
// every attribute in order and its child elements, and writes them back
// as they were read (with its current name and source path), so a page
// survives a load and save unchanged. The pattern resource TCPat,
// included from here, writes its own markup (resources/resource_pattern.h),
// as does the generator TGenerator (resources/resource_generator.h).
// TEvalCache is the snippet compiler's node; it has no markup.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "resources/resource.h"
#include "resources/resource_generator.h"
#include "resources/resource_pattern.h"
#include "resources/sgml.h"

namespace ruvel {

class TElementResource : public TResource {
 public:
  // Takes name and src (resolved against base) and copies tag, attributes
  // and children of the element.
  TElementResource(const TSGML& element, const std::string& base);
  const char* TypeName() const override { return "TElementResource"; }

  const std::string& Tag() const { return tag_; }
  // The attribute's value as read (letter case of the name ignored).
  std::string Attr(std::string_view attrName) const;
  const std::vector<std::pair<std::string, std::string>>& Attrs() const { return attrs_; }
  size_t ElementChildCount() const { return children_.size(); }
  const TSGML& ElementChild(size_t i) const { return *children_.at(i); }

  // The element's lines: the attributes in their order with name and src
  // replaced by the node's own, then the child elements, then the closing
  // tag (or "/>" without children).
  void WriteMarkup(std::vector<std::string>& lines, const std::string& indent) override;

 private:
  std::string tag_;
  std::vector<std::pair<std::string, std::string>> attrs_;
  std::vector<std::unique_ptr<TSGML>> children_;
};

// A module's native library, loaded from src when the node is made (see
// runtime/modules.h). A library that cannot be loaded leaves it empty.
class TModuleRes : public TElementResource {
 public:
  TModuleRes(const TSGML& element, const std::string& base);
  ~TModuleRes() override;
  const char* TypeName() const override { return "TModuleRes"; }
  void* library = nullptr;  // OpenSharedLibrary handle
};

class TEvalCache : public TResource {
 public:
  const char* TypeName() const override { return "TEvalCache"; }
};

}  // namespace ruvel

// TCustomResource, the custom resource kind, builds on TElementResource.
#include "resources/custom_resource.h"
