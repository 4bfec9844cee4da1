#include "resources/sgml.h"

#include "platform/cp932.h"

namespace ruvel {

// Frees the subtree with an explicit stack, last child first, so that a
// deeply nested tree read from a malformed file cannot exhaust the stack.
TSGML::~TSGML() {
  std::vector<std::unique_ptr<TSGML>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<TSGML> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
}

std::unique_ptr<TSGML> TSGML::Clone() const {
  auto root = std::make_unique<TSGML>(tag_);
  root->attrs_ = attrs_;
  std::vector<std::pair<const TSGML*, TSGML*>> pending{{this, root.get()}};
  while (!pending.empty()) {
    auto [from, to] = pending.back();
    pending.pop_back();
    for (const auto& child : from->children_) {
      auto copy = std::make_unique<TSGML>(child->tag_);
      copy->attrs_ = child->attrs_;
      pending.emplace_back(child.get(), to->AddChild(std::move(copy)));
    }
  }
  return root;
}

std::string MarkupTooDeepMessage() {
  return J("マークアップの入れ子が深すぎます（") + std::to_string(kMaxMarkupDepth) + J("段まで）");
}

std::string TSGML::GetAttr(std::string_view name) const {
  for (const auto& [n, v] : attrs_) {
    if (EqualsNoCase(n, name)) return v;
  }
  return {};
}

// Every pair of that name goes, not only the first: a reader may have kept
// duplicates, and GetAttr must see the new value afterwards.
void TSGML::SetAttr(std::string_view name, std::string_view value) {
  std::erase_if(attrs_, [&](const auto& pair) { return EqualsNoCase(pair.first, name); });
  attrs_.emplace_back(std::string(name), std::string(value));
}

TSGML* TSGML::AddChild(std::unique_ptr<TSGML> child) {
  child->parent_ = this;
  children_.push_back(std::move(child));
  return children_.back().get();
}

namespace {

void WriteOpening(const TSGML& e, std::string_view indent, std::string& out) {
  out.append(indent);
  out += '<';
  out += e.Tag();
  for (size_t i = 0; i < e.AttrCount(); ++i) {
    const std::string& name = e.AttrName(i);
    const std::string& value = e.AttrValue(i);
    if (name.empty() || value.empty()) continue;
    out += ' ';
    out += name;
    out += "=\"";
    out += EscapeMarkupValue(value);
    out += '"';
  }
}

// A child without a tag name cannot be written: "<" + "/>" would read back
// as a closing tag and end its parent early. Such children (the resource
// builder makes nothing of them) are left out with their content.
bool Writable(const TSGML& e) { return !e.Tag().empty(); }

bool HasWritableChildren(const TSGML& e) {
  for (size_t i = 0; i < e.ChildCount(); ++i) {
    if (Writable(*e.Child(i))) return true;
  }
  return false;
}

}  // namespace

// Iterative, like the destructor, so depth is limited only by memory.
std::string TSGML::Write(std::string_view indent) const {
  struct Frame {
    const TSGML* node;
    size_t next;
  };
  std::string out;
  std::string pad(indent);
  WriteOpening(*this, pad, out);
  if (!HasWritableChildren(*this)) {
    out += "/>";
    return out;
  }
  out += ">\r\n";
  std::vector<Frame> stack{{this, 0}};
  while (!stack.empty()) {
    Frame& top = stack.back();
    if (top.next < top.node->ChildCount()) {
      const TSGML* child = top.node->Child(top.next++);
      if (!Writable(*child)) continue;
      pad += ' ';
      WriteOpening(*child, pad, out);
      if (HasWritableChildren(*child)) {
        out += ">\r\n";
        stack.push_back({child, 0});
      } else {
        out += "/>";
        pad.pop_back();
      }
      continue;
    }
    out += pad;
    out += "</";
    out += top.node->Tag();
    out += '>';
    stack.pop_back();
    if (pad.size() > indent.size()) pad.pop_back();
  }
  return out;
}

SgmlTag ClassifyTag(std::string_view tag) {
  if (tag == "resourcelist") return SgmlTag::ResourceList;
  if (tag == "classlist") return SgmlTag::ClassList;
  if (tag == "class") return SgmlTag::Class;
  if (tag == "globalvalue") return SgmlTag::GlobalValue;
  if (tag == "link") return SgmlTag::Link;
  if (tag == "param") return SgmlTag::Param;
  if (tag == "generator") return SgmlTag::Generator;
  if (tag == "cpattern") return SgmlTag::CPattern;
  if (tag == "module") return SgmlTag::Module;
  return SgmlTag::Other;
}

bool IsLeafTag(std::string_view tag) {
  switch (ClassifyTag(tag)) {
    case SgmlTag::Class:
    case SgmlTag::GlobalValue:
    case SgmlTag::Link:
    case SgmlTag::Generator:
    case SgmlTag::CPattern:
      return true;
    default:
      return false;
  }
}

std::string UnknownTagMessage(std::string_view tag) { return std::string(tag) + J("は不正なタグ名です"); }

// The four replacements done one after another over the whole text give the
// same result as this single pass: "%" is replaced first, so no later step
// sees a "%" it did not write.
std::string EscapeMarkupValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '%': out += "%25"; break;
      case '"': out += "%22"; break;
      case '<': out += "%3c"; break;
      case '>': out += "%3e"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

// Replaces every non-overlapping occurrence, left to right, without
// rescanning what was put in. The patterns are ASCII and "%" is never the
// second byte of a two-byte character, so byte search cannot split one.
std::string ReplaceAll(std::string_view text, std::string_view from, char to) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (true) {
    size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    out.append(text.substr(pos, hit - pos));
    out += to;
    pos = hit + from.size();
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace

std::string DecodeMarkupValue(std::string_view value) {
  if (value.find('%') == std::string_view::npos) return std::string(value);
  std::string s = ReplaceAll(value, "%3c", '<');
  s = ReplaceAll(s, "%3e", '>');
  s = ReplaceAll(s, "%22", '"');
  return ReplaceAll(s, "%25", '%');
}

}  // namespace ruvel
