// The generated CP932 tables against the C library's iconv they were made
// from: every platform converts with the tables, so every difference here
// would be a change from the converter the program used before.
#include "platform/cp932_table.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

namespace ruvel {

namespace {

// The C library's converter, as the program used it before the tables:
// runs iconv over the whole input; an unconvertible or invalid sequence is
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

std::string IconvUtf8ToCp932(std::string_view s) { return Convert("CP932", "UTF-8", s, "?", 4); }
std::string IconvCp932ToUtf8(std::string_view s) { return Convert("UTF-8", "CP932", s, "\xEF\xBF\xBD", 1); }

std::string Utf8Of(unsigned cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | cp >> 6);
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | cp >> 12);
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

}  // namespace

TEST(Cp932Table, EveryOneAndTwoByteCodeDecodesAsIconvDoes) {
  for (unsigned lead = 0x80; lead < 0x100; ++lead) {
    std::string single(1, static_cast<char>(lead));
    ASSERT_EQ(TableCp932ToUtf8("a" + single), IconvCp932ToUtf8("a" + single)) << std::hex << lead;
    for (unsigned trail = 0; trail < 0x100; ++trail) {
      std::string pair = "x" + single + static_cast<char>(trail) + "y";
      ASSERT_EQ(TableCp932ToUtf8(pair), IconvCp932ToUtf8(pair)) << std::hex << lead << " " << trail;
    }
  }
}

TEST(Cp932Table, EveryBasicPlaneCodePointEncodesAsIconvDoes) {
  for (unsigned cp = 0x80; cp <= 0xFFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    std::string text = "<" + Utf8Of(cp) + ">";
    ASSERT_EQ(TableUtf8ToCp932(text), IconvUtf8ToCp932(text)) << std::hex << cp;
  }
  // Outside the basic plane nothing has a CP932 form.
  EXPECT_EQ(TableUtf8ToCp932("a\xF0\x9F\x98\x80" "b"), IconvUtf8ToCp932("a\xF0\x9F\x98\x80" "b"));
  EXPECT_EQ(TableUtf8ToCp932("a\xF0\x9F\x98\x80" "b"), "a?b");
}

TEST(Cp932Table, BrokenInputIsReplacedAsIconvReplacesIt) {
  const char* cases[] = {
      "\xC0\x80",           // overlong
      "\xED\xA0\x80z",      // a surrogate
      "\xE3\x81",           // ends inside a character
      "\xE3\x81zz\xE3\x81\x82",  // a character cut short in the middle
      "\xFF\xFE",           // never UTF-8
      "\x80\x80\x80",       // continuation bytes alone
      "\xF4\x90\x80\x80",   // beyond U+10FFFF
      "\xE6\xBC\xA2",       // a plain kanji
  };
  for (const char* c : cases) EXPECT_EQ(TableUtf8ToCp932(c), IconvUtf8ToCp932(c)) << c;
  // Random bytes both ways, the same every run.
  std::mt19937 rng(932);
  for (int i = 0; i < 20000; ++i) {
    std::string s;
    int n = static_cast<int>(rng() % 12);
    for (int k = 0; k < n; ++k) s += static_cast<char>(rng() % 256);
    ASSERT_EQ(TableCp932ToUtf8(s), IconvCp932ToUtf8(s)) << i;
    ASSERT_EQ(TableUtf8ToCp932(s), IconvUtf8ToCp932(s)) << i;
  }
}

}  // namespace ruvel
