// The breakpoint file: parsed, written back and parsed again to the same
// breakpoints.
#include <cstdlib>

#include "debugger/breakpoint_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto first = ruvel::ParseBreakpointFile(ruvel::fuzz::Bytes(data, size));
  auto again = ruvel::ParseBreakpointFile(ruvel::FormatBreakpointFile(first));
  if (again.size() != first.size()) std::abort();
  for (size_t i = 0; i < first.size(); ++i) {
    if (again[i].file != first[i].file || again[i].line != first[i].line) std::abort();
  }
  return 0;
}
