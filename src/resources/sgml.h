// The resource markup: TSGML is one element (tag name, ordered attributes,
// child elements, text pieces) with two readers and one writer.
//  - ReadFast: the reader of resource-list files and pages; decodes percent
//    escapes once and never raises (truncated text ends the element).
//  - ReadFull: the reader of markup built from strings at run time; decodes
//    values twice, keeps the text between tags, raises ESGMLError when the
//    text holds no tag and reports a missing closing tag in a message box.
//  - Write: the element as text; only an opening tag with children ends a
//    line, attributes with an empty name or value are left out.
// All text is CP932. Tag names compare with letter case, attribute names
// without.
#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"

namespace ruvel {

// Raised by the run-time reader ("Tag Error", "Tag Error3"). A script
// run-time error, so a native that reads markup ends only its process.
class ESGMLError : public EVMError {
 public:
  using EVMError::EVMError;
};

// Deepest nesting of elements either reader accepts. Deeper markup is
// reported: the file reader ends the element there, the run-time reader
// raises ESGMLError.
constexpr size_t kMaxMarkupDepth = 256;
// The message for markup nested deeper than kMaxMarkupDepth.
std::string MarkupTooDeepMessage();

class TSGML {
 public:
  TSGML() = default;
  explicit TSGML(std::string tag) : tag_(std::move(tag)) {}
  ~TSGML();
  TSGML(const TSGML&) = delete;
  TSGML& operator=(const TSGML&) = delete;

  const std::string& Tag() const { return tag_; }
  void SetTag(std::string tag) { tag_ = std::move(tag); }

  // The value of the first attribute whose name matches without regard to
  // letter case; empty when there is none.
  std::string GetAttr(std::string_view name) const;
  // Removes the attributes of that name (any letter case) and appends the
  // new pair at the end.
  void SetAttr(std::string_view name, std::string_view value);
  size_t AttrCount() const { return attrs_.size(); }
  const std::string& AttrName(size_t i) const { return attrs_.at(i).first; }
  const std::string& AttrValue(size_t i) const { return attrs_.at(i).second; }

  // Appends a child and becomes its parent; returns the child.
  TSGML* AddChild(std::unique_ptr<TSGML> child);
  // True once a child was added.
  bool HasChildren() const { return !children_.empty(); }
  size_t ChildCount() const { return children_.size(); }
  TSGML* Child(size_t i) const { return children_.at(i).get(); }
  TSGML* Parent() const { return parent_; }

  // A deep copy of the element: tag, attributes and children (not the
  // texts). Iterative, so depth costs no machine stack.
  std::unique_ptr<TSGML> Clone() const;

  // Text pieces found between tags by ReadFull, decoded once.
  const std::vector<std::string>& Texts() const { return texts_; }

  // The element's markup, each nested level indented by one more blank
  // than `indent`. Values are written escaped (EscapeMarkupValue) so that
  // both readers give back the stored values. Children without a tag name
  // (which would read back as closing tags) are left out with their
  // content.
  std::string Write(std::string_view indent = {}) const;

  // Reads one element starting at `pos` and leaves `pos` behind it. Returns
  // null when no element starts there (no "<" left, or a closing tag).
  static std::unique_ptr<TSGML> ReadFast(std::string_view text, size_t& pos);
  static std::unique_ptr<TSGML> ReadFast(std::string_view text);

  // Reads one element starting at the first tag at or after `pos`.
  // Raises ESGMLError "Tag Error" when there is no tag. A text longer than
  // 100 bytes is bracketed by the progress lines "sgml.create" and
  // "/sgml.create".
  static std::unique_ptr<TSGML> ReadFull(std::string_view text, size_t& pos);
  static std::unique_ptr<TSGML> ReadFull(std::string_view text);

 private:
  friend class SgmlFastReader;
  friend class SgmlFullReader;

  std::string tag_;
  std::vector<std::pair<std::string, std::string>> attrs_;
  std::vector<std::unique_ptr<TSGML>> children_;
  std::vector<std::string> texts_;
  TSGML* parent_ = nullptr;
};

// The tags the resource builder knows, compared with letter case
// ("Class" is Other).
enum class SgmlTag { ResourceList, ClassList, Class, GlobalValue, Link, Param, Generator, CPattern, Module, Other };
SgmlTag ClassifyTag(std::string_view tag);
// class, globalvalue, link, generator and cpattern never have children:
// the readers go straight on after their ">".
bool IsLeafTag(std::string_view tag);
// The message box text for a tag the builder does not know.
std::string UnknownTagMessage(std::string_view tag);

// Percent escaping of attribute values, in this order: "%" to "%25", the
// double quote to "%22", "<" to "%3c", ">" to "%3e".
std::string EscapeMarkupValue(std::string_view value);
// One pass of the run-time reader's decoding, in this order: "%3c" to "<",
// "%3e" to ">", "%22" to the double quote, "%25" to "%" (lower case only).
std::string DecodeMarkupValue(std::string_view value);

}  // namespace ruvel
