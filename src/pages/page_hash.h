// The page integrity value: a number computed from the bytes of a page
// file, set into "$_hashCode" by the page script and returned by the
// native "getPageHashCode" for the current page. It is the 32-bit FNV-1a
// hash of the file's bytes with the top bit cleared, so it is a
// non-negative script integer; a file that cannot be read gives 0.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace ruvel {

int32_t HashBytes(std::string_view bytes);
int32_t PageHashCode(const std::string& file);

}  // namespace ruvel
