// The map file: any text either fails with TMapError or gives a map whose
// written text reads back to the same map.
#include <cstdlib>

#include "fuzz_support.h"
#include "tilemap/tile_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::TTileMap map;
  try {
    map = ruvel::TTileMap::FromText(ruvel::fuzz::Bytes(data, size), "fuzz.map");
  } catch (const ruvel::TMapError&) {
    return 0;
  }
  map.Hits(-5, -5, 40, 40);
  map.TileAt(17, 3);
  if (!(ruvel::TTileMap::FromText(map.ToText(), "again.map") == map)) std::abort();
  return 0;
}
