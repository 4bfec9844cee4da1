#include "platform/controller_db.h"

#include <unordered_map>

#include "platform/cp932.h"
#include "platform/error.h"

namespace ruvel {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The value of the line's "platform:" field, or an empty view when the line
// names no platform (such a line holds on every platform).
std::string_view PlatformOf(std::string_view line) {
  constexpr std::string_view key = "platform:";
  size_t at = 0;
  while ((at = line.find(key, at)) != std::string_view::npos) {
    if (at == 0 || line[at - 1] == ',') {
      std::string_view rest = line.substr(at + key.size());
      return rest.substr(0, rest.find(','));
    }
    at += key.size();
  }
  return {};
}

}  // namespace

std::vector<std::string> ParseControllerDb(std::string_view text, std::string_view platform,
                                           const std::string& fileName) {
  std::vector<std::string> mappings;
  std::unordered_map<std::string, size_t> byGuid;
  size_t lines = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (++lines > kMaxControllerDbLines) {
      throw EIOError(fileName + J(" の行が多すぎます（") + std::to_string(kMaxControllerDbLines) + J("行まで）"));
    }
    if (line.empty() || line.front() == '#') continue;
    size_t comma = line.find(',');
    // A mapping needs a GUID, a name and at least one binding.
    if (comma == 0 || comma == std::string_view::npos || line.find(',', comma + 1) == std::string_view::npos) continue;
    std::string_view lineOs = PlatformOf(line);
    if (!lineOs.empty() && lineOs != platform) continue;
    std::string guid(line.substr(0, comma));
    for (char& c : guid) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    auto [it, added] = byGuid.emplace(std::move(guid), mappings.size());
    if (added) {
      if (mappings.size() == kMaxControllerMappings) {
        throw EIOError(fileName + J(" のマッピングが多すぎます（") + std::to_string(kMaxControllerMappings) +
                       J("個まで）"));
      }
      mappings.emplace_back(line);
    } else {
      mappings[it->second] = std::string(line);
    }
  }
  return mappings;
}

}  // namespace ruvel
