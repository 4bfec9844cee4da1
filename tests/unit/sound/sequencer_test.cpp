// The music sequencer: loading music files, note timing and tempo, sync
// points, jumps, one-shot sample tones, tone files and the Delay bounds.
#include "sound_fixture.h"

namespace ruvel::test {
namespace {

// Renders one sample at a time and records at which sample the step of
// channel 0 changes.
std::vector<std::pair<int, uint32_t>> StepChanges(Rig& rig, int samples, int ch = 0) {
  std::vector<std::pair<int, uint32_t>> changes;
  uint32_t last = rig.engine().Step(ch);
  for (int s = 1; s <= samples; ++s) {
    rig.Play(1);
    if (rig.engine().Step(ch) != last) {
      last = rig.engine().Step(ch);
      changes.emplace_back(s, last);
    }
  }
  return changes;
}

TEST(Sequencer, NotesChangeAtTheirTicksAndTempoHalvesLengths) {
  Rig rig(1000);
  std::string ch0 = Bytes({'d', 100}) + Note(45, 100) + Note(57, 50) + Bytes({'g', 240, 0}) + Note(33, 100) +
                    Note(40, 10) + Bytes({255});
  std::string ch1 = Note(99, 100) + Note(50, 20) + Bytes({255});
  ASSERT_EQ(rig.seq.LoadMusicBytes(MlvBytes({ch0, ch1})), kSoundOk);
  rig.seq.PlayMusic();
  auto changes = StepChanges(rig, 500);
  // At tempo 120 a length L lasts 2L samples; after "g" 240, L samples.
  std::vector<std::pair<int, uint32_t>> expected = {
      {1, TEnveloper::StepOf(45)}, {201, TEnveloper::StepOf(57)}, {301, TEnveloper::StepOf(33)},
      {401, TEnveloper::StepOf(40)}};
  EXPECT_EQ(changes, expected);
  EXPECT_EQ(rig.engine().Voice(0).state, TChannelState::kStopped);
  EXPECT_EQ(rig.engine().tempo, 240);
  // The tempo is shared: channel 1's note 50 (from tick 200, length 20)
  // ended 20 samples after tick 300.
  EXPECT_EQ(rig.engine().Voice(1).state, TChannelState::kStopped);
}

TEST(Sequencer, SyncPointsWaitForEveryChannel) {
  Rig rig(1000);
  // Channel 0 waits at once; channel 1 plays 10 and ends; channel 2 plays
  // 50 and then meets channel 0.
  std::string ch0 = Bytes({'l'}) + Note(60, 5) + Bytes({255});
  std::string ch1 = Note(50, 10) + Bytes({255});
  std::string ch2 = Note(52, 50) + Bytes({'l'}) + Note(53, 100) + Bytes({255});
  rig.seq.LoadMusicBytes(MlvBytes({ch0, ch1, ch2}));
  rig.seq.PlayMusic();
  auto changes = StepChanges(rig, 120);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].second, TEnveloper::StepOf(60));
  // Channel 2 reaches its sync point at tick 101; both go on at tick 102.
  EXPECT_EQ(changes[0].first, 102);

  // One channel waiting and the other ended: the waiting one resumes.
  Rig rig2(1000);
  rig2.seq.LoadMusicBytes(MlvBytes({Bytes({'l'}) + Note(61, 5) + Bytes({255}), Note(50, 10) + Bytes({255})}));
  rig2.seq.PlayMusic();
  auto c2 = StepChanges(rig2, 40);
  ASSERT_EQ(c2.size(), 1u);
  EXPECT_EQ(c2[0].first, 22);  // channel 1 ends at tick 21, channel 0 plays at 22
}

TEST(Sequencer, JumpsLoopAndAJumpToItselfStops) {
  Rig rig(1000);
  // A loop of two notes: 45 then 47, back to 45 (offset from the jump).
  std::string loop = Note(45, 5) + Note(47, 5) + Bytes({'h'});
  Put32(loop, uint32_t(-6));
  std::string self = Bytes({'d', 9, 'h', 0, 0, 0, 0});
  rig.seq.LoadMusicBytes(MlvBytes({loop, self}));
  rig.seq.PlayMusic();
  auto changes = StepChanges(rig, 45);
  ASSERT_EQ(changes.size(), 5u);  // 45, 47, 45, 47, 45
  EXPECT_EQ(changes[2].first, 21);
  EXPECT_EQ(changes[2].second, TEnveloper::StepOf(45));
  EXPECT_EQ(rig.engine().Voice(0).state, TChannelState::kPlaying);
  EXPECT_EQ(rig.engine().Voice(1).state, TChannelState::kStopped);
  EXPECT_EQ(rig.engine().Voice(1).volume, 9);
}

