#include "platform/font_match.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

namespace ruvel {

// fontconfig's best file for a family; with exact set, only a font whose
// family is the one asked for counts.
std::string MatchFamily(const std::string& family, bool exact) {
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return {};
  if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return {};
  std::string file;
  bool familyOk = !exact;
  FcChar8* value = nullptr;
  for (int i = 0; exact && FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
    if (strcasecmp(reinterpret_cast<const char*>(value), family.c_str()) == 0) familyOk = true;
  }
  if (familyOk && FcPatternGetString(match, FC_FILE, 0, &value) == FcResultMatch) {
    file = reinterpret_cast<const char*>(value);
  }
  FcPatternDestroy(match);
  return file;
}

}  // namespace ruvel
