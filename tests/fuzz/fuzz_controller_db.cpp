// The game-controller database: parsed for one platform; every mapping
// kept is a line of the input for that platform (or none), with a GUID no
// other kept mapping has, and parsing its own output gives it back.
#include <cstdlib>
#include <set>

#include "fuzz_support.h"
#include "platform/controller_db.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text = ruvel::fuzz::Bytes(data, size);
  std::vector<std::string> mappings;
  try {
    mappings = ruvel::ParseControllerDb(text, "Linux", "gamecontrollerdb.txt");
  } catch (const ruvel::EIOError&) {
    return 0;
  }
  if (mappings.size() > ruvel::kMaxControllerMappings) std::abort();
  std::set<std::string> guids;
  std::string joined;
  for (const std::string& m : mappings) {
    if (m.empty() || m.find('\n') != std::string::npos || text.find(m) == std::string::npos) std::abort();
    std::string guid = m.substr(0, m.find(','));
    for (char& c : guid) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    if (!guids.insert(guid).second) std::abort();
    joined += m + "\n";
  }
  if (ruvel::ParseControllerDb(joined, "Linux", "again") != mappings) std::abort();
  return 0;
}
