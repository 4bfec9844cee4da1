#include "platform/cp932_table.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace ruvel {
namespace {

struct TCodePair {
  uint16_t from;
  uint16_t to;
};

#include "cp932_table.inc"

// The entry for key in a table sorted by its first column, or nullptr.
const TCodePair* Find(const TCodePair* first, const TCodePair* last, unsigned key) {
  const TCodePair* p = std::lower_bound(first, last, key, [](const TCodePair& e, unsigned k) { return e.from < k; });
  return p != last && p->from == key ? p : nullptr;
}

void AppendUtf8(std::string& out, unsigned cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one UTF-8 sequence at s[i]. Returns 1 with cp set, 0 for an
// invalid sequence, -1 for a valid start that the input ends inside.
int DecodeUtf8(std::string_view s, size_t i, unsigned& cp, size_t& len) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  unsigned min;
  if (c < 0x80) { cp = c; len = 1; return 1; }
  if (c >= 0xC2 && c <= 0xDF) { cp = c & 0x1F; len = 2; min = 0x80; }
  else if (c >= 0xE0 && c <= 0xEF) { cp = c & 0x0F; len = 3; min = 0x800; }
  else if (c >= 0xF0 && c <= 0xF4) { cp = c & 0x07; len = 4; min = 0x10000; }
  else return 0;
  for (size_t k = 1; k < len; ++k) {
    if (i + k >= s.size()) return -1;
    unsigned char t = static_cast<unsigned char>(s[i + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return 1;
}

}  // namespace

std::string TableCp932ToUtf8(std::string_view in) {
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  const TCodePair* first = std::begin(kCp932Decode);
  const TCodePair* last = std::end(kCp932Decode);
  for (size_t i = 0; i < in.size();) {
    unsigned b = static_cast<unsigned char>(in[i]);
    if (const TCodePair* one = Find(first, last, b)) {
      AppendUtf8(out, one->to);
      ++i;
      continue;
    }
    if (i + 1 < in.size()) {
      if (const TCodePair* two = Find(first, last, b << 8 | static_cast<unsigned char>(in[i + 1]))) {
        AppendUtf8(out, two->to);
        i += 2;
        continue;
      }
    }
    // An invalid byte, or a lead byte without its trail: one byte is replaced.
    out += "\xEF\xBF\xBD";
    ++i;
  }
  return out;
}

std::string TableUtf8ToCp932(std::string_view in) {
  std::string out;
  out.reserve(in.size() + 4);
  const TCodePair* first = std::begin(kCp932Encode);
  const TCodePair* last = std::end(kCp932Encode);
  for (size_t i = 0; i < in.size();) {
    unsigned cp = 0;
    size_t len = 1;
    int r = DecodeUtf8(in, i, cp, len);
    if (r < 0) {
      // The text ends inside a character: the rest becomes one '?'.
      out += '?';
      break;
    }
    const TCodePair* e = r > 0 && cp <= 0xFFFF ? Find(first, last, cp) : nullptr;
    if (e) {
      if (e->to > 0xFF) out += static_cast<char>(e->to >> 8);
      out += static_cast<char>(e->to & 0xFF);
      i += len;
      continue;
    }
    // Invalid or without a CP932 form: '?' for the whole sequence its first
    // byte announces.
    out += '?';
    unsigned char c = static_cast<unsigned char>(in[i]);
    size_t skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    i += std::min(skip, in.size() - i);
  }
  return out;
}

}  // namespace ruvel
