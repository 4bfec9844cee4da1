// The synthesis engine: its tables, what one channel renders, the noise
// tone, effect mixing with headroom, and the ring buffer across its end.
#include <cmath>

#include "sound_fixture.h"

namespace ruvel::test {
namespace {

TEST(SoundTables, StepsEnvelopesSineAndDefaults) {
  // 7330908160 / period * 65536 / 44100, truncated.
  EXPECT_EQ(TEnveloper::StepOf(0), 3184535u);
  EXPECT_EQ(TEnveloper::StepOf(45), 42890924u);
  EXPECT_EQ(TEnveloper::StepOf(36), 25453959u);
  // Note 45 is 440 Hz for a 32-sample table.
  EXPECT_NEAR(TEnveloper::StepOf(45) * 44100.0 / 4294967296.0, 440.0, 0.5);
  TManualWaveOut dev;
  TEnveloper e(&dev);
  const uint8_t* env = e.Envelope(7);
  EXPECT_EQ(env[0], 15);
  EXPECT_EQ(env[1], 15);
  EXPECT_EQ(env[2], 14);
  EXPECT_EQ(env[29], 1);
  EXPECT_EQ(env[31], 0);
  EXPECT_EQ(e.Sine(0), 0);
  EXPECT_EQ(e.Sine(512), 126);  // sin just below 1 truncates
  EXPECT_EQ(e.Sine(1536), -126);
  EXPECT_EQ(e.Sine(256), 89);
  EXPECT_EQ(e.Wave(10)[15], 103);
  EXPECT_EQ(e.Wave(10)[16], 153);
  EXPECT_EQ(e.Voice(3).envSpeed, 5);
  EXPECT_EQ(e.Voice(3).state, TChannelState::kStopped);
  // Requested lengths outside 256..59999 are ignored.
  EXPECT_FALSE(e.SetRequestedLength(255));
  EXPECT_FALSE(e.SetRequestedLength(60000));
  EXPECT_TRUE(e.SetRequestedLength(256));
  EXPECT_EQ(e.RequestedLength(), 256);
  EXPECT_EQ(WaveOutErrorText(7), "MMSYSERR_NOMEM");
  EXPECT_EQ(WaveOutErrorText(99), "MMSYSTEM99");
}

// Full volume, a steady envelope and the square wave of tone 0 at 440 Hz.
std::string SquareChannel(int note = 45, int length = 5000) {
  return Bytes({'d', 255, 'e', 0, 'f', 0}) + Note(note, length) + Bytes({255});
}

TEST(SoundRender, ASquareNoteGivesTheExpectedSamplesAcrossTheBufferEnd) {
  Rig rig(1000);
  std::vector<int> played;
  RecordLevels(rig.engine(), played);
  ASSERT_EQ(rig.seq.LoadMusicBytes(MlvBytes({SquareChannel()})), kSoundOk);
  rig.seq.PlayMusic();
  for (int i = 0; i < 5; ++i) rig.Play(700);  // wraps the 1000-sample ring
  ASSERT_EQ(played.size(), 3500u);
  // The first buffer plays what was silent before the music started.
  for (size_t i = 0; i < 1000; ++i) ASSERT_EQ(played[i], 128) << i;
  // The note starts after the first sample's mix. Level 15 * 255:
  // 128 + d*103/2048 - d/16 = 81, and 174 for 153.
  EXPECT_EQ(played[1000], 128);
  uint64_t step = TEnveloper::StepOf(45);
  for (size_t k = 0; k + 1001 < played.size(); ++k) {
    bool low = ((k * step) % 4294967296ull) >> 27 < 16;
    ASSERT_EQ(played[1001 + k], low ? 81 : 174) << k;
  }
  EXPECT_EQ(played[1001 + 50], 81);
  EXPECT_EQ(played[1001 + 51], 174);
}

TEST(SoundRender, ARestOrVolumeZeroAddsNothingAndHoldsThePhase) {
  Rig rig(1000);
  std::string ch0 = Bytes({'d', 255, 'e', 0}) + Note(45, 20) + Note(99, 100) + Bytes({255});
  std::string ch1 = Bytes({'d', 0}) + Note(45, 200) + Bytes({255});
  rig.seq.LoadMusicBytes(MlvBytes({ch0, ch1}));
  rig.seq.PlayMusic();
  rig.Play(45);  // into the rest, which starts at tick 40
  uint32_t phase0 = rig.engine().Phase(0);
  EXPECT_TRUE(rig.engine().Voice(0).mute);
  EXPECT_EQ(rig.engine().Phase(1), 0u);
  rig.Play(100);
  EXPECT_EQ(rig.engine().Phase(0), phase0);
  EXPECT_EQ(rig.engine().Phase(1), 0u);
  // The rest sounds as silence.
  EXPECT_EQ(rig.engine().Buffer()[100], 0);
  EXPECT_NE(rig.engine().Buffer()[10], 0);
}

TEST(SoundRender, TheNoiseToneChangesEverySample) {
  Rig rig(1000);
  rig.Play(64);
  TEnveloper& e = rig.engine();
  int changed = 0;
  for (int i = 0; i < 32; ++i) {
    uint8_t v = e.Wave(TSoundGenerator::kNoiseTone)[i];
    EXPECT_GE(v, 90);
    EXPECT_LE(v, 167);
    changed += v != (i < 16 ? 103 : 153);
  }
  EXPECT_GT(changed, 16);
  EXPECT_EQ(e.Wave(94)[0], 103);  // the other tables stay
  std::vector<uint8_t> before(e.Wave(95), e.Wave(95) + 32);
  rig.Play(32);
  EXPECT_NE(before, std::vector<uint8_t>(e.Wave(95), e.Wave(95) + 32));
}

TEST(SoundEffects, MixedAfterTheDelayWithHeadroomAndSlotNineReused) {
  Rig rig(1000);
  ASSERT_TRUE(rig.seq.SetDelay(10));
  rig.Play(500);  // write position 500, all of the buffer rendered ahead
  std::vector<uint8_t> loud(20, 255);
  std::vector<uint8_t> quiet(20, 0);
  rig.engine().StartEffect(loud.data(), loud.size(), 255);
  const int16_t* buf = rig.engine().Buffer();
  EXPECT_EQ(Level(buf[509]), 128);  // before the delay
  // 127 * 255 / 128 = 253 levels above silence: beyond the 8-bit range,
  // kept by the 16-bit output.
  EXPECT_EQ(buf[510], 253 * 64);
  EXPECT_EQ(buf[529], 253 * 64);
  EXPECT_EQ(buf[530], 0);
  EXPECT_EQ(rig.engine().Effect(1).remaining, 0u);
  rig.engine().StartEffect(quiet.data(), quiet.size(), 255);
  EXPECT_EQ(buf[510], 253 * 64 - 255 * 64);
  EXPECT_EQ(buf[529], -2 * 64);
  // An effect started when less than Delay samples are rendered ahead is
  // mixed by the next fill, from the write position on.
  rig.device.Advance(995);
  std::vector<uint8_t> half(30, 192);
  rig.engine().StartEffect(half.data(), half.size(), 128);
  EXPECT_EQ(rig.engine().Effect(1).remaining, 30u);
  rig.seq.Service();
  EXPECT_EQ(rig.engine().Effect(1).remaining, 0u);
  EXPECT_EQ(Level(buf[500]), 128 + 64);
  EXPECT_EQ(Level(buf[529]), 128 + 64);
  EXPECT_EQ(buf[530], 0);
  // With slots 1 to 8 busy, slot 9 is taken whatever it plays.
  std::vector<uint8_t> longer(100000, 130);
  rig.seq.SetEnable(false);  // nothing mixes while closed
  for (int i = 0; i < 9; ++i) rig.engine().StartEffect(longer.data(), longer.size(), 1);
  std::vector<uint8_t> last(5, 140);
  rig.engine().StartEffect(last.data(), last.size(), 7);
  EXPECT_EQ(rig.engine().Effect(9).data, last.data());
  EXPECT_EQ(rig.engine().Effect(9).volume, 7);
  EXPECT_EQ(rig.engine().Effect(0).remaining, 0u);
}

}  // namespace
}  // namespace ruvel::test
