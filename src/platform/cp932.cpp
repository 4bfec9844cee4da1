#include "platform/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace ruvel {
namespace {

// Runs iconv over the whole input; an unconvertible or invalid sequence is
// replaced and skipped so that a conversion never fails as a whole.
std::string Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
                    size_t skipOnError) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[1024];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, dst - buf);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace one input unit and go on.
      out.append(replacement);
      size_t skip = std::min(srcLeft, skipOnError);
      if (skipOnError > 1 && errno == EILSEQ) {
        // Skip a whole UTF-8 sequence when converting from UTF-8.
        unsigned char c = static_cast<unsigned char>(*src);
        size_t len = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc0 ? 2 : 1;
        skip = std::min(srcLeft, len);
      }
      src += skip;
      srcLeft -= skip;
    }
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  bool ascii = true;
  for (unsigned char c : utf8) if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(utf8);
  return Convert("CP932", "UTF-8", utf8, "?", 4);
}

std::string Cp932ToUtf8(std::string_view cp932) {
  bool ascii = true;
  for (unsigned char c : cp932) if (c >= 0x80) { ascii = false; break; }
  if (ascii) return std::string(cp932);
  return Convert("UTF-8", "CP932", cp932, "\xEF\xBF\xBD", 1);
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
