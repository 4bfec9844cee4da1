#include "platform/float_text.h"

#include <charconv>

namespace ruvel {

bool ParseFixedFloat(const char* first, const char* last, float& value) {
  auto [end, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
  (void)end;
  return ec != std::errc::result_out_of_range;
}

}  // namespace ruvel
