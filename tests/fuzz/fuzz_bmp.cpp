// Pattern sheets in Windows bitmap form.
#include "fuzz_support.h"
#include "screen/pattern_cutter.h"
#include "screen/pattern_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = ruvel::fuzz::WriteScratch("fuzz.bmp", ruvel::fuzz::Bytes(data, size));
  ruvel::TPixelImage image;
  std::string error;
  if (ruvel::LoadPatternImage(path, image, error)) ruvel::CutSheet(image, nullptr);
  return 0;
}
