// One source file as the language server sees it: UTF-8 text (files on
// disk may be UTF-8 or Shift_JIS and are decoded once), line starts for
// protocol positions counted in UTF-16 code units, and the CP932 form the
// compiler reads with a map from its byte offsets back to the UTF-8 text.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel::lsp {

// A position as the protocol counts it: line and UTF-16 code unit.
struct TextPos {
  int line = 0;
  int character = 0;
};

class SourceText {
 public:
  SourceText() : SourceText(std::string()) {}
  explicit SourceText(std::string utf8);

  // File bytes in UTF-8 (a byte-order mark is dropped) or Shift_JIS.
  static SourceText FromFileBytes(const std::string& bytes);

  const std::string& Utf8() const { return utf8_; }
  // The text in CP932, as the compiler reads it.
  const std::string& Cp932() const { return cp932_; }
  // The UTF-8 offset of a CP932 byte offset (clamped to the text).
  int32_t FromCp932(int32_t offset) const;

  // UTF-8 offset of a protocol position; a position past the end of its
  // line or of the text is clamped to that end.
  int32_t Offset(TextPos pos) const;
  TextPos Position(int32_t offset) const;
  int LineCount() const { return static_cast<int>(line_starts_.size()); }

  // Applies a change: the whole text, or the range from start to end.
  SourceText Replaced(TextPos start, TextPos end, const std::string& with) const;

 private:
  std::string utf8_;
  std::string cp932_;
  std::vector<int32_t> cp932_to_utf8_;
  std::vector<int32_t> line_starts_;
};

// Length in bytes of the UTF-8 sequence that starts with b (1 for a stray
// continuation or invalid byte, so every byte advances).
int Utf8SequenceLength(unsigned char b);

}  // namespace ruvel::lsp
