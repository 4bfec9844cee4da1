// CP932 (Shift-JIS) text helpers. Script text is CP932 bytes; host messages
// are written as UTF-8 in the source and converted once with J("...").
#pragma once
#include <string>
#include <string_view>

namespace ruvel {

// Converts UTF-8 to CP932; characters without a CP932 form become '?'.
std::string Utf8ToCp932(std::string_view utf8);
// Converts CP932 to UTF-8; invalid bytes become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);
// Short name for the boundary conversion to what a person sees.
inline std::string ToUtf8(std::string_view cp932) { return Cp932ToUtf8(cp932); }

// True when b starts a two-byte CP932 character.
inline bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xfc); }

// True when the bytes are valid UTF-8 and hold at least one non-ASCII byte;
// such files are converted to CP932 when read.
bool LooksLikeUtf8(std::string_view bytes);
// Returns the text in CP932: converted when it looks like UTF-8, else as is.
std::string NormalizeToCp932(std::string_view bytes);

// ASCII letters lower-cased, two-byte characters left untouched (their
// second byte may look like an ASCII letter).
std::string FoldCase(std::string_view cp932);
// Case-insensitive comparison in the sense of FoldCase: <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
inline bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

// Number of characters, counting a two-byte character as one.
int CharCount(std::string_view cp932);

}  // namespace ruvel

// A host message text in CP932, converted once per call site.
#define J(utf8) \
  ([]() -> const std::string& { static const std::string j_text_ = ::ruvel::Utf8ToCp932(utf8); return j_text_; }())
