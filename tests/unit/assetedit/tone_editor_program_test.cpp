// `ruvel --edit-tones` driven by --input replays. A stroke over tone 13's
// wave, a stroke over envelope 5, and on tone 20 the triangle preset, the
// square over it undone with Ctrl+Z, then Ctrl+S: the saved file holds
// exactly those changes, tone 30 made from the harmonic sliders, a copy
// pasted and the same seeded noise twice. Closing with unsaved changes asks (Esc goes back,
// S saves into a new file made from the program's, D discards); a save
// that cannot be written says so. Notes from the keyboard's piano row are
// recorded with --record-audio at their pitch.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "test_paths.h"

namespace fs = std::filesystem;

namespace {

// The window's layout (the view's constants): steps 16 pixels wide from
// x = 8; the wave from y = 24, 256 high; the envelope from y = 312, 128 high.
int StepX(int step) { return 8 + 16 * step + 8; }
// (The bottom row of pixels is the lowest value; 280 and 440 lie outside.)
int WaveY(int value) { return 279 - value; }
int EnvelopeY(int level) { return 439 - level * 127 / 15; }
// Tone thumbnails: 12 a row of 38 pixels from x = 536, rows 28 pixels from y = 24.
int ThumbX(int tone) { return 536 + 38 * (tone % 12) + 18; }
int ThumbY(int tone) { return 24 + 28 * (tone / 12) + 13; }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class Replay {
 public:
  void Click(int x, int y) {
    s_ << f_++ << " move " << x << " " << y << "\n";
    s_ << f_++ << " press left " << x << " " << y << "\n";
    s_ << f_++ << " release left " << x << " " << y << "\n";
    f_ += 2;
  }
  // A stroke through the points, one a frame.
  void Stroke(const std::vector<std::pair<int, int>>& points) {
    s_ << f_++ << " move " << points[0].first << " " << points[0].second << "\n";
    s_ << f_++ << " press left " << points[0].first << " " << points[0].second << "\n";
    for (const auto& p : points) s_ << f_++ << " move " << p.first << " " << p.second << "\n";
    s_ << f_++ << " release left " << points.back().first << " " << points.back().second << "\n";
    f_ += 2;
  }
  void Key(const char* key, bool ctrl = false) {
    if (ctrl) s_ << f_++ << " down CONTROL\n";
    s_ << f_++ << " down " << key << "\n";
    s_ << f_++ << " up " << key << "\n";
    if (ctrl) s_ << f_++ << " up CONTROL\n";
    f_ += 2;
  }
  void Wait(long frames) { f_ += frames; }
  long Frame() const { return f_; }
  std::string Text() const { return s_.str(); }

 private:
  std::ostringstream s_;
  long f_ = 3;
};

struct EditorRun {
  int exitCode = -1;
  std::string output;
};

// The editor on file with the replay; without frames it must end by itself.
EditorRun RunEditor(const fs::path& dir, const fs::path& file, const Replay& replay, long frames, const std::string& more = "") {
  fs::path script = dir / "replay.txt";
  std::ofstream(script) << replay.Text();
  fs::path log = dir / "run.log";
  std::string cmd = "timeout 60 " + ruvel_test::TestBuildDir() + "/ruvel --headless --edit-tones " + file.string() + " --input " +
                    script.string() + (frames > 0 ? " --frames " + std::to_string(frames) : std::string()) + " " + more + " >" +
                    log.string() + " 2>&1";
  EditorRun r;
  int status = std::system(cmd.c_str());
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.output = ReadAll(log);
  return r;
}

class ToneEditorProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ruvel_tone_program_" + std::to_string(getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    program = ReadAll(ruvel_test::TestBuildDir() + "/tones.wdt");
    ASSERT_EQ(program.size(), 3584u);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
  std::string program;  // the program directory's tone file
};

