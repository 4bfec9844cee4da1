// Tiled maps: the first byte chooses JSON or XML, the rest is the file.
// Any input either fails with TMapError or gives a map whose map file reads
// back to the same map.
#include <cstdlib>

#include "fuzz_support.h"
#include "tilemap/tiled_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* name = (data[0] & 1) ? "fuzz.tmx" : "fuzz.tmj";
  ruvel::TTileMap map;
  try {
    map = ruvel::ImportTiledText(ruvel::fuzz::Bytes(data + 1, size - 1), name);
  } catch (const ruvel::TMapError&) {
    return 0;
  }
  if (!(ruvel::TTileMap::FromText(map.ToText(), "again.map") == map)) std::abort();
  return 0;
}
