// Resource lists, pages and project files built into resource nodes of the
// kernel's world (custom resources included) and written back.
#include "fuzz_support.h"
#include "resources/resource.h"
#include "resources/resource_loader.h"
#include "resources/resource_tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ruvel::fuzz::StartWorld();
  std::string text = ruvel::fuzz::Bytes(data, size);
  // Modules load native libraries: not from fuzzed text.
  if (text.find("module") != std::string::npos) return 0;
  try {
    auto node = ruvel::NodeFromFileMarkup(text, ruvel::fuzz::Scratch());
    if (node) {
      std::vector<std::string> lines;
      node->WriteMarkup(lines, "");
    }
  } catch (const std::exception&) {
  }
  return 0;
}
