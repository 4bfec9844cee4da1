// The reader of resource-list files: a single forward scan over the bytes.
// "<", ">", "/", "%" and the double quote are below 0x40 and so never the
// second byte of a two-byte CP932 character; names are ASCII only. Scanning
// for those bytes therefore never splits a character.
#include <algorithm>
#include <optional>

#include "platform/message_sink.h"
#include "resources/sgml.h"
#include "resources/sgml_scan.h"

namespace ruvel {

using sgml_scan::CharLen;
using sgml_scan::IsNameChar;

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) < '!'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

class SgmlFastReader {
 public:
  explicit SgmlFastReader(std::string_view text, size_t pos) : text_(text), pos_(std::min(pos, text.size())) {}

  // Reads the element at the position with its whole subtree. Nesting is
  // kept on an explicit stack so that no input depth can exhaust the
  // machine stack.
  std::unique_ptr<TSGML> ReadElement() {
    bool open = false;
    std::unique_ptr<TSGML> root = ReadOpening(open);
    if (!root || !open) return root;
    std::vector<TSGML*> stack{root.get()};
    while (!stack.empty()) {
      bool childOpen = false;
      std::unique_ptr<TSGML> child = ReadOpening(childOpen);
      if (child) {
        if (childOpen && stack.size() >= kMaxMarkupDepth) {
          // Too deep: said once, and the rest of the text is not read, as
          // if it had ended before this element.
          ShowMessage(MarkupTooDeepMessage());
          pos_ = text_.size();
          break;
        }
        TSGML* added = stack.back()->AddChild(std::move(child));
        if (childOpen) stack.push_back(added);
        continue;
      }
      // A closing tag (its name is not checked) or the end of the text.
      size_t close = text_.find('>', pos_);
      pos_ = close == std::string_view::npos ? text_.size() : close + 1;
      stack.pop_back();
    }
    return root;
  }

  size_t Position() const { return pos_; }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Cur() const { return text_[pos_]; }

  void SkipBlanks() {
    while (!AtEnd() && IsBlank(Cur())) ++pos_;
  }

  std::string ReadName() {
    size_t start = pos_;
    while (!AtEnd() && IsNameChar(Cur())) ++pos_;
    return std::string(text_.substr(start, pos_ - start));
  }

  // The value after its opening quote, up to the closing quote, with
  // "%" + two characters decoded as a hexadecimal code (0 when they are not
  // hexadecimal). A "%" whose two characters would include the closing
  // quote stays as it is, so that a stray "%" never swallows the end of the
  // value. Returns nothing when the text ends before the closing quote.
  std::optional<std::string> ReadValue() {
    std::string value;
    while (!AtEnd()) {
      char c = Cur();
      if (c == '"') {
        ++pos_;
        return value;
      }
      if (c != '%') {
        value += c;
        ++pos_;
        continue;
      }
      size_t first = pos_ + 1;
      if (first >= text_.size()) break;
      size_t firstLen = CharLen(text_, first);
      size_t second = first + firstLen;
      if (text_[first] == '"' || (second < text_.size() && text_[second] == '"')) {
        value += '%';
        ++pos_;
        continue;
      }
      if (second >= text_.size()) break;
      size_t secondLen = CharLen(text_, second);
      int hi = firstLen == 1 ? HexDigit(text_[first]) : -1;
      int lo = secondLen == 1 ? HexDigit(text_[second]) : -1;
      value += static_cast<char>(hi >= 0 && lo >= 0 ? hi * 16 + lo : 0);
      pos_ = second + secondLen;
    }
    pos_ = text_.size();
    return std::nullopt;
  }

  // The opening tag of one element with its attributes.
  // `open` tells whether child elements and a closing tag follow.
  std::unique_ptr<TSGML> ReadOpening(bool& open) {
    open = false;
    size_t lt = text_.find('<', pos_);
    if (lt == std::string_view::npos) {
      pos_ = text_.size();
      return nullptr;
    }
    if (lt + 1 < text_.size() && text_[lt + 1] == '/') {
      pos_ = lt;
      return nullptr;
    }
    pos_ = lt + 1;
    auto element = std::make_unique<TSGML>();
    SkipBlanks();
    element->tag_ = ReadName();
    while (true) {
      SkipBlanks();
      if (AtEnd()) return element;
      if (Cur() == '>') {
        ++pos_;
        open = !IsLeafTag(element->tag_);
        return element;
      }
      if (Cur() == '/') {
        pos_ = std::min(pos_ + 2, text_.size());
        return element;
      }
      std::string name = ReadName();
      size_t quote = text_.find('"', pos_);
      if (quote == std::string_view::npos) {
        pos_ = text_.size();
        return element;
      }
      pos_ = quote + 1;
      std::optional<std::string> value = ReadValue();
      if (!value) return element;
      element->attrs_.emplace_back(std::move(name), std::move(*value));
    }
  }

  std::string_view text_;
  size_t pos_;
};

std::unique_ptr<TSGML> TSGML::ReadFast(std::string_view text, size_t& pos) {
  SgmlFastReader reader(text, pos);
  std::unique_ptr<TSGML> element = reader.ReadElement();
  pos = reader.Position();
  return element;
}

std::unique_ptr<TSGML> TSGML::ReadFast(std::string_view text) {
  size_t pos = 0;
  return ReadFast(text, pos);
}

}  // namespace ruvel
