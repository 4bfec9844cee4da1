#include "platform/font_match.h"

#include <strings.h>

#include "platform/web_paths.h"

namespace ruvel {

// The browser has no font catalogue: the exported page brings IPAGothic,
// which answers every family that is not asked for exactly.
std::string MatchFamily(const std::string& family, bool exact) {
  if (exact && strcasecmp(family.c_str(), "IPAGothic") != 0) return {};
  return kWebFontFile;
}

}  // namespace ruvel
