// Reading sheets from files: PNG through libpng, everything else as a
// bitmap through SDL; broken, truncated and oversized files give an error
// and never a crash.
#include "screen/pattern_image.h"
#include "sheet_helpers.h"

namespace ruvel::test {
namespace {

TPixelImage Sample() {
  TPixelImage img = Sheet(7, 5, 0x102030);
  Fill(img, 1, 1, 2, 3, 0xFF0000);
  Fill(img, 4, 0, 3, 1, 0x00FF80);
  Fill(img, 6, 4, 1, 1, 0xFEDCBA);
  return img;
}

TEST(PatternImage, PngAndBmpReadBackTheirPixels) {
  TempDir dir;
  TPixelImage img = Sample();
  ASSERT_TRUE(WritePngFile(dir / "a.png", img));
  ASSERT_TRUE(WriteBmpFile(dir / "a.bmp", img));
  for (const char* name : {"a.png", "a.bmp"}) {
    TPixelImage read;
    std::string error;
    ASSERT_TRUE(LoadPatternImage(dir / name, read, error)) << name << ": " << error;
    EXPECT_EQ(read.width, 7);
    EXPECT_EQ(read.height, 5);
    EXPECT_EQ(read.pixels, img.pixels) << name;
  }
  // The extension decides, without regard to case.
  std::filesystem::rename(dir / "a.png", dir / "B.PNG");
  TPixelImage read;
  std::string error;
  EXPECT_TRUE(LoadPatternImage(dir / "B.PNG", read, error)) << error;
  EXPECT_TRUE(IsPngName("x.Png"));
  EXPECT_FALSE(IsPngName("x.png.bmp"));
  EXPECT_FALSE(IsPngName("png"));
}

TEST(PatternImage, PngAlphaIsCompositedOntoWhite) {
  TempDir dir;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = 2;
  png.height = 1;
  png.format = PNG_FORMAT_RGBA;
  const png_byte rgba[] = {0, 0, 0, 0, 10, 20, 30, 255};
  ASSERT_TRUE(png_image_write_to_file(&png, (dir / "a.png").c_str(), 0, rgba, 0, nullptr));
  TPixelImage read;
  std::string error;
  ASSERT_TRUE(LoadPatternImage(dir / "a.png", read, error)) << error;
  EXPECT_EQ(read.pixels, (std::vector<uint32_t>{0xFFFFFF, 0x0A141E}));
}

TEST(PatternImage, BrokenFilesGiveAnErrorAndNoPixels) {
  TempDir dir;
  TPixelImage img = Sheet(40, 30);
  Frame(img, 2, 2, 10, 10, kBlack);
  ASSERT_TRUE(WritePngFile(dir / "good.png", img));
  ASSERT_TRUE(WriteBmpFile(dir / "good.bmp", img));
  std::string png = ReadBytes(dir / "good.png");
  std::string bmp = ReadBytes(dir / "good.bmp");

  WriteBytes(dir / "cut.png", png.substr(0, png.size() / 2));
  WriteBytes(dir / "cut.bmp", bmp.substr(0, bmp.size() / 2));
  WriteBytes(dir / "header.bmp", bmp.substr(0, 20));
  WriteBytes(dir / "empty.png", "");
  WriteBytes(dir / "text.bmp", "this is not a picture at all");
  WriteBytes(dir / "bmp.png", bmp);  // a bitmap under a PNG name
  std::string flipped = png;
  flipped[flipped.size() / 2] ^= 0x55;  // damages the compressed data or its checksum
  WriteBytes(dir / "flipped.png", flipped);

  for (const char* name : {"cut.png", "cut.bmp", "header.bmp", "empty.png", "text.bmp", "bmp.png", "flipped.png",
                           "missing.bmp", "missing.png"}) {
    TPixelImage read = Sample();
    std::string error;
    EXPECT_FALSE(LoadPatternImage(dir / name, read, error)) << name;
    EXPECT_FALSE(error.empty()) << name;
    EXPECT_EQ(read.width, 0) << name;
    EXPECT_TRUE(read.pixels.empty()) << name;
  }
  // A directory is not a picture either.
  TPixelImage read;
  std::string error;
  EXPECT_FALSE(LoadPatternImage(dir.Path(), read, error));
}

// The CRC-32 that PNG chunks carry.
uint32_t Crc32(const char* data, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= uint8_t(data[i]);
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return c ^ 0xFFFFFFFFu;
}

// Rewrites the size in a PNG's header, with a matching checksum, so that
// only the size check can refuse it.
std::string WithSize(std::string png, uint32_t w, uint32_t h) {
  auto put = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
  };
  put(16, w);  // IHDR data starts after the signature (8), length (4) and type (4)
  put(20, h);
  put(29, Crc32(png.data() + 12, 17));
  return png;
}

TEST(PatternImage, OversizedSheetsAreRefusedBeforeTheirPixelsAreMade) {
  TempDir dir;
  ASSERT_TRUE(WritePngFile(dir / "small.png", Sheet(4, 4)));
  std::string png = ReadBytes(dir / "small.png");
  WriteBytes(dir / "wide.png", WithSize(png, 100000, 2));
  WriteBytes(dir / "huge.png", WithSize(png, 10000, 10000));
  for (const char* name : {"wide.png", "huge.png"}) {
    TPixelImage read;
    std::string error;
    EXPECT_FALSE(LoadPatternImage(dir / name, read, error)) << name;
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
  }
  // The same header with its own size still reads (the checksum is right).
  WriteBytes(dir / "same.png", WithSize(png, 4, 4));
  TPixelImage read;
  std::string error;
  EXPECT_TRUE(LoadPatternImage(dir / "same.png", read, error)) << error;
}

// A bitmap header claiming a size; only the header, no pixel data.
std::string BmpHeader(int32_t w, int32_t h, uint32_t infoSize = 40) {
  std::string b = "BM";
  auto put = [&](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b += char((v >> (8 * i)) & 0xFF);
  };
  put(14 + infoSize, 4);  // file size
  put(0, 4);
  put(14 + infoSize, 4);  // pixel data offset
  put(infoSize, 4);
  if (infoSize == 12) {
    put(uint32_t(w), 2);
    put(uint32_t(h), 2);
    put(1, 2);
    put(24, 2);
    return b;
  }
  put(uint32_t(w), 4);
  put(uint32_t(h), 4);
  put(1, 2);
  put(24, 2);
  b += std::string(infoSize - 16, '\0');
  return b;
}

// A header claiming 30000 x 30000 was decoded (2.65 GB) before the size
// check; a height of 2^31 - 1 asked for 192 GB. The header alone refuses.
TEST(PatternImage, OversizedBitmapsAreRefusedFromTheirHeader) {
  TempDir dir;
  const std::pair<int32_t, int32_t> sizes[] = {
      {30000, 30000}, {1, 2147483647}, {2, -2147483647 - 1}, {kMaxSheetSide + 1, 1}, {8192, 4096}};
  int n = 0;
  for (auto [w, h] : sizes) {
    std::string name = "big" + std::to_string(n++) + ".bmp";
    WriteBytes(dir / name, BmpHeader(w, h));
    TPixelImage read;
    std::string error;
    EXPECT_FALSE(LoadPatternImage(dir / name, read, error)) << name;
    EXPECT_NE(error.find("too large"), std::string::npos) << name << ": " << error;
    EXPECT_TRUE(read.pixels.empty());
  }
  // The old core header has 16-bit sides; 0 is refused as empty.
  WriteBytes(dir / "core.bmp", BmpHeader(0, 5, 12));
  TPixelImage read;
  std::string error;
  EXPECT_FALSE(LoadPatternImage(dir / "core.bmp", read, error));
  EXPECT_NE(error.find("empty"), std::string::npos) << error;
  // An ordinary bitmap still reads.
  ASSERT_TRUE(WriteBmpFile(dir / "ok.bmp", Sheet(5, 3)));
  EXPECT_TRUE(LoadPatternImage(dir / "ok.bmp", read, error)) << error;
  EXPECT_EQ(read.width, 5);
}

}  // namespace
}  // namespace ruvel::test
