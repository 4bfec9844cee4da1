// MIDI through the sound manager: the loop flag, stopping, the sound
// switch, switching between music files and MIDI, and what happens when
// no soundfont can be found.
#include <filesystem>

#include "platform/message_sink.h"
#include "sound/sound_manager.h"
#include "sound_fixture.h"

namespace ruvel::test {
namespace {

constexpr const char* kSoundfont = "/usr/share/sounds/sf2/TimGM6mb.sf2";

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& t) override { shown.push_back(t); }
  void Log(const std::string&) override {}
  std::vector<std::string> shown;
};

// A manager on its manual device, recording what it plays.
struct ManagerRig {
  ManagerRig() {
    m.soundfontSetting = [] { return std::string(); };
    m.Sequencer().Engine().onPlayed = [this](const int16_t* d, size_t n) { played.insert(played.end(), d, d + n); };
  }
  // Plays seconds of sound in steps of 5000 samples.
  void Play(double seconds) {
    auto* dev = static_cast<TManualWaveOut*>(m.Device());
    for (size_t done = 0; done < size_t(seconds * 44100); done += 5000) {
      dev->Advance(5000);
      m.Sequencer().Service();
    }
  }
  double LastRms(double seconds) const {
    size_t n = size_t(seconds * 44100);
    return played.size() < n ? 0 : Rms(played, played.size() - n, played.size());
  }
  TSndManager m;
  std::vector<int16_t> played;
};

TEST(Midi, TheLoopFlagRepeatsThePieceAndIsKeptBetweenCalls) {
  if (!std::filesystem::exists(kSoundfont)) GTEST_SKIP() << "timgm6mb-soundfont is not installed";
  TempDir dir;
  std::string mid = dir.Write("short.mid", MidiBytes(73, {{69, 1, 0}}));  // half a second
  ManagerRig rig;
  rig.m.PlayBgm(mid, true, true);
  EXPECT_EQ(rig.m.Mode(), TBgmMode::kMidi);
  EXPECT_TRUE(rig.m.Midi().Playing());
  rig.Play(2.5);
  EXPECT_TRUE(rig.m.Midi().Playing());
  // Half a second of the played sound (the buffer's latency behind) holds
  // the repeated note.
  EXPECT_GT(rig.LastRms(0.5), 300.0);
  // A call without the flag keeps "loop"; then one with 0 plays once.
  rig.m.PlayBgm(mid, false, false);
  EXPECT_TRUE(rig.m.MidiLoop());
  rig.m.PlayBgm(mid, true, false);
  rig.Play(2.0);
  EXPECT_LT(rig.LastRms(0.4), 10.0);  // played once, then quiet
  // The player lets the last notes ring for two seconds before it is done.
  rig.Play(2.5);
  EXPECT_FALSE(rig.m.Midi().Playing());
  EXPECT_LT(rig.LastRms(1.0), 10.0);
}

TEST(Midi, StopTheSoundSwitchAndSwitchingToMusic) {
  if (!std::filesystem::exists(kSoundfont)) GTEST_SKIP() << "timgm6mb-soundfont is not installed";
  TempDir dir;
  std::string mid = dir.Write("long.mid", MidiBytes(0, {{60, 40, 0}}));
  std::string song = dir.Write("song.mlv", MlvBytes({Bytes({'d', 200}) + Note(45, 60000) + Bytes({255})}));
  ManagerRig rig;
  rig.m.PlayBgm(song, false, false);
  rig.m.PlayBgm(mid, false, false);
  // MIDI replaces the music, and the other way round.
  EXPECT_EQ(rig.m.Sequencer().Engine().Voice(0).state, TChannelState::kStopped);
  EXPECT_TRUE(rig.m.Midi().Playing());
  rig.m.PlayBgm(song, false, false);
  EXPECT_FALSE(rig.m.Midi().Playing());
  EXPECT_EQ(rig.m.Mode(), TBgmMode::kMusic);
  rig.m.PlayBgm(mid, false, false);
  rig.Play(1.0);
  rig.m.Stop();
  EXPECT_EQ(rig.m.Mode(), TBgmMode::kNone);
  EXPECT_FALSE(rig.m.Midi().Playing());
  rig.Play(1.0);
  EXPECT_EQ(rig.LastRms(0.4), 0.0);  // silent once the buffer has played out
  // Switching the sound off stops MIDI too, and nothing starts while off.
  rig.m.PlayBgm(mid, false, false);
  rig.m.SetSoundSwitch(false);
  EXPECT_FALSE(rig.m.Midi().Playing());
  rig.m.PlayBgm(mid, false, false);
  EXPECT_FALSE(rig.m.Midi().Playing());
  EXPECT_EQ(rig.m.Mode(), TBgmMode::kNone);
}

TEST(Midi, WithoutASoundfontOneMessageAndSilence) {
  TempDir dir;
  CaptureSink sink;
  MessageSink* old = SetSink(&sink);
  std::string mid = dir.Write("tune.mid", MidiBytes(0, {{60, 2, 0}}));
  {
    ManagerRig rig;
    rig.m.soundfontSetting = [&] { return (dir.path / "missing.sf2").string(); };
    rig.m.PlayBgm(mid, false, false);
    rig.m.PlayBgm(mid, false, true);
    rig.Play(1.0);
    EXPECT_EQ(rig.m.Mode(), TBgmMode::kMidi);
    EXPECT_FALSE(rig.m.Midi().Playing());
    ASSERT_EQ(sink.shown.size(), 1u);
    EXPECT_NE(sink.shown[0].find("missing.sf2"), std::string::npos);
    EXPECT_EQ(Rms(rig.played, 0, rig.played.size()), 0.0);
    // A file that is no soundfont is reported the same way.
    rig.m.soundfontSetting = [&] { return dir.Write("fake.sf2", "RIFF...."); };
    rig.m.PlayBgm(mid, false, false);
    EXPECT_EQ(sink.shown.size(), 2u);
    EXPECT_FALSE(rig.m.Midi().Playing());
  }
  // With no setting the packaged soundfont is used when installed.
  EXPECT_EQ(FindSoundfont(""), std::filesystem::exists(kSoundfont) ? std::string(kSoundfont) : std::string());
  SetSink(old);
}

}  // namespace
}  // namespace ruvel::test
