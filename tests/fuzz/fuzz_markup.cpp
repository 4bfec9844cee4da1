// Resource markup (resource lists, pages, project files) through both
// readers and the writer; what the writer gives must read back the same.
#include <cstdlib>

#include "fuzz_support.h"
#include "resources/sgml.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::Scratch();
  std::string text = ruvel::fuzz::Bytes(data, size);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t before = pos;
    auto e = ruvel::TSGML::ReadFast(text, pos);
    if (pos > text.size()) std::abort();
    if (!e) {
      if (pos == before) break;
      continue;
    }
    std::string written = e->Write();
    // A nameless element alone is written as "</>", a closing tag.
    if (e->Tag().empty()) continue;
    auto again = ruvel::TSGML::ReadFast(written);
    if (!again || again->Write() != written) std::abort();
  }
  try {
    pos = 0;
    auto e = ruvel::TSGML::ReadFull(text, pos);
    if (e) e->Write();
  } catch (const ruvel::ESGMLError&) {
  }
  return 0;
}
