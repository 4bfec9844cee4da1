// The default tone file: what its generator makes is what is committed,
// its layout loads, tone 0 and envelope 0 keep the built-in defaults, and
// every wave has the same loudness.
#include <cmath>
#include <cstring>

#include "sound_fixture.h"

namespace ruvel::test {
namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(DefaultTones, TheCommittedFileIsWhatTheToolMakes) {
  TempDir dir;
  std::string made = (dir.path / "tones.wdt").string();
  ASSERT_EQ(std::system((BuildDir() + "/tools/make_tones " + made).c_str()), 0);
  std::string committed = ReadBytes(SourceDir() + "/tones.wdt");
  EXPECT_EQ(committed.size(), TMelvane::kToneFileSize);
  EXPECT_TRUE(ReadBytes(made) == committed) << "run tools/make_tones tones.wdt again";
  // The documentation's table has a row for every tone.
  std::string doc = ReadBytes(SourceDir() + "/docs/sound.md");
  EXPECT_NE(doc.find("| 0 | square |"), std::string::npos);
  EXPECT_NE(doc.find("| 95 | noise |"), std::string::npos);
  EXPECT_NE(doc.find("| 15 | long tail |"), std::string::npos);
}

TEST(DefaultTones, LayoutDefaultsAndLoudness) {
  TManualWaveOut dev;
  TMelvane builtIn(&dev);
  TMelvane seq(&dev);
  ASSERT_TRUE(seq.LoadTones(SourceDir() + "/tones.wdt"));
  TEnveloper& e = seq.Engine();
  // Tone 0 and envelope 0 are the synthesizer's own defaults.
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(e.Wave(0)[i], builtIn.Engine().Wave(0)[i]) << i;
    EXPECT_EQ(e.Envelope(0)[i], builtIn.Engine().Envelope(0)[i]) << i;
  }
  // Every other wave is centred and as loud as the square (RMS 25).
  int distinct = 0;
  for (int t = 1; t < 95; ++t) {
    double mean = 0;
    for (int i = 0; i < 32; ++i) mean += e.Wave(t)[i];
    mean /= 32;
    double rms = 0;
    for (int i = 0; i < 32; ++i) rms += (e.Wave(t)[i] - mean) * (e.Wave(t)[i] - mean);
    rms = std::sqrt(rms / 32);
    EXPECT_NEAR(mean, 128, 1.0) << t;
    EXPECT_NEAR(rms, 25, 1.0) << t;
    distinct += std::memcmp(e.Wave(t), e.Wave(t - 1), 32) != 0;
  }
  EXPECT_EQ(distinct, 94);
  // Envelopes: sustained (1) holds, pluck (2) falls fast, swell (6) rises.
  EXPECT_EQ(e.Envelope(1)[31], 15);
  EXPECT_EQ(e.Envelope(2)[0], 15);
  EXPECT_LT(e.Envelope(2)[8], 3);
  EXPECT_EQ(e.Envelope(6)[0], 0);
  EXPECT_EQ(e.Envelope(6)[31], 15);
}

}  // namespace
}  // namespace ruvel::test
