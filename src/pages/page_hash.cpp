#include "pages/page_hash.h"

#include <fstream>
#include <iterator>
#include "platform/regular_file.h"

namespace ruvel {

int32_t HashBytes(std::string_view bytes) {
  uint32_t h = 2166136261u;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 16777619u;
  }
  return static_cast<int32_t>(h & 0x7fffffffu);
}

int32_t PageHashCode(const std::string& file) {
  if (file.empty()) return 0;
  std::string bytes;
  if (ReadRegularFile(file, kMaxSourceFileBytes, bytes) != TReadStatus::kOk) return 0;
  return HashBytes(bytes);
}

}  // namespace ruvel
