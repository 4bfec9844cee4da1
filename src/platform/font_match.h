// Finding the font file for a family name. On the desktop fontconfig
// answers; in the browser the only font is the bundled IPAGothic file.
#pragma once
#include <string>

namespace ruvel {

// The best file for a family (UTF-8); with exact set, only a font whose
// family is the one asked for counts. Empty when there is none.
std::string MatchFamily(const std::string& family, bool exact);

}  // namespace ruvel
