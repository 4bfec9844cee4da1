// The reader of markup built from strings at run time. A tag is the text
// from a "<" to the next ">"; attributes are name="value" pairs inside it,
// decoded twice; the text between tags is kept, decoded once.
#include <algorithm>
#include <optional>

#include "platform/message_sink.h"
#include "resources/sgml.h"
#include "resources/sgml_scan.h"

namespace ruvel {

using sgml_scan::CharLen;
using sgml_scan::IsNameChar;

namespace {

struct TagSpan {
  size_t start;  // the "<"
  size_t end;    // just past the ">"
};

// The first "<...>" at or after `from`. When the first "<" has no ">"
// after it, no later one has either.
std::optional<TagSpan> FindTag(std::string_view text, size_t from) {
  size_t lt = text.find('<', from);
  if (lt == std::string_view::npos) return std::nullopt;
  size_t gt = text.find('>', lt + 1);
  if (gt == std::string_view::npos) return std::nullopt;
  return TagSpan{lt, gt + 1};
}

bool IsClosingTag(std::string_view tag) { return tag.size() >= 2 && tag[1] == '/'; }

}  // namespace

class SgmlFullReader {
 public:
  SgmlFullReader(std::string_view text, size_t pos) : text_(text), pos_(std::min(pos, text.size())) {}

  // One element with its subtree; nesting is kept on an explicit stack.
  std::unique_ptr<TSGML> ReadElement() {
    std::optional<TagSpan> tag = FindTag(text_, pos_);
    if (!tag) throw ESGMLError("Tag Error");
    pos_ = tag->end;
    bool open = false;
    std::unique_ptr<TSGML> root = ReadTag(*tag, open);
    if (!open) return root;
    std::vector<TSGML*> stack{root.get()};
    while (!stack.empty()) {
      std::optional<TagSpan> next = FindTag(text_, pos_);
      if (!next) {
        // Reported once: every element still open has run out of text in
        // the same place, and each keeps what was read.
        ShowMessage("invalid Tag : " + std::string(text_.substr(pos_)));
        break;
      }
      TSGML* current = stack.back();
      current->texts_.push_back(DecodeMarkupValue(text_.substr(pos_, next->start - pos_)));
      pos_ = next->end;
      if (IsClosingTag(text_.substr(next->start, next->end - next->start))) {
        stack.pop_back();
        continue;
      }
      bool childOpen = false;
      TSGML* child = current->AddChild(ReadTag(*next, childOpen));
      if (childOpen) {
        if (stack.size() >= kMaxMarkupDepth) throw ESGMLError(MarkupTooDeepMessage());
        stack.push_back(child);
      }
    }
    return root;
  }

  size_t Position() const { return pos_; }

 private:
  // The element of one tag: its name (the word characters right after the
  // "<", possibly none, so taking it cannot fail) and its attributes.
  // `open` tells whether content follows: not after "/>" and not for the
  // leaf tags.
  std::unique_ptr<TSGML> ReadTag(TagSpan span, bool& open) const {
    std::string_view tag = text_.substr(span.start, span.end - span.start);
    size_t nameEnd = 1;
    while (nameEnd < tag.size() && IsNameChar(tag[nameEnd])) ++nameEnd;
    auto element = std::make_unique<TSGML>(std::string(tag.substr(1, nameEnd - 1)));
    ReadAttributes(tag.substr(nameEnd), *element);
    open = !(tag.ends_with("/>") || IsLeafTag(element->Tag()));
    return element;
  }

  // Every match of name="value" (name: one or more word characters, value:
  // no double quote), searched left to right from character boundaries so
  // that the second byte of a two-byte character never starts a name.
  static void ReadAttributes(std::string_view rest, TSGML& element) {
    size_t i = 0;
    while (i < rest.size()) {
      if (!IsNameChar(rest[i])) {
        i += CharLen(rest, i);
        continue;
      }
      size_t nameEnd = i;
      while (nameEnd < rest.size() && IsNameChar(rest[nameEnd])) ++nameEnd;
      // A match starting later inside the same name would reach the same
      // following characters, so the whole run is skipped when they fail.
      if (nameEnd + 1 >= rest.size() || rest[nameEnd] != '=' || rest[nameEnd + 1] != '"') {
        i = nameEnd;
        continue;
      }
      size_t close = rest.find('"', nameEnd + 2);
      if (close == std::string_view::npos) return;  // no later match can close either
      std::string_view value = rest.substr(nameEnd + 2, close - nameEnd - 2);
      element.SetAttr(rest.substr(i, nameEnd - i), DecodeMarkupValue(DecodeMarkupValue(value)));
      i = close + 1;
    }
  }

  std::string_view text_;
  size_t pos_;
};

std::unique_ptr<TSGML> TSGML::ReadFull(std::string_view text, size_t& pos) {
  bool progress = text.size() > 100;
  if (progress) LogLine("sgml.create");
  SgmlFullReader reader(text, pos);
  std::unique_ptr<TSGML> element = reader.ReadElement();
  pos = reader.Position();
  if (progress) LogLine("/sgml.create");
  return element;
}

std::unique_ptr<TSGML> TSGML::ReadFull(std::string_view text) {
  size_t pos = 0;
  return ReadFull(text, pos);
}

}  // namespace ruvel
