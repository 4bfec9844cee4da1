#include "compiler/codegen_literal.h"

#include <charconv>
#include <cmath>

#include "platform/float_text.h"

namespace ruvel {

namespace {
bool StartsTwoByte(unsigned char c) { return (c >= 0x80 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
}  // namespace

std::string DecodeStringLiteral(std::string_view body) {
  std::string out;
  out.reserve(body.size());
  bool second = false;  // the byte at i is the second byte of a two-byte character
  for (size_t i = 0; i < body.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(body[i]);
    if (second) {
      second = false;
      out += static_cast<char>(c);
      continue;
    }
    if (StartsTwoByte(c)) {
      second = true;
      out += static_cast<char>(c);
      continue;
    }
    if (c == '\\' && i + 1 < body.size()) {
      char e = body[++i];
      switch (e) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        default:
          out += e;
          break;
      }
      continue;
    }
    // A lone backslash at the very end is dropped as the start of an escape
    // with nothing behind it.
    if (c == '\\') continue;
    out += static_cast<char>(c);
  }
  return out;
}

std::optional<int32_t> ParseIntLiteral(std::string_view text) {
  int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

float ParseFloatLiteral(std::string_view text) {
  float value = 0.0f;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (!ParseFixedFloat(first, last, value)) {
    // Beyond the float range: a huge number becomes infinity, a tiny one 0
    // (a number with a non-zero digit before the "." is the huge kind).
    bool huge = false;
    for (const char* p = first; p < last && *p != '.'; ++p) huge = huge || (*p >= '1' && *p <= '9');
    value = huge ? HUGE_VALF : 0.0f;
  }
  return value;
}

}  // namespace ruvel
