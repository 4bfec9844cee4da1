// Byte-level helpers shared by the two markup readers. Names are ASCII
// letters, digits and "_"; a lead byte is stepped over with its second byte.
#pragma once
#include <cstddef>
#include <string_view>

#include "platform/cp932.h"

namespace ruvel::sgml_scan {

inline bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

inline bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7e) || (b >= 0x80 && b <= 0xfc); }

// Length of the character at pos: 2 for a lead byte followed by a valid
// second byte, else 1.
inline size_t CharLen(std::string_view text, size_t pos) {
  if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos])) &&
      IsTrailByte(static_cast<unsigned char>(text[pos + 1])))
    return 2;
  return 1;
}

}  // namespace ruvel::sgml_scan
