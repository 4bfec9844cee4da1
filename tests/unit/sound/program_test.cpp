// Sound through the real program: a headless run with the fixed clock plays
// pages written here and records what it plays. Covers page switches and
// "sound_stopOnPageLoad", ".mml" music compiled on load, the default tone
// file, freeing effects while music plays, MIDI and --compile-mml.
#include <sys/wait.h>

#include <filesystem>

#include "sound_fixture.h"

namespace ruvel::test {
namespace {

namespace fs = std::filesystem;

// A program directory: the kernel of the source tree, a project with the
// given parameters and pages, and (when asked) the default tone file.
class Home {
 public:
  Home(const TempDir& dir, const std::string& params, bool tones) : root(dir.path / "home") {
    fs::create_directories(root / "Usr");
    fs::create_symlink(fs::path(SourceDir()) / "Kernel", root / "Kernel");
    if (tones) fs::create_symlink(fs::path(SourceDir()) / "tones.wdt", root / "tones.wdt");
    Write("Usr/default.ruvelprj",
          "<resourcelist name=\"project\">\n <resourcelist name=\"pages\">\n </resourcelist>\n"
          " <resourcelist name=\"classes\">\n </resourcelist>\n"
          " <resourcelist name=\"params\">\n" +
              params + " </resourcelist>\n</resourcelist>\n");
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream((root / name).string(), std::ios::binary) << text;
  }
  // A page whose one object runs the class's main().
  void Page(const std::string& name, const std::string& cls, const std::string& body) const {
    Write("Usr/" + name, "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n  <class name=\"" + cls +
                             "\" src=\"" + cls + ".ruvel\">\n </resourcelist>\n <resourcelist name=\"gen\">\n"
                             "  <generator className=\"" + cls + "\" name=\"$o\">\n </resourcelist>\n</resourcelist>\n");
    Write("Usr/" + cls + ".ruvel", "extends classes.game.Char;\nfunction main() {\n" + body + "\n}\n");
  }
  // Runs the page for frames frames of 17 ms; the recording's samples.
  std::vector<int16_t> Run(const std::string& page, int frames, std::string* output = nullptr) const {
    std::string wav = (root / "out.wav").string();
    std::string log = (root / "run.log").string();
    std::string cmd = "timeout 120 " + BuildDir() + "/ruvel --home " + root.string() + " " + (root / "Usr" / page).string() +
                      " --headless --fixed-clock --frames " + std::to_string(frames) + " --record-audio " + wav +
                      " >" + log + " 2>&1";
    int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << cmd;
    if (output) {
      std::ifstream in(log);
      output->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return ReadWav16(wav);
  }
  fs::path root;
};

// The first page starts a long note and opens the second page after ten
// frames; the second page does nothing.
std::vector<int16_t> PageSwitchRun(const std::string& params) {
  TempDir dir;
  Home home(dir, params, false);
  home.Write("Usr/song.mml", "A t120 v200 E1,0 o4 a1^1^1^1^1^1\n");
  home.Page("first.cmml", "First",
            "  var bgm; var i; var p;\n  bgm = new classes.snd.BGM();\n  bgm.play(\"song.mml\");\n"
            "  for (i = 0; i < 10; i++) suspend();\n  p = new classes.lang.Page();\n  p.open(\"second.cmml\");\n"
            "  while (1) suspend();");
  home.Page("second.cmml", "Second", "  while (1) suspend();");
  return home.Run("first.cmml", 110);
}

TEST(SoundProgram, APageSwitchStopsMusicUnlessTheProjectSaysZero) {
  // 110 frames are 82500 samples; the switch comes near sample 8000 and
  // the buffer plays 20000 samples late, so the last 40000 tell.
  std::vector<int16_t> stops = PageSwitchRun("");
  ASSERT_GT(stops.size(), 75000u);
  EXPECT_GT(Rms(stops, 22000, 27000), 1000.0);  // the note, before the switch is heard
  EXPECT_EQ(Rms(stops, stops.size() - 40000, stops.size()), 0.0);
  std::vector<int16_t> stopsToo = PageSwitchRun("  <param name=\"sound_stopOnPageLoad\" value=\"1\"/>\n");
  ASSERT_GT(stopsToo.size(), 75000u);
  EXPECT_EQ(Rms(stopsToo, stopsToo.size() - 40000, stopsToo.size()), 0.0);
  std::vector<int16_t> carries = PageSwitchRun("  <param name=\"sound_stopOnPageLoad\" value=\"0\"/>\n");
  ASSERT_GT(carries.size(), 75000u);
  EXPECT_GT(Rms(carries, carries.size() - 40000, carries.size()), 1000.0);
}

// The number of different sample values while the note sounds.
size_t Levels(const std::vector<int16_t>& s) {
  std::vector<int16_t> sorted(s.begin() + std::min<size_t>(s.size(), 25000), s.end());
  std::sort(sorted.begin(), sorted.end());
  return size_t(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

TEST(SoundProgram, MmlMusicPlaysWithTheDefaultToneFileAndWithout) {
  for (bool tones : {true, false}) {
    TempDir dir;
    Home home(dir, "", tones);
    // Tone 8 is a sine in the default tone file; without it every tone is
    // the built-in square.
    home.Write("Usr/sine.mml", "; one long A\nA t120 @8 v255 E1,0 o4 a1^1^1\n");
    home.Page("page.cmml", "Player", "  var bgm;\n  bgm = new classes.snd.BGM();\n  bgm.play(\"SINE.MML\");\n  while (1) suspend();");
    std::vector<int16_t> s = home.Run("page.cmml", 80);
    ASSERT_GT(s.size(), 55000u);
    // 440 Hz from the first played note on.
    EXPECT_GT(ToneEnergy(s, 25000, 55000, 440), 50 * ToneEnergy(s, 25000, 55000, 880)) << tones;
    EXPECT_GT(Rms(s, 25000, 55000), 1000.0);
    if (tones) {
      EXPECT_GT(Levels(s), 10u);
    } else {
      EXPECT_EQ(Levels(s), 2u);
    }
    // Compiled once into Temp, under the name the file has on disk.
    size_t compiled = 0;
    for (const auto& e : fs::directory_iterator(home.root / "Temp")) {
      compiled += e.path().filename().string().rfind("_mml_sine_", 0) == 0;
    }
    EXPECT_EQ(compiled, 1u);
  }
}

TEST(SoundProgram, AnMmlMistakeIsReportedWithItsPlaceAndPlaysNothing) {
  TempDir dir;
  Home home(dir, "", false);
  home.Write("Usr/bad.mml", "A v200 c d\nA e x\n");
  home.Page("page.cmml", "Player", "  var bgm;\n  bgm = new classes.snd.BGM();\n  bgm.play(\"bad.mml\");\n  while (1) suspend();");
  std::string out;
  std::vector<int16_t> s = home.Run("page.cmml", 40, &out);
  EXPECT_NE(out.find("bad.mml:2:5: 不明なコマンドです: x"), std::string::npos) << out;
  EXPECT_EQ(Rms(s, 0, s.size()), 0.0);
}

TEST(SoundProgram, FreeingAnEffectLetsTheMusicPlayOn) {
  TempDir dir;
  Home home(dir, "", false);
  home.Write("Usr/song.mml", "A t120 v200 E1,0 o4 a1^1^1^1\n");
  home.Write("Usr/click.wav", WavBytes(44100, 8, 1, std::string(500, '\xF0')));
  home.Page("page.cmml", "Player",
            "  var bgm; var se; var i;\n  bgm = new classes.snd.BGM();\n  bgm.play(\"song.mml\");\n"
            "  for (i = 0; i < 5; i++) suspend();\n  se = new classes.snd.SoundEffect(\"click.wav\");\n"
            "  se.play();\n  suspend();\n  se.free();\n  while (1) suspend();");
  std::vector<int16_t> s = home.Run("page.cmml", 100);
  // Every frame's samples are in the recording, and the music sounds to
  // the end (the effect was freed near sample 5000).
  EXPECT_GT(s.size(), 100u * 750 - 21000);
  EXPECT_GT(Rms(s, s.size() - 30000, s.size()), 1000.0);
  EXPECT_GT(ToneEnergy(s, s.size() - 30000, s.size(), 440), 0.0);
}

// One flute (General MIDI program 73): A4 for a second, a second of rest,
// then A5 for a second.
TEST(SoundProgram, MidiFilesPlayInTheRecordingWithTheirPitchAndLength) {
  if (!fs::exists("/usr/share/sounds/sf2/TimGM6mb.sf2")) GTEST_SKIP() << "timgm6mb-soundfont is not installed";
  TempDir dir;
  Home home(dir, "", false);
  home.Write("Usr/tune.mid", MidiBytes(73, {{69, 2, 2}, {81, 2, 0}}));
  home.Page("page.cmml", "Player",
            "  var bgm;\n  bgm = new classes.snd.BGM();\n  bgm.playLoop(\"Tune.MID\", 0);\n  while (1) suspend();");
  std::vector<int16_t> s = home.Run("page.cmml", 330);
  ASSERT_GT(s.size(), 44100u * 4);
  size_t start = 0;
  while (start < s.size() && std::abs(s[start]) < 300) ++start;
  // The music starts one buffer after the first frame.
  ASSERT_LT(start, 30000u);
  auto second = [&](double from, double to) { return std::pair(start + size_t(from * 44100), start + size_t(to * 44100)); };
  auto [a0, a1] = second(0.1, 0.9);
  auto [r0, r1] = second(1.4, 1.9);
  auto [b0, b1] = second(2.1, 2.9);
  auto [e0, e1] = second(3.6, 4.0);
  // Each note's pitch stands far above the semitones beside it.
  for (double hz : {415.3, 466.2}) EXPECT_GT(ToneEnergy(s, a0, a1, 440), 20 * ToneEnergy(s, a0, a1, hz)) << hz;
  for (double hz : {830.6, 932.3}) EXPECT_GT(ToneEnergy(s, b0, b1, 880), 20 * ToneEnergy(s, b0, b1, hz)) << hz;
  EXPECT_GT(ToneEnergy(s, b0, b1, 880), 20 * ToneEnergy(s, b0, b1, 440));
  double loud = Rms(s, a0, a1);
  EXPECT_GT(loud, 500.0);
  EXPECT_LT(Rms(s, r0, r1), loud / 20);  // the rest between the notes
  EXPECT_LT(Rms(s, e0, e1), loud / 20);  // the end: not looped
}

// The demo game's title page starts its MML music with the default tones.
TEST(SoundProgram, TheDemoTitlePlaysItsMusic) {
  TempDir dir;
  std::string wav = (dir.path / "title.wav").string();
  std::string cmd = "timeout 120 " + BuildDir() + "/ruvel --headless --fixed-clock --frames 100 --record-audio " + wav +
                    " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::vector<int16_t> s = ReadWav16(wav);
  ASSERT_GT(s.size(), 70000u);
  EXPECT_GT(Rms(s, s.size() - 40000, s.size()), 500.0);
  size_t limits = 0;
  for (int16_t v : s) limits += v == 32767 || v == -32768;
  EXPECT_EQ(limits, 0u);
}

TEST(SoundProgram, CompileMmlWritesTheMusicFileOrNamesTheMistake) {
  TempDir dir;
  std::string in = dir.Write("song.mml", "A t120 v1 o4 a\n");
  std::string out = (dir.path / "song.mlv").string();
  std::string cmd = BuildDir() + "/ruvel --compile-mml " + in + " -o " + out + " 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream f(out, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, MlvBytes({Bytes({'g', 120, 0, 'd', 1}) + Note(45, 11025) + Bytes({255})}, 1000));
  std::string bad = dir.Write("bad.mml", "A v1\nB  c [d\n");
  std::string log = (dir.path / "log").string();
  cmd = BuildDir() + "/ruvel --compile-mml " + bad + " -o " + (dir.path / "bad.mlv").string() + " >" + log + " 2>&1";
  int status = std::system(cmd.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  std::ifstream l(log);
  std::string text((std::istreambuf_iterator<char>(l)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(bad + ":2:6: 繰り返しを閉じる ] がありません"), std::string::npos) << text;
  EXPECT_FALSE(fs::exists(dir.path / "bad.mlv"));
  // Without -o the command line is refused.
  status = std::system((BuildDir() + "/ruvel --compile-mml " + in + " >/dev/null 2>&1").c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 64);
}

// A game that plays a hostile song (2 KB of nested repeats) is told why it
// does not play and goes on at once: the next song sounds, and no frame
// took long enough for the 3-second warning.
TEST(SoundProgram, AHostileSongIsRefusedWithoutStoppingTheGame) {
  TempDir dir;
  Home home(dir, "", true);
  home.Write("Usr/nest.mml", "A " + std::string(1000, '[') + "c%1" + std::string(1000, ']') + "\n");
  home.Write("Usr/sine.mml", "A t120 @8 v255 E1,0 o4 a1^1^1\n");
  home.Page("page.cmml", "Player",
            "  var bgm;\n  bgm = new classes.snd.BGM();\n  bgm.play(\"nest.mml\");\n  suspend();\n"
            "  bgm.play(\"sine.mml\");\n  while (1) suspend();");
  std::string log;
  std::vector<int16_t> s = home.Run("page.cmml", 80, &log);
  EXPECT_NE(log.find("nest.mml:1:"), std::string::npos) << log;
  EXPECT_NE(log.find("曲が長すぎます: 1チャンネル上限 4194304 バイト"), std::string::npos) << log;
  ASSERT_GT(s.size(), 55000u);
  EXPECT_GT(Rms(s, 25000, 55000), 1000.0);
}

// Deeply nested repeats through --compile-mml: a deep song that fits is
// written out exactly, one that would write out too much is refused with
// the file and the cap named, and a source above the size limit is refused
// without being read whole (a device that never ends included).
TEST(SoundProgram, CompileMmlNestedRepeatsAndLimits) {
  TempDir dir;
  auto run = [&](const std::string& in, const std::string& out, std::string& log) {
    std::string logPath = (dir.path / "log").string();
    std::string cmd = BuildDir() + "/ruvel --compile-mml " + in + " -o " + out + " >" + logPath + " 2>&1";
    int status = std::system(cmd.c_str());
    std::ifstream l(logPath);
    log.assign((std::istreambuf_iterator<char>(l)), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  // 600 levels of "play once" around 20 levels of "twice": 2^20 notes.
  std::string deep = "A v1 " + std::string(600, '[');
  for (int i = 0; i < 20; ++i) deep += "[ ";
  deep += "c%1";
  for (int i = 0; i < 20; ++i) deep += "]2 ";
  for (int i = 0; i < 600; ++i) deep += "]1";
  std::string in = dir.Write("deep.mml", deep + "\n");
  std::string out = (dir.path / "deep.mlv").string();
  std::string log;
  ASSERT_EQ(run(in, out, log), 0) << log;
  std::string notes;
  for (int i = 0; i < (1 << 20); ++i) notes += Note(36, 1);
  std::ifstream f(out, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(bytes == MlvBytes({Bytes({'d', 1}) + notes + Bytes({255})}, 1000)) << bytes.size();

  // Empty bodies repeated 999 times, 500 deep.
  std::string wide = "A c " + std::string(500, '[');
  for (int i = 0; i < 500; ++i) wide += "]999";
  in = dir.Write("wide.mml", wide + "\n");
  EXPECT_EQ(run(in, (dir.path / "wide.mlv").string(), log), 1);
  EXPECT_NE(log.find(in + ":1:"), std::string::npos) << log;
  EXPECT_NE(log.find("繰り返しを展開すると長すぎます: 上限 16777216 バイト"), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(dir.path / "wide.mlv"));

  std::string big(2097152 - 2, ' ');
  in = dir.Write("big.mml", "c" + big + "d");
  EXPECT_EQ(run(in, (dir.path / "big.mlv").string(), log), 0) << log;
  in = dir.Write("bigger.mml", "c" + big + "de");
  EXPECT_EQ(run(in, (dir.path / "bigger.mlv").string(), log), 1);
  EXPECT_NE(log.find(in + ":1:1: MMLファイルが大きすぎます: 上限 2097152 バイト"), std::string::npos) << log;
  EXPECT_EQ(run("/dev/zero", (dir.path / "zero.mlv").string(), log), 1);
  EXPECT_NE(log.find("/dev/zero は通常のファイルではありません"), std::string::npos) << log;
}

}  // namespace
}  // namespace ruvel::test
