#include "rankd/query.h"

#include "rankd/limits.h"

namespace ruvel::rankd {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-8 as a game writes it: no overlong forms, no surrogates, nothing
// past U+10FFFF. Stored text is shown on pages, so it must be sound.
bool IsUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len = c >= 0xf0 ? 4 : c >= 0xe0 ? 3 : c >= 0xc2 ? 2 : 0;
    if (len == 0 || c > 0xf4 || i + len > s.size()) return false;
    unsigned cp = c & (0x3f >> (len - 1));
    for (size_t k = 1; k < len; ++k) {
      unsigned char d = s[i + k];
      if ((d & 0xc0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3f);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10ffff)) ||
        (cp >= 0xd800 && cp <= 0xdfff))
      return false;
    i += len;
  }
  return true;
}

}  // namespace

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    int hi = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    int lo = hi >= 0 ? HexDigit(text[i + 2]) : -1;
    if (lo < 0) throw TBadQuery("a '%' is not followed by two hex digits");
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

TQueryParams ParseQuery(std::string_view query) {
  if (query.size() > kMaxQueryBytes) throw TBadQuery("the query is longer than " + std::to_string(kMaxQueryBytes) + " bytes");
  TQueryParams params;
  size_t start = 0;
  while (start < query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string_view::npos) end = query.size();
    std::string_view pair = query.substr(start, end - start);
    start = end + 1;
    if (pair.empty()) continue;
    if (params.size() == kMaxParams) throw TBadQuery("more than " + std::to_string(kMaxParams) + " parameters");
    size_t eq = pair.find('=');
    std::string name = PercentDecode(pair.substr(0, eq));
    std::string value = eq == std::string_view::npos ? std::string() : PercentDecode(pair.substr(eq + 1));
    if (name.empty()) throw TBadQuery("a parameter has no name");
    if (name.size() > kMaxParamNameBytes) throw TBadQuery("a parameter name is longer than " + std::to_string(kMaxParamNameBytes) + " bytes");
    if (value.size() > kMaxParamValueBytes) throw TBadQuery("the value of " + name + " is longer than " + std::to_string(kMaxParamValueBytes) + " bytes");
    if (!IsUtf8(name) || !IsUtf8(value)) throw TBadQuery("a parameter is not UTF-8 text");
    params.emplace_back(std::move(name), std::move(value));
  }
  return params;
}

const std::string* FindParam(const TQueryParams& params, std::string_view name) {
  for (const auto& [n, v] : params)
    if (n == name) return &v;
  return nullptr;
}

}  // namespace ruvel::rankd
