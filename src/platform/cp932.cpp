#include "platform/cp932.h"

#include <algorithm>

#include "platform/cp932_table.h"

namespace ruvel {

// Both directions go through the generated tables on every platform (the
// browser's C library has no CP932); pure ASCII is returned as it is.
std::string Utf8ToCp932(std::string_view utf8) {
  bool ascii = true;
  for (unsigned char c : utf8) if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(utf8);
  return TableUtf8ToCp932(utf8);
}

std::string Cp932ToUtf8(std::string_view cp932) {
  bool ascii = true;
  for (unsigned char c : cp932) if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(cp932);
  return TableCp932ToUtf8(cp932);
}

bool LooksLikeUtf8(std::string_view s) {
  bool nonAscii = false;
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) { ++i; continue; }
    nonAscii = true;
    size_t len;
    if (c >= 0xc2 && c <= 0xdf) len = 2;
    else if (c >= 0xe0 && c <= 0xef) len = 3;
    else if (c >= 0xf0 && c <= 0xf4) len = 4;
    else return false;
    if (i + len > s.size()) return false;
    for (size_t k = 1; k < len; ++k) {
      unsigned char t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xc0) != 0x80) return false;
    }
    i += len;
  }
  return nonAscii;
}

std::string NormalizeToCp932(std::string_view bytes) {
  if (LooksLikeUtf8(bytes)) return Utf8ToCp932(bytes);
  return std::string(bytes);
}

std::string FoldCase(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(c) && i + 1 < out.size()) { ++i; continue; }
    if (c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
  }
  return out;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  bool trailA = false;
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    bool fold = !trailA;
    trailA = !trailA && IsLeadByte(ca);
    if (fold) {
      if (ca >= 'A' && ca <= 'Z') ca += 32;
      if (cb >= 'A' && cb <= 'Z') cb += 32;
    }
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int CharCount(std::string_view s) {
  int n = 0;
  for (size_t i = 0; i < s.size(); ++i, ++n) {
    if (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ++i;
  }
  return n;
}

}  // namespace ruvel
