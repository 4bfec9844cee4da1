// WAV files that ask for too much: a rate of 1 Hz once made a 30 KB file
// take 1.3 GB; rates outside the range, sounds too long once converted
// and files too large are refused with a message instead.
#include "platform/cp932.h"
#include "platform/message_sink.h"
#include "sound_fixture.h"

namespace ruvel::test {
namespace {

class ShownSink : public MessageSink {
 public:
  ShownSink() : previous_(SetSink(this)) {}
  ~ShownSink() override { SetSink(previous_); }
  void ShowMessage(const std::string& text) override { shown.push_back(ToUtf8(text)); }
  void Log(const std::string&) override {}
  std::vector<std::string> shown;

 private:
  MessageSink* previous_;
};

TEST(WavLimits, RatesOutsideTheRangeAreRefused) {
  TWavLoader w;
  for (uint32_t rate : {1u, 100u, kMinWavRate - 1, kMaxWavRate + 1, 0xFFFFFFFFu}) {
    w.LoadBytes(WavBytes(rate, 8, 1, std::string(30000, '\x40')));
    EXPECT_TRUE(w.HasError()) << rate;
    EXPECT_TRUE(w.limitError) << rate;
    EXPECT_EQ(w.SampleCount(), 0u) << rate;
    EXPECT_NE(ToUtf8(w.LimitText()).find("サンプリング周波数"), std::string::npos);
  }
  // The ends of the range convert: 44100 div 4000 = 11 repeats.
  w.LoadBytes(WavBytes(kMinWavRate, 8, 1, "ab"));
  ASSERT_FALSE(w.HasError());
  EXPECT_EQ(w.SampleCount(), 22u);
  w.LoadBytes(WavBytes(kMaxWavRate, 8, 1, "ab"));
  ASSERT_FALSE(w.HasError());
  EXPECT_EQ(w.SampleCount(), 2u);
}

TEST(WavLimits, LongSoundsAndLargeFilesAreRefusedWithOneMessage) {
  TempDir dir;
  ShownSink sink;
  // 8000 Hz repeats each frame 5 times: this many frames is one too many.
  size_t frames = kMaxWavSamples / 5 + 1;
  std::string path = dir.Write("long.wav", WavBytes(8000, 8, 1, std::string(frames, '\x10')));
  TWavLoader w(path);
  EXPECT_TRUE(w.limitError);
  EXPECT_TRUE(w.formatError);
  EXPECT_EQ(w.SampleCount(), 0u);
  w.MakePowerOfTwo();
  EXPECT_LE(w.SampleCount(), 1u);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(sink.shown[0].find("long.wav: WAVファイルが長すぎます"), std::string::npos);
  // One frame fewer is the longest sound taken.
  w.LoadBytes(WavBytes(8000, 8, 1, std::string(frames - 1, '\x10')));
  EXPECT_FALSE(w.HasError());
  EXPECT_EQ(w.SampleCount(), (frames - 1) * 5);
  w.MakePowerOfTwo();
  EXPECT_EQ(w.SampleCount(), kMaxWavSamples);

  std::string big = WavBytes(44100, 8, 1, std::string(kMaxWavFileBytes, '\x10'));
  TWavLoader large(dir.Write("big.wav", big));
  EXPECT_TRUE(large.limitError);
  EXPECT_EQ(large.SampleCount(), 0u);
  ASSERT_EQ(sink.shown.size(), 2u);
  EXPECT_NE(sink.shown[1].find("WAVファイルが大きすぎます"), std::string::npos);
  // A refused effect is not loaded.
  TManualWaveOut dev;
  TMelvane seq(&dev);
  EXPECT_EQ(seq.LoadEffect(path), 0);
  EXPECT_EQ(seq.Status(), kSoundNoFormat);
}

}  // namespace
}  // namespace ruvel::test
