#include "pages/page_hash.h"

#include <fstream>
#include <iterator>

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
  std::ifstream in(file, std::ios::binary);
  if (!in) return 0;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return HashBytes(bytes);
}

}  // namespace ruvel
