#include "resources/resource_element.h"

#include "platform/cp932.h"
#include "resources/resource_markup.h"

namespace ruvel {

TElementResource::TElementResource(const TSGML& element, const std::string& base) : tag_(element.Tag()) {
  name = element.GetAttr("name");
  sourcePath = ResolveSource(element.GetAttr("src"), base);
  for (size_t i = 0; i < element.AttrCount(); ++i) attrs_.emplace_back(element.AttrName(i), element.AttrValue(i));
  // Children are copied directly: going through the writer would re-indent
  // every level and cost the square of the depth.
  for (size_t i = 0; i < element.ChildCount(); ++i) children_.push_back(element.Child(i)->Clone());
}

std::string TElementResource::Attr(std::string_view attrName) const {
  for (const auto& [n, v] : attrs_) {
    if (EqualsNoCase(n, attrName)) return v;
  }
  return std::string();
}

void TElementResource::WriteMarkup(std::vector<std::string>& lines, const std::string& indent) {
  std::string src = RelativeSource(sourcePath);
  TMarkupAttrs attrs;
  bool hasName = false;
  bool hasSrc = false;
  for (const auto& [n, v] : attrs_) {
    if (EqualsNoCase(n, "name")) {
      if (hasName) continue;
      hasName = true;
      attrs.emplace_back(n, name);
    } else if (EqualsNoCase(n, "src")) {
      if (hasSrc) continue;
      hasSrc = true;
      attrs.emplace_back(n, src);
    } else {
      attrs.emplace_back(n, v);
    }
  }
  // A node renamed or given a file after reading keeps them.
  if (!hasName && !name.empty()) attrs.emplace_back("name", name);
  if (!hasSrc && !src.empty()) attrs.emplace_back("src", src);
  if (children_.empty()) {
    lines.push_back(MarkupLine(indent, tag_, attrs, "/>"));
    return;
  }
  lines.push_back(MarkupLine(indent, tag_, attrs, ">"));
  for (const auto& child : children_) {
    std::string text = child->Write(indent + " ");
    size_t start = 0;
    for (;;) {
      size_t end = text.find("\r\n", start);
      lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
      if (end == std::string::npos) break;
      start = end + 2;
    }
  }
  lines.push_back(indent + "</" + tag_ + ">");
}

}  // namespace ruvel
