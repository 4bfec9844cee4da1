#include "shell/import_map_command.h"

#include <cstdio>

#include "shell/cli_text.h"
#include "tilemap/tiled_import.h"

namespace ruvel {

int RunImportMap(const std::string& in, const std::string& out) {
  try {
    TTileMap map = ImportTiledMap(in);
    if (!map.Save(out)) {
      std::fprintf(stderr, "ruvel: %s\n", CliText(TCliText::kImportMapNotSaved, out).c_str());
      return 1;
    }
    std::string size = std::to_string(map.Columns()) + "x" + std::to_string(map.Rows());
    std::printf("%s\n", CliText(TCliText::kImportMapMade, out, std::to_string(map.Layers().size()), size).c_str());
    return 0;
  } catch (const TMapError& e) {
    std::fprintf(stderr, "ruvel: %s\n", e.what());
    return 1;
  }
}

}  // namespace ruvel
