#include "platform/float_text.h"

#include <cerrno>
#include <cstdlib>
#include <string>

namespace ruvel {

// strtof reads what from_chars in fixed notation reads as long as the text
// holds only digits and one "." (as number literals do); the digits are
// copied so that the text ends where the caller says.
bool ParseFixedFloat(const char* first, const char* last, float& value) {
  std::string text;
  for (const char* p = first; p < last && ((*p >= '0' && *p <= '9') || *p == '.' || (p == first && *p == '-')); ++p) {
    text += *p;
  }
  if (text.empty() || text == "." || text == "-") return true;
  errno = 0;
  float v = std::strtof(text.c_str(), nullptr);
  if (errno == ERANGE) return false;
  value = v;
  return true;
}

}  // namespace ruvel
