#include "rankd/top_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "rankd/html_pages.h"

namespace ruvel::rankd {

std::string TopJson(const std::vector<TEntry>& entries) {
  nlohmann::json list = nlohmann::json::array();
  for (const TEntry& e : entries) {
    nlohmann::json item;
    item["rank"] = e.rank;
    item["name"] = e.name;
    // Whole scores as integers, as the game sent them.
    if (std::fabs(e.score) < 1e15 && e.score == std::floor(e.score))
      item["score"] = static_cast<long long>(e.score);
    else
      item["score"] = e.score;
    item["time"] = TimeText(e.timeMs);
    list.push_back(std::move(item));
  }
  nlohmann::json doc;
  doc["entries"] = std::move(list);
  return doc.dump();
}

}  // namespace ruvel::rankd
