// The board as JSON for game pages and other programs:
// {"entries": [{"rank": 1, "name": "...", "score": 1200, "time": "..."}, ...]}.
#pragma once
#include <string>
#include <vector>

#include "rankd/store.h"

namespace ruvel::rankd {

std::string TopJson(const std::vector<TEntry>& entries);

}  // namespace ruvel::rankd
