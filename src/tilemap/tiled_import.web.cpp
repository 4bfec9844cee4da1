// The browser build has no Tiled import: maps are imported on the desktop
// (ruvel --import-map) and the game ships the map file.
#include "tilemap/tiled_import.h"

namespace ruvel {

bool IsTiledMapName(const std::string& path) {
  auto endsWith = [&](const char* ext) {
    if (path.size() <= 4) return false;
    for (size_t i = 0; i < 4; ++i) {
      char c = path[path.size() - 4 + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != ext[i]) return false;
    }
    return true;
  };
  return endsWith(".tmj") || endsWith(".tmx");
}

TTileMap ImportTiledText(const std::string&, const std::string& name) {
  throw TMapError(name + ": ブラウザ版では Tiled のマップを読めません (デスクトップ版の ruvel --import-map でマップファイルにしてください)", 0);
}

TTileMap ImportTiledMap(const std::string& path) { return ImportTiledText("", path); }

}  // namespace ruvel
