// Import of maps made with the Tiled editor: ".tmj" (JSON) and ".tmx" (XML
// with CSV-encoded tile layers). Global tile ids are mapped to tile numbers
// from 0 (id 0, an empty cell, becomes -1); every tile layer becomes a layer
// of the same name. Flipped or rotated tiles, other encodings, infinite maps
// and maps past the limits of tile_map.h are refused with a TMapError naming
// the file and, where one is known, the line.
#pragma once
#include <string>

#include "tilemap/tile_map.h"

namespace ruvel {

// The file's extension is ".tmj" or ".tmx" (letter case ignored).
bool IsTiledMapName(const std::string& path);
// Reads a Tiled map from text; name is used in messages, and its
// extension chooses JSON or XML.
TTileMap ImportTiledText(const std::string& text, const std::string& name);
TTileMap ImportTiledMap(const std::string& path);

}  // namespace ruvel
