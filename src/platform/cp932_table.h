// CP932 <-> UTF-8 conversion through tables of our own, generated at build
// time from the desktop C library's iconv (tools/gen/make_cp932_table.cpp).
// They follow iconv's replacement rules exactly; every platform uses them,
// so a build whose C library has no CP932 (the browser) converts the same.
#pragma once
#include <string>
#include <string_view>

namespace ruvel {

// As Utf8ToCp932 / Cp932ToUtf8 (platform/cp932.h), without iconv.
std::string TableUtf8ToCp932(std::string_view utf8);
std::string TableCp932ToUtf8(std::string_view cp932);

}  // namespace ruvel
