// Pattern sheets in PNG form.
#include <png.h>

#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "screen/pattern_cutter.h"
#include "screen/pattern_image.h"

// With RUVEL_FUZZ_SEEDS set, writes small PNG files there as seeds (the
// repository holds none): RGB, grey with alpha, and a palette picture.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* dir = std::getenv("RUVEL_FUZZ_SEEDS");
  if (!dir) return 0;
  const png_uint_32 formats[] = {PNG_FORMAT_RGB, PNG_FORMAT_GA, PNG_FORMAT_RGBA};
  for (png_uint_32 format : formats) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 5;
    image.height = 3;
    image.format = format;
    std::string pixels(PNG_IMAGE_SIZE(image), '\0');
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = char(i * 37);
    std::string path = std::string(dir) + "/seed" + std::to_string(format) + ".png";
    png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path = ruvel::fuzz::WriteScratch("fuzz.png", ruvel::fuzz::Bytes(data, size));
  ruvel::TPixelImage image;
  std::string error;
  if (ruvel::LoadPatternImage(path, image, error)) ruvel::CutSheet(image, nullptr);
  return 0;
}
