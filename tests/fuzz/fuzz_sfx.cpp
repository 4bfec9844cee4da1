// ".sfx" effect files: any bytes are read without failing, every value
// comes out within its key's range and the length within its limit, the
// text written for the result reads back the same with nothing to report,
// and a short effect renders to exactly its length, the same twice.
#include <cstdlib>

#include "fuzz_support.h"
#include "sound/sfx_file.h"
#include "sound/sfx_render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > ruvel::kSfxMaxFileBytes) return 0;
  std::vector<std::string> problems;
  ruvel::TSfxParams p = ruvel::ParseSfx(ruvel::fuzz::Bytes(data, size), problems);
  for (int k = 0; k < ruvel::kSfxKeyCount; ++k) {
    const ruvel::TSfxKeyInfo& info = ruvel::SfxKeyInfo(k);
    if (!(p[k] >= info.min && p[k] <= info.max)) std::abort();
  }
  if (p.Seconds() > ruvel::kSfxMaxSeconds + 1e-9) std::abort();
  std::vector<std::string> again;
  ruvel::TSfxParams back = ruvel::ParseSfx(ruvel::SfxText(p), again);
  if (!again.empty()) std::abort();
  if (ruvel::SfxText(back) != ruvel::SfxText(p)) std::abort();
  // Long effects are left out to keep each run quick; the paths are the same.
  if (p.Seconds() <= 0.25) {
    std::vector<int16_t> a = ruvel::RenderSfx(p);
    if (a.size() != p.SampleCount() || a != ruvel::RenderSfx(p)) std::abort();
  }
  return 0;
}
