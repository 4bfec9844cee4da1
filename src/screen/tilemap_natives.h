// The natives of the kernel class "TileMap" (TileMapNatives() is in
// screen_natives.h) and the reload of map files that live reload asks for.
#pragma once
#include <string>

namespace ruvel {

// Reads the map file at path again into every TileMap that loaded it; the
// number of TileMaps updated. When the file is bad they keep their tiles
// and error gets the message (UTF-8, naming the file and line).
int ReloadTileMapFile(const std::string& path, std::string& error);

}  // namespace ruvel
