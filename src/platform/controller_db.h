// The game-controller database file ("gamecontrollerdb.txt"): one mapping
// a line, "GUID,name,bindings...,platform:NAME,". Parsed here in one pass
// so that a long file costs time linear in its size: lines for other
// platforms are dropped, and a GUID given twice keeps its last line.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ruvel {

// Limits of the database file, checked before anything is added.
constexpr size_t kMaxControllerDbBytes = size_t(8) << 20;
constexpr size_t kMaxControllerDbLines = 20000;
// SDL looks each added mapping up among those before it, so their number
// is bounded as well (the public database holds about a thousand a platform).
constexpr size_t kMaxControllerMappings = 5000;

// The mappings of a database text for the named platform ("Linux"), in the
// order of their GUIDs' first appearance. Throws EIOError (with the
// message naming the file) when the text has more than kMaxControllerDbLines
// lines or more than kMaxControllerMappings mappings for the platform.
std::vector<std::string> ParseControllerDb(std::string_view text, std::string_view platform,
                                           const std::string& fileName);

}  // namespace ruvel
