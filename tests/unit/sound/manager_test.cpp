// The sound manager behind the natives, the SDL device on SDL's dummy
// driver, and a headless run of the program that records its sound.
#include <SDL.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/message_sink.h"
#include "sound/sound_manager.h"
#include "sound/sound_natives.h"
#include "sound_fixture.h"

namespace ruvel::test {
namespace {

class CaptureSink : public MessageSink {
 public:
  void ShowMessage(const std::string& t) override { shown.push_back(t); }
  void Log(const std::string& t) override { logged.push_back(t); }
  std::vector<std::string> shown;
  std::vector<std::string> logged;
};

TEST(SoundManager, MusicMidiLoopFlagAndSoundSwitch) {
  TempDir dir;
  CaptureSink sink;
  MessageSink* old = SetSink(&sink);
  std::string song = dir.Write("song.mlv", MlvBytes({Bytes({'d', 99}) + Note(45, 100) + Bytes({255})}));
  std::string midi = dir.Write("TUNE.MID", "MThd");
  TSndManager m;
  m.PlayBgm((dir.path / "missing.mlv").string(), true, true);
  EXPECT_EQ(m.Mode(), TBgmMode::kNone);
  EXPECT_TRUE(m.MidiLoop());  // the flag is taken before the file is looked for
  m.PlayBgm(song, false, false);
  EXPECT_EQ(m.Mode(), TBgmMode::kMusic);
  EXPECT_TRUE(m.MidiLoop());  // kept without a second argument
  EXPECT_EQ(m.Sequencer().Engine().Voice(0).state, TChannelState::kPlaying);
  // The extension is compared in lower case. A file that is not MIDI is
  // reported once, plays nothing and stops the music before it.
  m.PlayBgm(midi, true, false);
  EXPECT_EQ(m.Mode(), TBgmMode::kMidi);
  EXPECT_FALSE(m.MidiLoop());
  EXPECT_EQ(m.Sequencer().Engine().Voice(0).state, TChannelState::kStopped);
  m.PlayBgm(midi, false, false);
  ASSERT_EQ(sink.shown.size(), 1u);
  EXPECT_NE(sink.shown[0].find("TUNE.MID"), std::string::npos);
  EXPECT_FALSE(m.Midi().Playing());
  // Switching sound off stops the music, and nothing starts while off.
  m.PlayBgm(song, false, false);
  m.SetSoundSwitch(false);
  EXPECT_EQ(m.Mode(), TBgmMode::kNone);
  EXPECT_EQ(m.Sequencer().Engine().Voice(0).state, TChannelState::kStopped);
  m.PlayBgm(song, false, false);
  EXPECT_EQ(m.Mode(), TBgmMode::kNone);
  int32_t id = m.LoadEffect(dir.Write("e.wav", WavBytes(44100, 8, 1, std::string(50, '\xC0'))));
  ASSERT_GT(id, 0);
  m.PlayEffect(id, 128);
  EXPECT_EQ(m.Sequencer().Engine().Effect(1).remaining, 0u);
  m.SetSoundSwitch(true);
  m.PlayEffect(id, 128);
  EXPECT_EQ(m.Sequencer().Engine().Effect(1).remaining, 50u);
  EXPECT_EQ(m.LoadEffect("no_such_file.wav"), 0);
  m.FreeEffect(0);  // ignored
  SetSink(old);
}

TEST(SoundManager, NativesAreBoundToTheSoundClasses) {
  std::vector<std::string> names;
  for (const NativeEntry& e : SoundNatives()) names.push_back(std::string(e.className) + "." + e.name);
  EXPECT_EQ(names, (std::vector<std::string>{"classes.lang.Object._n_refresh", "SoundEffect._n_loadSE",
                                             "SoundEffect._n_play", "SoundEffect._n_freeSE", "BGM._n_play",
                                             "MediaPlayer._n_stop", "MediaPlayer._n_setEnable"}));
}

TEST(SoundDevice, SdlDummyDriverPlaysTheLoop) {
  SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
  ASSERT_EQ(SDL_Init(0), 0);
  {
    TSdlWaveOut dev;
    TEnveloper e(&dev);
    e.SetRequestedLength(4410);
    ASSERT_TRUE(e.Open()) << e.LastError();
    // The device thread moves the position; wait for it (a loaded machine
    // may not run that thread for a while) rather than for a fixed time.
    size_t start = dev.PlayPosition();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (dev.PlayPosition() == start && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(dev.PlayPosition(), start);
    EXPECT_LT(dev.PlayPosition(), 4410u);
    e.Close();
    EXPECT_EQ(dev.PlayPosition(), 0u);
  }
  SDL_Quit();
}

TEST(SoundRecording, AHeadlessRunWritesTheEffectItPlayedToAWav) {
  TempDir dir;
  std::string wav;
  for (int i = 0; i < 2000; ++i) wav += char(i % 40 < 20 ? 250 : 6);
  std::string beep = dir.Write("beep.wav", WavBytes(44100, 8, 1, wav));
  dir.Write("page.cmml",
            "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n"
            "  <class name=\"Beeper\" src=\"Beeper.ruvel\">\n </resourcelist>\n"
            " <resourcelist name=\"gen\">\n  <generator className=\"Beeper\" name=\"$b\">\n"
            " </resourcelist>\n</resourcelist>\n");
  dir.Write("Beeper.ruvel",
            "extends classes.game.Char;\nfunction main() {\n  var se;\n"
            "  se = new classes.snd.SoundEffect(\"beep.wav\");\n  se.play();\n"
            "  while (1) suspend();\n}\n");
  std::string out = (dir.path / "out.wav").string();
  std::string cmd = "timeout 120 " + BuildDir() + "/ruvel " + (dir.path / "page.cmml").string() +
                    " --headless --fixed-clock --frames 90 --record-audio " + out + " 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::vector<int16_t> s = ReadWav16(out);
  ASSERT_FALSE(s.empty()) << "not a 16-bit mono WAV";
  // 90 frames of 17 ms: the device plays from the start of the recording.
  EXPECT_NEAR(double(s.size()), 90 * 17 * 44.1, 1.0);
  // The effect: 2000 samples of a square wave 122 levels high, scaled to
  // 16 bits.
  size_t loud = 0;
  size_t first = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == 122 * 64) {
      if (!loud) first = i;
      ++loud;
    }
  }
  EXPECT_EQ(loud, 1000u);
  // Played in the first frames, heard after the mixer's delay (1000
  // samples), not a whole buffer later.
  EXPECT_GE(first, 1000u);
  EXPECT_LE(first, 5000u);
  // A file that cannot be created fails the run.
  cmd = "timeout 120 " + BuildDir() + "/ruvel --headless --fixed-clock --frames 2 --record-audio " +
        (dir.path / "no/such/dir/x.wav").string() + " >/dev/null 2>&1";
  int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
}

}  // namespace
}  // namespace ruvel::test
