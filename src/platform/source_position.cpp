#include "platform/regular_file.h"
#include "platform/source_position.h"

#include <fstream>
#include <sstream>

#include "platform/cp932.h"

namespace ruvel {

TLineColumn LineColumnOf(std::string_view text, int32_t offset) {
  TLineColumn at;
  if (offset < 0) return at;
  // The compiler's text ends every line in CR LF: each line of the raw
  // text takes its content plus two bytes there.
  size_t start = 0;
  int64_t lineStart = 0;  // the line's offset in the compiler's text
  for (int line = 1; start <= text.size(); ++line) {
    size_t nl = text.find('\n', start);
    size_t end = nl == std::string_view::npos ? text.size() : nl;
    size_t contentEnd = end;
    if (contentEnd > start && text[contentEnd - 1] == '\r') --contentEnd;
    int64_t length = int64_t(contentEnd - start);
    if (offset < lineStart + length + 2) {
      int64_t within = std::min<int64_t>(offset - lineStart, length);
      // Characters wholly before the offset; an offset inside a two-byte
      // character is that character's column.
      int column = 1;
      for (int64_t i = 0; i < within; ++column) {
        int64_t len = IsLeadByte(static_cast<unsigned char>(text[start + size_t(i)])) ? 2 : 1;
        if (i + len > within) break;
        i += len;
      }
      at.line = line;
      at.column = column;
      return at;
    }
    if (nl == std::string_view::npos) break;
    lineStart += length + 2;
    start = nl + 1;
  }
  return at;
}

TLineColumn LineColumnInFile(const std::string& path, int32_t offset) {
  std::string bytes;
  if (ReadRegularFile(path, kMaxSourceFileBytes, bytes) != TReadStatus::kOk) return TLineColumn();
  return LineColumnOf(NormalizeToCp932(bytes), offset);
}

std::string LineColumnText(const std::string& path, int32_t offset) { return LineColumnText(LineColumnInFile(path, offset)); }

std::string LineColumnText(TLineColumn at) {
  if (at.line <= 0) return std::string();
  return " " + std::to_string(at.line) + J("行目") + " " + std::to_string(at.column) + J("桁");
}

}  // namespace ruvel
