#include "langserver/source_text.h"

#include <algorithm>

#include "platform/cp932.h"

namespace ruvel::lsp {

int Utf8SequenceLength(unsigned char b) {
  if (b >= 0xf0 && b <= 0xf4) return 4;
  if (b >= 0xe0) return b <= 0xef ? 3 : 1;
  if (b >= 0xc2) return 2;
  return 1;
}

namespace {

// Sequence length checked against the bytes that follow.
int CharLength(const std::string& s, size_t i) {
  int n = Utf8SequenceLength(static_cast<unsigned char>(s[i]));
  if (i + n > s.size()) return 1;
  for (int k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) return 1;
  }
  return n;
}

}  // namespace

SourceText::SourceText(std::string utf8) : utf8_(std::move(utf8)) {
  line_starts_.push_back(0);
  cp932_.reserve(utf8_.size());
  cp932_to_utf8_.reserve(utf8_.size() + 1);
  for (size_t i = 0; i < utf8_.size();) {
    unsigned char b = static_cast<unsigned char>(utf8_[i]);
    if (b == '\n') line_starts_.push_back(static_cast<int32_t>(i + 1));
    int n = b < 0x80 ? 1 : CharLength(utf8_, i);
    // Each character is converted alone, so every CP932 byte knows the
    // UTF-8 character it came from.
    std::string piece = n == 1 && b < 0x80 ? std::string(1, static_cast<char>(b)) : Utf8ToCp932(utf8_.substr(i, n));
    if (piece.empty()) piece = "?";
    for (char c : piece) {
      cp932_ += c;
      cp932_to_utf8_.push_back(static_cast<int32_t>(i));
    }
    i += n;
  }
  cp932_to_utf8_.push_back(static_cast<int32_t>(utf8_.size()));
}

SourceText SourceText::FromFileBytes(const std::string& bytes) {
  std::string text = bytes;
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii || LooksLikeUtf8(text)) return SourceText(text);
  return SourceText(Cp932ToUtf8(text));
}

int32_t SourceText::FromCp932(int32_t offset) const {
  if (offset < 0) return 0;
  if (static_cast<size_t>(offset) >= cp932_to_utf8_.size()) return static_cast<int32_t>(utf8_.size());
  return cp932_to_utf8_[offset];
}

int32_t SourceText::Offset(TextPos pos) const {
  if (pos.line < 0) return 0;
  if (pos.line >= LineCount()) return static_cast<int32_t>(utf8_.size());
  size_t i = line_starts_[pos.line];
  int units = 0;
  while (i < utf8_.size() && utf8_[i] != '\n' && units < pos.character) {
    int n = CharLength(utf8_, i);
    int width = n == 4 ? 2 : 1;
    if (units + width > pos.character) break;
    units += width;
    i += n;
  }
  return static_cast<int32_t>(i);
}

TextPos SourceText::Position(int32_t offset) const {
  offset = std::clamp<int32_t>(offset, 0, static_cast<int32_t>(utf8_.size()));
  auto it = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
  int line = static_cast<int>(it - line_starts_.begin()) - 1;
  int units = 0;
  for (size_t i = line_starts_[line]; i < static_cast<size_t>(offset);) {
    int n = CharLength(utf8_, i);
    units += n == 4 ? 2 : 1;
    i += n;
  }
  return {line, units};
}

SourceText SourceText::Replaced(TextPos start, TextPos end, const std::string& with) const {
  int32_t a = Offset(start);
  int32_t b = std::max(a, Offset(end));
  return SourceText(utf8_.substr(0, a) + with + utf8_.substr(b));
}

}  // namespace ruvel::lsp