TEST_F(ToneEditorProgram, ReplayDrawsAWaveAndAnEnvelopeUsesPresetsUndoesAndSaves) {
  fs::path file = dir / "tones.wdt";
  std::string source = program;
  std::ofstream(file, std::ios::binary) << source;
  Replay r;
  r.Click(ThumbX(13), ThumbY(13));
  // From step 2 at 40 over step 6 (skipped steps are filled in) to step 10 at 239.
  r.Stroke({{StepX(2), WaveY(40)}, {StepX(6), WaveY(100)}, {StepX(10), WaveY(239)}});
  r.Click(536 + 38 * 5 + 18, 455);  // envelope 5
  r.Stroke({{StepX(0), EnvelopeY(0)}, {StepX(31), EnvelopeY(15)}});
  r.Click(ThumbX(20), ThumbY(20));
  r.Click(730, 283);  // 三角
  r.Click(612, 283);  // 矩形
  r.Key("Z", true);
  // Tone 30 from the harmonic sliders (26 wide, 34 apart from x = 536,
  // y = 340 to 420): the first down to 0, the second up to 1.
  r.Click(ThumbX(30), ThumbY(30));
  r.Stroke({{549, 345}, {549, 430}});
  r.Stroke({{583, 415}, {583, 330}});
  // Tone 13 copied over tone 50; the same noise (seed 1) on tones 40 and 41.
  r.Click(ThumbX(13), ThumbY(13));
  r.Key("C", true);
  r.Click(ThumbX(50), ThumbY(50));
  r.Key("V", true);
  for (int tone : {40, 41}) {
    r.Click(ThumbX(tone), ThumbY(tone));
    r.Click(778, 283);  // ノイズ
  }
  r.Key("S", true);
  EditorRun run = RunEditor(dir, file, r, r.Frame() + 5);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::string saved = ReadAll(file);
  ASSERT_EQ(saved.size(), 3584u);
  auto wave = [&](int tone, int step) { return int(uint8_t(saved[size_t(tone * 32 + step)])); };
  auto level = [&](int env, int step) { return int(uint8_t(saved[size_t(3072 + env * 32 + step)])); };
  // The stroke: its ends, rising through every step between them.
  EXPECT_NEAR(wave(13, 2), 40, 1);
  EXPECT_NEAR(wave(13, 10), 239, 1);
  for (int s = 3; s <= 10; ++s) EXPECT_GT(wave(13, s), wave(13, s - 1)) << s;
  // The envelope climbs from 0 to 15 over the 32 steps.
  EXPECT_EQ(level(5, 0), 0);
  EXPECT_EQ(level(5, 31), 15);
  for (int s = 1; s < 32; ++s) EXPECT_GE(level(5, s), level(5, s - 1)) << s;
  EXPECT_EQ(level(5, 16), 8);
  // Tone 20: the triangle (the square was undone), full range and symmetric.
  EXPECT_LE(wave(20, 0), 2);
  EXPECT_GE(wave(20, 16), 253);
  EXPECT_NEAR(wave(20, 8), 128, 1);
  for (int s = 1; s < 16; ++s) EXPECT_NEAR(wave(20, s), wave(20, 32 - s), 1) << s;
  // Tone 30: the second harmonic alone, peaks at a quarter and three quarters of its half.
  EXPECT_GE(wave(30, 4), 254);
  EXPECT_LE(wave(30, 12), 2);
  EXPECT_NEAR(wave(30, 0), 128, 1);
  EXPECT_NEAR(wave(30, 8), 128, 1);
  EXPECT_EQ(saved.substr(50 * 32, 32), saved.substr(13 * 32, 32));
  EXPECT_EQ(saved.substr(40 * 32, 32), saved.substr(41 * 32, 32));
  EXPECT_NE(saved.substr(40 * 32, 32), source.substr(40 * 32, 32));
  // Nothing else changed.
  for (size_t i = 0; i < saved.size(); ++i) {
    size_t table = i / 32;
    bool edited = table == 13 || table == 20 || table == 30 || table == 40 || table == 41 || table == 50 ||
                  table == (3072 + 5 * 32) / 32;
    if (!edited) {
      ASSERT_EQ(saved[i], source[i]) << "byte " << i;
    }
  }
}

TEST_F(ToneEditorProgram, ClosingAsksAndAFailedSaveSaysSo) {
  // A new file: Ctrl+W asks, Esc goes back, Ctrl+W and S save and close.
  fs::path file = dir / "new" / "tones.wdt";
  fs::create_directories(file.parent_path());
  Replay r;
  r.Stroke({{StepX(0), WaveY(255)}, {StepX(3), WaveY(255)}});
  r.Key("W", true);
  r.Key("ESCAPE");
  r.Key("W", true);
  r.Key("S");
  EditorRun run = RunEditor(dir, file, r, 0);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::string saved = ReadAll(file);
  ASSERT_EQ(saved.size(), 3584u);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(uint8_t(saved[size_t(s)]), 255) << s;
  EXPECT_EQ(saved.substr(32), program.substr(32)) << "made from the program's file";

  // A folder that is not there: the save fails and says so; D discards.
  fs::path nowhere = dir / "missing" / "tones.wdt";
  Replay fail;
  fail.Stroke({{StepX(0), WaveY(0)}, {StepX(1), WaveY(0)}});
  fail.Key("S", true);
  fail.Key("W", true);
  fail.Key("D");
  run = RunEditor(dir, nowhere, fail, 0);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("に保存できません"), std::string::npos) << run.output;
  EXPECT_FALSE(fs::exists(nowhere.parent_path()));
}

// Zero crossings per second of samples [from, from + n).
double Pitch(const std::vector<int16_t>& s, size_t from, size_t n) {
  int crossings = 0;
  for (size_t i = from + 1; i < from + n && i < s.size(); ++i) crossings += (s[i - 1] < 0) != (s[i] < 0);
  return crossings / 2.0 / (double(n) / 44100.0);
}

TEST_F(ToneEditorProgram, ThePianoRowPlaysTheSelectedToneThroughTheSynthesizer) {
  fs::path file = dir / "tones.wdt";
  std::ofstream(file, std::ios::binary) << program;
  fs::path wav = dir / "notes.wav";
  Replay r;
  r.Key("Z");  // C of octave 3: note 36
  r.Wait(60);
  r.Key("Q");  // an octave higher
  EditorRun run = RunEditor(dir, file, r, r.Frame() + 90, "--fixed-clock --record-audio " + wav.string());
  ASSERT_EQ(run.exitCode, 0) << run.output;
  std::string bytes = ReadAll(wav);
  ASSERT_GT(bytes.size(), 44u);
  std::vector<int16_t> s((bytes.size() - 44) / 2);
  std::memcpy(s.data(), bytes.data() + 44, s.size() * 2);
  size_t first = 0;
  while (first < s.size() && s[first] == 0) ++first;
  ASSERT_LT(first + 60000, s.size()) << "no note was heard";
  // 60 frames of 750 samples lie between the two key presses.
  EXPECT_NEAR(Pitch(s, first + 500, 8000), 261.6, 261.6 * 0.02);
  size_t second = first + 45000;
  while (second < s.size() && s[second] == 0) ++second;
  EXPECT_NEAR(Pitch(s, second + 500, 8000), 523.3, 523.3 * 0.02);
}

}  // namespace
