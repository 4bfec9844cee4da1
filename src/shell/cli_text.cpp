#include "shell/cli_text.h"

#include <cstdlib>

namespace ruvel {

namespace {

struct TCliEntry {
  const char* en;
  const char* ja;
};

constexpr TCliEntry kTexts[] = {
#define RUVEL_CLI_ENTRY(id, en, ja) {en, ja},
    RUVEL_CLI_TEXTS(RUVEL_CLI_ENTRY)
#undef RUVEL_CLI_ENTRY
};

}  // namespace

bool CliJapanese() {
  // The first of these that is set and not empty decides, as for the C
  // library's message catalogues.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v[0] == 'j' && v[1] == 'a';
  }
  return false;
}

std::string CliText(TCliText id, const std::string& a, const std::string& b, const std::string& c) {
  const TCliEntry& entry = kTexts[static_cast<int>(id)];
  std::string pattern = CliJapanese() ? entry.ja : entry.en;
  const std::string* args[] = {&a, &b, &c};
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && next < 3) {
      out += *args[next++];
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace ruvel
