// Reading WAV files: rate conversion by whole repeats, 8- and 16-bit
// samples, the power-of-two copy, and files that are cut or not WAV at all.
#include "sound_fixture.h"

namespace ruvel::test {
namespace {

TEST(WavLoader, RatesRepeatFramesAndBitsConvert) {
  TWavLoader w;
  w.LoadBytes(WavBytes(22050, 8, 1, Bytes({10, 200, 128})));
  ASSERT_FALSE(w.HasError());
  EXPECT_EQ(w.sampleRate, 22050u);
  EXPECT_EQ(w.Samples(), (std::vector<uint8_t>{10, 10, 200, 200, 128, 128}));
  w.LoadBytes(WavBytes(8000, 8, 1, Bytes({1, 2})));
  EXPECT_EQ(w.Samples(), (std::vector<uint8_t>{1, 1, 1, 1, 1, 2, 2, 2, 2, 2}));  // 44100 div 8000 = 5
  // 16-bit: the signed value divided by 256 toward zero, plus 128.
  std::string d;
  for (int v : {-32768, 32767, -1, -256, 256, 0}) Put16(d, uint32_t(uint16_t(int16_t(v))));
  w.LoadBytes(WavBytes(44100, 16, 1, d));
  EXPECT_EQ(w.Samples(), (std::vector<uint8_t>{0, 255, 128, 127, 129, 128}));
  // Stereo: the first channel only.
  w.LoadBytes(WavBytes(44100, 8, 2, Bytes({50, 60, 70, 80})));
  EXPECT_EQ(w.Samples(), (std::vector<uint8_t>{50, 70}));
  // Faster than 44100 plays each frame once instead of dropping them all.
  w.LoadBytes(WavBytes(48000, 8, 1, Bytes({5, 6})));
  EXPECT_EQ(w.Samples(), (std::vector<uint8_t>{5, 6}));
  // The power-of-two copy: padded with 128, the last sample silenced.
  w.LoadBytes(WavBytes(44100, 8, 1, Bytes({1, 2, 3, 4, 5})));
  w.MakePowerOfTwo();
  EXPECT_EQ(w.Exponent(), 3);
  EXPECT_EQ(w.Samples(), (std::vector<uint8_t>{1, 2, 3, 4, 128, 128, 128, 128}));
}

TEST(WavLoader, BrokenFilesSetFlagsAndNeverCrash) {
  TempDir dir;
  TWavLoader missing((dir.path / "none.wav").string());
  EXPECT_TRUE(missing.openError);
  EXPECT_TRUE(missing.HasError());
  TWavLoader garbage(dir.Write("g.wav", "this is not a sound file at all"));
  EXPECT_FALSE(garbage.openError);
  EXPECT_TRUE(garbage.formatError);
  EXPECT_TRUE(garbage.dataError);
  std::string good = WavBytes(11025, 16, 1, std::string(40, '\x10'));
  // Every truncation of a good file: flags or fewer samples, never a crash.
  for (size_t n = 0; n <= good.size(); ++n) {
    TWavLoader w;
    w.LoadBytes(good.substr(0, n));
    if (n < 40) {  // the header without the data chunk's size
      EXPECT_TRUE(w.HasError()) << n;
    } else {
      EXPECT_EQ(w.SampleCount(), n < 44 ? 0 : (n - 44) / 2 * 4) << n;
    }
    w.MakePowerOfTwo();
  }
  // Zero rate or block align, and 16 bits in a 1-byte frame, cannot convert.
  std::string zeroRate = WavBytes(0, 8, 1, "abc");
  TWavLoader z;
  z.LoadBytes(zeroRate);
  EXPECT_TRUE(z.formatError);
  std::string narrow = WavBytes(44100, 16, 1, "abcd");
  narrow[32] = 1;  // block align 1
  z.LoadBytes(narrow);
  EXPECT_TRUE(z.formatError);
  // No data chunk.
  std::string noData = WavBytes(44100, 8, 1, "xyz");
  noData.replace(36, 4, "junk");
  z.LoadBytes(noData);
  EXPECT_FALSE(z.formatError);
  EXPECT_TRUE(z.dataError);
  EXPECT_EQ(z.SampleCount(), 0u);
}

TEST(WavLoader, EffectsLoadWithStatusesAndIds) {
  TempDir dir;
  TManualWaveOut dev;
  TMelvane seq(&dev);
  EXPECT_EQ(seq.LoadEffect((dir.path / "none.wav").string()), 0);
  EXPECT_EQ(seq.Status(), kSoundCannotOpen);
  EXPECT_EQ(seq.LoadEffect(dir.Write("bad.wav", "RIFF....data")), 0);
  EXPECT_EQ(seq.Status(), kSoundNoFormat);
  int32_t a = seq.LoadEffect(dir.Write("a.wav", WavBytes(44100, 8, 1, std::string(100, '\xF0'))));
  int32_t b = seq.LoadEffect(dir.Write("b.wav", WavBytes(44100, 8, 1, std::string(100, '\x10'))));
  ASSERT_GT(a, 0);
  ASSERT_GT(b, a);
  seq.PlayEffect(a, 128);
  EXPECT_TRUE(seq.Engine().IsOpen());
  EXPECT_EQ(seq.Engine().Effect(1).remaining, 100u);
  // Freeing drops the sample and its id plays nothing; the device stays
  // open for the music and the other effects.
  seq.FreeEffect(a);
  EXPECT_TRUE(seq.Engine().IsOpen());
  EXPECT_FALSE(seq.HasEffect(a));
  EXPECT_EQ(seq.Engine().Effect(1).remaining, 0u);
  seq.PlayEffect(a, 128);
  EXPECT_EQ(seq.Engine().Effect(1).remaining, 0u);
  seq.PlayEffect(b, 128);
  EXPECT_EQ(seq.Engine().Effect(1).remaining, 100u);
}

}  // namespace
}  // namespace ruvel::test
