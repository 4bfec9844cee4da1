// What overlapping sounds do to the output: freeing one effect leaves the
// music and the other effects playing, and the 16-bit output keeps the sum
// of several loud sounds instead of clipping it.
#include "sound_fixture.h"

namespace ruvel::test {
namespace {

// Full volume, a steady envelope and tone 0's square wave.
std::string LongNote() { return Bytes({'d', 255, 'e', 0, 'f', 0}) + Note(45, 30000) + Bytes({255}); }

TEST(SoundMixing, FreeingAnEffectKeepsMusicAndOtherEffectsPlaying) {
  TempDir dir;
  Rig rig(1000);
  std::vector<int> played;
  RecordLevels(rig.engine(), played);
  int32_t a = rig.seq.LoadEffect(dir.Write("a.wav", WavBytes(44100, 8, 1, std::string(3000, '\xA0'))));
  int32_t b = rig.seq.LoadEffect(dir.Write("b.wav", WavBytes(44100, 8, 1, std::string(3000, '\x90'))));
  ASSERT_GT(a, 0);
  ASSERT_GT(b, 0);
  ASSERT_EQ(rig.seq.LoadMusicBytes(MlvBytes({LongNote()})), kSoundOk);
  rig.seq.PlayMusic();
  rig.Play(400);
  rig.seq.PlayEffect(a, 128);
  rig.seq.PlayEffect(b, 128);
  rig.Play(400);
  rig.seq.FreeEffect(a);
  EXPECT_TRUE(rig.engine().IsOpen());
  EXPECT_FALSE(rig.seq.HasEffect(a));
  EXPECT_EQ(rig.engine().Voice(0).state, TChannelState::kPlaying);
  // b's slot (the second one taken) keeps its place in its sample.
  size_t bLeft = rig.engine().Effect(2).remaining;
  EXPECT_GT(bLeft, 0u);
  EXPECT_EQ(rig.engine().Effect(1).remaining, 0u);
  size_t before = played.size();
  for (int i = 0; i < 6; ++i) rig.Play(400);
  // The recording has every sample played, none lost to a closed device.
  EXPECT_EQ(played.size(), before + 2400);
  EXPECT_EQ(played.size(), 800u + 2400u);
  // The music sounds on after the free: what was rendered since holds the
  // square's two levels (81 and 174 at full volume), plus b's 16 levels
  // while b lasts, and nothing of a.
  size_t music = 0;
  size_t withB = 0;
  for (size_t i = played.size() - 1000; i < played.size(); ++i) {
    int v = played[i];
    if (v == 81 || v == 174) ++music;
    if (v == 81 + 16 || v == 174 + 16) ++withB;
  }
  EXPECT_EQ(music + withB, 1000u);
  EXPECT_GT(withB, 0u);
  EXPECT_LT(rig.engine().Effect(2).remaining, bLeft);
}

TEST(SoundMixing, OverlappingLoudEffectsAddUpWithoutClipping) {
  Rig rig(1000);
  ASSERT_TRUE(rig.seq.SetDelay(10));
  rig.Play(500);
  // Four effects at the top of the 8-bit range sum to 4 * 127 levels: far
  // beyond what 8 bits hold, inside the 16-bit output's headroom.
  std::vector<uint8_t> top(100, 255);
  for (int i = 0; i < 4; ++i) rig.engine().StartEffect(top.data(), top.size(), 128);
  const int16_t* buf = rig.engine().Buffer();
  for (int i = 510; i < 610; ++i) ASSERT_EQ(buf[i], 4 * 127 * 64) << i;
  // More than that is limited at the top of the range rather than wrapped.
  rig.engine().StartEffect(top.data(), top.size(), 128);
  EXPECT_EQ(buf[510], 32767);
  std::vector<uint8_t> bottom(100, 0);
  for (int i = 0; i < 4; ++i) rig.engine().StartEffect(bottom.data(), bottom.size(), 255);
  EXPECT_EQ(buf[515], 32767 - 4 * 255 * 64);
  // The same holds in a fill: six loud channels, summed.
  std::vector<std::string> channels(6, LongNote());
  Rig music(1000);
  std::vector<int> played;
  RecordLevels(music.engine(), played);
  music.seq.LoadMusicBytes(MlvBytes(channels));
  music.seq.PlayMusic();
  music.Play(100);
  for (int i = 0; i < 6; ++i) music.Play(500);
  int lowest = 1000;
  int highest = -1000;
  for (size_t i = 1100; i < played.size(); ++i) {
    lowest = std::min(lowest, played[i]);
    highest = std::max(highest, played[i]);
  }
  // Six squares of -47 and +46 levels, in phase.
  EXPECT_EQ(lowest, 128 + 6 * (81 - 128));
  EXPECT_EQ(highest, 128 + 6 * (174 - 128));
}

}  // namespace
}  // namespace ruvel::test
