// Where a byte offset of a compiled source lies as a person counts it: the
// line and the column (characters, a two-byte character counting once) in
// the file as the compiler read it (converted to CP932, lines ending in CR
// LF). Error messages add it after the offset.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace ruvel {

struct TLineColumn {
  int line = 0;    // 1-based; 0 when unknown
  int column = 0;  // 1-based
};

// For text as the compiler read it (CP932, any line ends).
TLineColumn LineColumnOf(std::string_view text, int32_t offset);
// Reads the file; unknown (line 0) when it cannot be read or the offset
// lies outside it.
TLineColumn LineColumnInFile(const std::string& path, int32_t offset);
// " 12行目 5桁" (CP932) for the offset in the file, empty when unknown.
std::string LineColumnText(const std::string& path, int32_t offset);
std::string LineColumnText(TLineColumn at);

}  // namespace ruvel
