// ruvel --import-map IN -o OUT: a map made with the Tiled editor written as
// a map file the game loads with TileMap.
#pragma once
#include <string>

namespace ruvel {

// Imports in and saves out atomically; prints what was made (0) or why
// nothing was (1) in the user's language.
int RunImportMap(const std::string& in, const std::string& out);

}  // namespace ruvel
