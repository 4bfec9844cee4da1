// Reading a decimal number in fixed notation ("12.5") as a float, correctly
// rounded. The desktop uses std::from_chars; the browser's C++ library has
// no float from_chars, so there strtof does the same work.
#pragma once

namespace ruvel {

// Reads [first, last) into value. False when the number lies beyond the
// float range (value is then left for the caller to decide).
bool ParseFixedFloat(const char* first, const char* last, float& value);

}  // namespace ruvel
