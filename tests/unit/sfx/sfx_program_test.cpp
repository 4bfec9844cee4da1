// Effects made in the program, through the real program: `--render-sfx`
// checked for pitch, length, envelope, determinism and bad files; a page
// that plays a ".sfx" recorded with --record-audio (and rendered again
// when the file changes); `--edit-sfx` driven by --input replays, with the
// saved file read back.
#include <sys/wait.h>

#include <filesystem>
#include <sstream>

#include "sound/sound_fixture.h"

namespace ruvel::test {
namespace {

namespace fs = std::filesystem;

struct TRun {
  int status = -1;
  std::string err;
};

// Runs ruvel with the arguments; its exit status and standard error.
TRun Ruvel(const TempDir& dir, const std::string& args) {
  std::string errFile = (dir.path / "stderr.txt").string();
  int raw = std::system(("timeout 120 " + BuildDir() + "/ruvel " + args + " 2>" + errFile + " >/dev/null").c_str());
  TRun r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(errFile);
  r.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return r;
}

// Renders the effect text; the samples (empty when it failed).
std::vector<int16_t> Render(const TempDir& dir, const std::string& text, TRun* run = nullptr) {
  std::string in = dir.Write("e.sfx", text);
  std::string out = (dir.path / "e.wav").string();
  fs::remove(out);
  TRun r = Ruvel(dir, "--render-sfx " + in + " -o " + out);
  if (run) *run = r;
  return r.status == 0 ? ReadWav16(out) : std::vector<int16_t>();
}

// The frequency of [from, to) from its upward zero crossings.
double Pitch(const std::vector<int16_t>& s, size_t from, size_t to) {
  size_t first = 0, last = 0, n = 0;
  for (size_t i = from + 1; i < to && i < s.size(); ++i) {
    if (s[i - 1] < 0 && s[i] >= 0) {
      if (n == 0) first = i;
      last = i;
      ++n;
    }
  }
  return n < 2 ? 0.0 : double(n - 1) * 44100.0 / double(last - first);
}

std::string Tone(const std::string& wave, double freq, const std::string& extra = "") {
  return "wave = " + wave + "\nattack = 0\nsustain = 0.3\ndecay = 0\nrelease = 0\nfreq = " + std::to_string(freq) +
         "\n" + extra;
}

TEST(SfxRender, EveryWaveHasItsPitchAndTheLengthOfItsTimes) {
  TempDir dir;
  for (const char* wave : {"sine", "square", "saw", "triangle"}) {
    std::vector<int16_t> s = Render(dir, Tone(wave, 440));
    EXPECT_NEAR(double(s.size()), 0.3 * 44100, 441) << wave;
    EXPECT_NEAR(Pitch(s, 0, s.size()), 440.0, 4.4) << wave;
  }
  // The length is the sum of the four times, whatever the wave.
  std::vector<int16_t> s = Render(dir, "wave = noise\nattack = 0.1\nsustain = 0.2\ndecay = 0.3\nrelease = 0.4\n");
  EXPECT_EQ(s.size(), 44100u);
}

TEST(SfxRender, SlideArpeggioAndRepeatMoveThePitch) {
  TempDir dir;
  // 200 Hz rising 1000 Hz a second: 250 Hz on average over the first
  // tenth of a second, 455 Hz over 0.21 to 0.3 s.
  std::vector<int16_t> s = Render(dir, Tone("sine", 200, "slide = 1000\n"));
  EXPECT_NEAR(Pitch(s, 0, 4410), 250.0, 5.0);
  EXPECT_NEAR(Pitch(s, 9261, 13230), 455.0, 9.0);
  // Doubled from 0.15 s on.
  s = Render(dir, Tone("square", 300, "arp_mult = 2\narp_time = 0.15\n"));
  EXPECT_NEAR(Pitch(s, 0, 6615), 300.0, 3.0);
  EXPECT_NEAR(Pitch(s, 6615, 13230), 600.0, 6.0);
  // The slide starts again every 0.1 s: the last tenth sounds as the
  // first (300 Hz on average), not 700 Hz.
  s = Render(dir, Tone("sine", 200, "slide = 2000\nrepeat = 0.1\n"));
  EXPECT_NEAR(Pitch(s, 0, 4410), 300.0, 6.0);
  EXPECT_NEAR(Pitch(s, 8820, 13230), 300.0, 6.0);
}

TEST(SfxRender, TheEnvelopeRisesHoldsAndFalls) {
  TempDir dir;
  std::vector<int16_t> s = Render(dir, "wave = sine\nfreq = 1000\nattack = 0.1\nsustain = 0.1\ndecay = 0.1\nrelease = 0.1\n"
                                       "volume = 1\n");
  ASSERT_EQ(s.size(), 17640u);
  double a1 = Rms(s, 0, 1470), a2 = Rms(s, 2940, 4410);     // attack
  double held = Rms(s, 4410, 8820);                        // sustain
  double decayEnd = Rms(s, 12789, 13230);                  // end of the decay
  double r1 = Rms(s, 13230, 14700), r2 = Rms(s, 16170, 17640);  // release
  EXPECT_LT(a1 * 2, a2);
  EXPECT_GT(held, 22000.0);
  EXPECT_NEAR(decayEnd / held, 0.5, 0.05);
  EXPECT_LT(r2 * 2, r1);
  EXPECT_LT(r1, decayEnd);
}

TEST(SfxRender, TheSameFileGivesTheSameBytes) {
  TempDir dir;
  std::string noise = "wave = noise\nfreq = 300\nsustain = 0.2\nlowpass = 3000\nlowpass_sweep = -5000\nseed = 7\n";
  auto bytes = [&](const std::string& text) {
    Render(dir, text);
    std::ifstream in((dir.path / "e.wav").string(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  std::string first = bytes(noise);
  ASSERT_GT(first.size(), 44u + 2 * 4410);
  EXPECT_EQ(first, bytes(noise));
  std::string other = noise;
  other.back() = '8';  // seed = 8
  EXPECT_NE(first, bytes(other));
}

TEST(SfxRender, BadValuesAreNamedOnceAndClamped) {
  TempDir dir;
  TRun run;
  std::vector<int16_t> s = Render(dir,
                                  "# loud\nwave = square\nbogus = 3\nsustain = 0.1\ndecay = 0\nrelease = 0\nvolume = 7\n"
                                  "freq = high\n", &run);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.err.find("3 行目: bogus:"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("7 行目: volume: 値 7 は範囲 0〜1 の外なので 1 にしました"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("8 行目: freq:"), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 3) << run.err;
  // Rendered with volume 1 (full scale) and the default 440 Hz.
  ASSERT_EQ(s.size(), 4410u + 441u);
  EXPECT_EQ(*std::max_element(s.begin(), s.end()), 32767);
  EXPECT_NEAR(Pitch(s, 0, s.size()), 440.0, 4.4);
  // Too long: cut to 10 seconds from the end, with a message.
  s = Render(dir, "sustain = 5\ndecay = 5\nrelease = 5\n", &run);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(s.size(), 441000u);
  EXPECT_NE(run.err.find("上限 10 秒"), std::string::npos) << run.err;
  // Not there, or no output named: exit 1 / an error, nothing written.
  run = Ruvel(dir, "--render-sfx " + (dir.path / "none.sfx").string() + " -o " + (dir.path / "x.wav").string());
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(fs::exists(dir.path / "x.wav"));
  EXPECT_NE(Ruvel(dir, "--render-sfx " + (dir.path / "e.sfx").string()).status, 0);
}

// Each language's help has both options once, in its own words.
TEST(SfxRender, TheHelpNamesTheOptionsInEachLanguage) {
  TempDir dir;
  for (auto [lang, own, other] : {std::tuple{"C", "render the sound effect", "効果音ファイル"},
                                  std::tuple{"ja_JP.UTF-8", "効果音ファイル", "render the sound effect"}}) {
    std::string out = (dir.path / "help.txt").string();
    ASSERT_EQ(std::system(("LC_ALL=" + std::string(lang) + " " + BuildDir() + "/ruvel --help >" + out).c_str()), 0);
    std::ifstream in(out);
    std::string help((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* option : {"--render-sfx F -o O", "--edit-sfx FILE"}) {
      size_t at = help.find(option);
      EXPECT_NE(at, std::string::npos) << lang << " " << option;
      EXPECT_EQ(help.find(option, at + 1), std::string::npos) << lang << " " << option;
    }
    EXPECT_NE(help.find(own), std::string::npos) << lang;
    EXPECT_EQ(help.find(other), std::string::npos) << lang;
  }
}

// A program directory with the kernel and a project whose page plays the
// effect "beep.sfx" after five frames.
struct THome {
  explicit THome(const TempDir& dir) : root(dir.path / "home") {
    fs::create_directories(root / "Usr");
    fs::create_symlink(fs::path(SourceDir()) / "Kernel", root / "Kernel");
    Write("Usr/default.ruvelprj",
          "<resourcelist name=\"project\">\n <resourcelist name=\"pages\">\n </resourcelist>\n"
          " <resourcelist name=\"classes\">\n </resourcelist>\n</resourcelist>\n");
    Write("Usr/page.cmml", "<resourcelist name=\"usr\">\n <resourcelist name=\"classes\">\n  <class name=\"P\" src=\"P.ruvel\">\n"
                           " </resourcelist>\n <resourcelist name=\"gen\">\n  <generator className=\"P\" name=\"$o\">\n"
                           " </resourcelist>\n</resourcelist>\n");
    Write("Usr/P.ruvel", "extends classes.game.Char;\nfunction main() {\n  var se; var i;\n"
                         "  se = new classes.snd.SoundEffect(\"beep.sfx\");\n  for (i = 0; i < 5; i++) suspend();\n"
                         "  se.play();\n  while (1) suspend();\n}\n");
  }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream((root / name).string(), std::ios::binary) << text;
  }
  std::vector<int16_t> Run(const TempDir& dir, TRun& run) const {
    std::string wav = (root / "out.wav").string();
    run = Ruvel(dir, "--home " + root.string() + " " + (root / "Usr/page.cmml").string() +
                         " --headless --fixed-clock --frames 60 --record-audio " + wav);
    return ReadWav16(wav);
  }
  fs::path root;
};

// The span of the recording where the effect sounds: from the first to the
// last sample away from silence.
std::pair<size_t, size_t> Sounding(const std::vector<int16_t>& s) {
  size_t from = 0, to = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (std::abs(s[i]) > 300) {
      if (from == 0) from = i;
      to = i;
    }
  }
  return {from, to};
}

TEST(SfxInPage, APagePlaysTheEffectAndHearsItsChanges) {
  TempDir dir;
  THome home(dir);
  home.Write("Usr/beep.sfx", Tone("square", 500) + "volume = 1\n");
  TRun run;
  std::vector<int16_t> s = home.Run(dir, run);
  ASSERT_EQ(run.status, 0) << run.err;
  auto [from, to] = Sounding(s);
  ASSERT_GT(to, from);
  // Played at frame 5 (after about 3800 samples), 0.3 s long, 500 Hz.
  EXPECT_GT(from, 3000u);
  EXPECT_NEAR(double(to - from), 13230.0, 900.0);
  EXPECT_NEAR(Pitch(s, from + 200, to - 200), 500.0, 10.0);
  EXPECT_EQ(Rms(s, 0, from - 1), 0.0);
  // A changed file is rendered again (its copy in Temp is older), and what
  // it clamps is told once.
  fs::last_write_time(home.root / "Usr/beep.sfx", fs::file_time_type::clock::now() + std::chrono::seconds(5));
  home.Write("Usr/beep.sfx", Tone("square", 1000) + "volume = 3\n");
  fs::last_write_time(home.root / "Usr/beep.sfx", fs::file_time_type::clock::now() + std::chrono::seconds(5));
  s = home.Run(dir, run);
  ASSERT_EQ(run.status, 0) << run.err;
  std::tie(from, to) = Sounding(s);
  EXPECT_NEAR(Pitch(s, from + 200, to - 200), 1000.0, 20.0);
  size_t at = run.err.find("beep.sfx:7 行目: volume:");
  EXPECT_NE(at, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("beep.sfx:7 行目", at + 1), std::string::npos) << run.err;
}

// Replay lines: a key (with Ctrl) and a click at x, y.
void Key(std::ostringstream& s, long& f, const char* key, bool ctrl = false) {
  if (ctrl) s << f++ << " down CONTROL\n";
  s << f++ << " down " << key << "\n";
  s << f++ << " up " << key << "\n";
  if (ctrl) s << f++ << " up CONTROL\n";
  f += 3;
}
void Click(std::ostringstream& s, long& f, int x, int y) {
  s << f++ << " move " << x << " " << y << "\n";
  s << f++ << " press left " << x << " " << y << "\n";
  s << f++ << " release left " << x << " " << y << "\n";
  f += 3;
}

// The value of key in a saved effect file; NaN when it is not there.
double Saved(const fs::path& file, const std::string& key) {
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + " = ", 0) == 0) {
      std::string v = line.substr(key.size() + 3);
      if (v == "square") return 0;
      if (v == "triangle") return 2;
      if (v == "noise") return 4;
      return std::stod(v);
    }
  }
  return std::nan("");
}

TEST(SfxEditorProgram, PresetSliderUndoSaveAndTheCloseQuestion) {
  TempDir dir;
  fs::path file = dir.path / "coin.sfx";
  std::ostringstream r;
  long f = 2;
  Key(r, f, "1");                 // コイン
  Click(r, f, 456, 450);          // the right end of the 音量 slider
  Key(r, f, "S", true);           // 保存
  Key(r, f, "5");                 // ヒット ...
  Key(r, f, "Z", true);           // ... undone: as saved again
  Key(r, f, "W", true);           // closes without asking
  std::string replay = dir.Write("r1.txt", r.str());
  std::string wav = (dir.path / "editor.wav").string();
  TRun run = Ruvel(dir, "--headless --fixed-clock --edit-sfx " + file.string() + " --input " + replay +
                            " --frames 300 --record-audio " + wav);
  EXPECT_EQ(run.status, 0) << run.err;
  // The coin preset: a jump up after a short while, no slide, at full volume.
  EXPECT_GT(Saved(file, "arp_time"), 0.0);
  EXPECT_GT(Saved(file, "arp_mult"), 1.2);
  EXPECT_EQ(Saved(file, "slide"), 0.0);
  EXPECT_GT(Saved(file, "volume"), 0.95);
  EXPECT_GT(Rms(ReadWav16(wav), 0, 44100), 100.0);  // every change played

  // Changed and closed: the question; S saves the laser preset.
  fs::path laser = dir.path / "laser.sfx";
  std::ostringstream q;
  f = 2;
  Key(q, f, "2");
  Key(q, f, "W", true);
  Key(q, f, "S");
  replay = dir.Write("r2.txt", q.str());
  run = Ruvel(dir, "--headless --edit-sfx " + laser.string() + " --input " + replay + " --frames 300");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_LT(Saved(laser, "slide"), -1000.0);

  // 開く: another effect picked in the dialog is the one edited and saved.
  const double coinArp = Saved(file, "arp_mult");
  std::ostringstream o;
  f = 2;
  Key(o, f, "O", true);
  Click(o, f, 270, 247);  // laser.sfx, the second effect of the folder
  Click(o, f, 287, 472);  // OK
  Key(o, f, "3");         // 爆発
  Key(o, f, "S", true);
  replay = dir.Write("r4.txt", o.str());
  run = Ruvel(dir, "--headless --edit-sfx " + file.string() + " --input " + replay + " --frames 80");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Saved(laser, "wave"), 4.0) << "the explosion went into laser.sfx";
  EXPECT_EQ(Saved(file, "arp_mult"), coinArp) << "coin.sfx is as it was";

  // A save that cannot be written says so; the file is not there.
  fs::path nowhere = dir.path / "no_such_folder" / "x.sfx";
  std::ostringstream w;
  f = 2;
  Key(w, f, "3");
  Key(w, f, "S", true);
  replay = dir.Write("r3.txt", w.str());
  run = Ruvel(dir, "--headless --edit-sfx " + nowhere.string() + " --input " + replay + " --frames 40");
  EXPECT_NE(run.err.find("保存できません"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(nowhere));
}

}  // namespace
}  // namespace ruvel::test
