// Constants of the script language as the code generator reads them:
// string literal bodies with their backslash escapes (Shift-JIS aware) and
// decimal numbers.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ruvel {

// Decodes the bytes between the quotes of a string literal. A backslash
// starts an escape ("\n" line feed, "\r" carriage return, "\t" tab, any
// other byte stands for itself) unless it is the second byte of a two-byte
// character (lead byte 0x80-0x9F or 0xE0-0xFC), which is copied as it is.
std::string DecodeStringLiteral(std::string_view body);

// A number without "." as a 32-bit integer; none when it does not fit.
std::optional<int32_t> ParseIntLiteral(std::string_view text);
// A number with "." converted to the nearest single-precision float.
float ParseFloatLiteral(std::string_view text);

}  // namespace ruvel