TEST(Sequencer, MalformedFilesLoadNothing) {
  Rig rig(1000);
  std::string nine = MlvBytes({Note(45, 5)});
  nine[4] = 9;
  EXPECT_EQ(rig.seq.LoadMusicBytes(nine), kSoundMalformed);
  EXPECT_EQ(rig.engine().Voice(0).seq, nullptr);
  ASSERT_EQ(rig.seq.LoadMusicBytes(MlvBytes({Note(45, 5)})), kSoundOk);
  std::string cut = MlvBytes({Note(45, 5), Note(47, 5)});
  cut.resize(17);  // channel 1 claims 3 bytes, 1 is left
  EXPECT_EQ(rig.seq.LoadMusicBytes(cut), kSoundMalformed);
  EXPECT_EQ(rig.engine().Voice(0).seq, nullptr);
  std::string huge = MlvBytes({});
  huge[5] = char(0x7F);  // channel 0 claims far more than the file holds
  EXPECT_EQ(rig.seq.LoadMusicBytes(huge), kSoundMalformed);
  EXPECT_EQ(rig.seq.LoadMusicBytes(std::string("\1\0", 2)), kSoundMalformed);
  EXPECT_EQ(rig.seq.LoadMusicBytes(MlvBytes({Note(45, 5)}, 1201)), kSoundNewerVersion);
  EXPECT_NE(rig.engine().Voice(0).seq, nullptr);  // a newer version still loads
  EXPECT_EQ(rig.seq.LoadMusic("/nonexistent/x.mlv"), kSoundCannotOpen);
  // A stream cut inside a command stops its channel.
  rig.seq.LoadMusicBytes(MlvBytes({Bytes({45, 1})}));
  rig.seq.PlayMusic();
  rig.Play(3);
  EXPECT_EQ(rig.engine().Voice(0).state, TChannelState::kStopped);
}

TEST(Sequencer, DelayAndBufferSizeBounds) {
  TManualWaveOut dev;
  TMelvane seq(&dev);
  seq.SetBufferSize(20000);
  EXPECT_FALSE(seq.SetDelay(19990));
  EXPECT_TRUE(seq.SetDelay(19989));
  EXPECT_FALSE(seq.SetDelay(-1));
  EXPECT_EQ(seq.Delay(), 19989);
  seq.SetBufferSize(60000);
  EXPECT_EQ(seq.BufferSize(), 20000);
  // A device that cannot open: status 4, and nothing plays.
  dev.failWith = "no device";
  seq.SetEnable(true);
  EXPECT_EQ(seq.Status(), kSoundNoDevice);
  EXPECT_EQ(seq.Engine().LastError(), "no device");
  seq.PlayMusic();
  EXPECT_EQ(seq.Status(), kSoundNoDevice);
  dev.failWith.clear();
  seq.SetEnable(true);
  EXPECT_EQ(seq.Status(), kSoundOk);
}

TEST(Sequencer, OneShotSampleAtNote36PlaysTheFileThenHolds) {
  TempDir dir;
  std::string ramp;
  for (int i = 0; i < 60; ++i) ramp += char(i * 4);
  std::string wav = dir.Write("ramp.wav", WavBytes(44100, 8, 1, ramp));
  Rig rig(1000);
  std::vector<int> played;
  RecordLevels(rig.engine(), played);
  std::string ch0 = Bytes({'u'}) + wav + Bytes({0, 100, 'f', 100, 'd', 128, 'e', 0}) + Note(36, 200) + Bytes({255});
  rig.seq.LoadMusicBytes(MlvBytes({ch0}));
  rig.seq.PlayMusic();
  rig.Play(500);
  rig.Play(500);
  rig.Play(300);
  ASSERT_EQ(played.size(), 1300u);
  ASSERT_NE(rig.engine().SampleTone(100), nullptr);
  EXPECT_EQ(rig.engine().SampleTone(100)->Exponent(), 6);
  EXPECT_EQ(rig.engine().fileText, wav);
  // Level 15 * 128: 128 + 1920 * w / 2048 - 120. The step is a hair under
  // one sample per sample, so each sample plays one output late.
  auto level = [](int w) { return 128 + 1920 * w / 2048 - 120; };
  EXPECT_EQ(played[1000], 128);  // the note starts after this sample's mix
  EXPECT_EQ(played[1001], level(0));
  for (int k = 0; k < 59; ++k) ASSERT_EQ(played[1002 + k], level(k * 4)) << k;
  // The last sample is silenced, and the padding holds just before the wrap.
  for (int k = 1061; k < 1300; ++k) ASSERT_EQ(played[k], level(128)) << k;
  EXPECT_EQ(rig.engine().Phase(0) >> 26, 62u);
}

TEST(Sequencer, ToneFilesReplaceWavesAndEnvelopes) {
  TempDir dir;
  std::string tones(3584, char(0));
  for (int i = 0; i < 32; ++i) tones[5 * 32 + i] = char(200 + i % 4);
  tones[3072 + 2 * 32] = char(40);  // limited to 15
  tones[3072 + 2 * 32 + 1] = char(9);
  std::string path = dir.Write("tones.wdt", tones);
  TManualWaveOut dev;
  TMelvane seq(&dev);
  EXPECT_FALSE(seq.LoadTones(dir.Write("short.wdt", tones.substr(0, 3000))));
  EXPECT_EQ(seq.Engine().Wave(5)[0], 103);
  ASSERT_TRUE(seq.LoadTones(path));
  EXPECT_EQ(seq.Engine().Wave(5)[0], 200);
  EXPECT_EQ(seq.Engine().Wave(5)[3], 203);
  EXPECT_EQ(seq.Engine().Envelope(2)[0], 15);
  EXPECT_EQ(seq.Engine().Envelope(2)[1], 9);
  EXPECT_EQ(seq.Engine().Envelope(3)[0], 0);
}

}  // namespace
}  // namespace ruvel::test
