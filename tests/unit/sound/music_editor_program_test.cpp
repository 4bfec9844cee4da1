// `ruvel --edit-mml` driven by --input replays: text typed into a new file
// and saved with Ctrl+S; closing with unsaved changes asks (D discards, S
// saves); and the song played with 再生 recorded with --record-audio, with
// channels muted by clicking their ミュート boxes in the piano roll.
#include <sstream>

#include "sound/sound_fixture.h"

namespace ruvel::test {
namespace {

// Places in the 1100 x 720 window: the 再生 button, the text, and the
// ミュート boxes of the first two lanes of the roll.
constexpr int kPlayX = 25, kPlayY = 18;
constexpr int kTextX = 500, kTextY = 200;
constexpr int kMuteX = 40, kMuteAY = 477, kMuteBY = 537;

struct Replay {
  std::ostringstream s;
  long f = 3;
  void Click(int x, int y) {
    s << f << " move " << x << " " << y << "\n" << f + 1 << " press left " << x << " " << y << "\n"
      << f + 2 << " release left " << x << " " << y << "\n";
    f += 4;
  }
  void Key(const std::string& key, bool ctrl = false) {
    if (ctrl) s << f++ << " down CONTROL\n";
    s << f << " down " << key << "\n" << f + 1 << " up " << key << "\n";
    f += 2;
    if (ctrl) s << f++ << " up CONTROL\n";
    ++f;
  }
  // Types text of lower-case letters, digits, spaces and line ends.
  void Type(const std::string& text) {
    for (char c : text) {
      if (c == ' ') Key("SPACE");
      else if (c == '\n') Key("RETURN");
      else if (c >= 'a' && c <= 'z') Key(std::string(1, char(c - 'a' + 'A')));
      else Key(std::string(1, c));
    }
  }
};

// Runs the editor on file; frames 0: the program must end by itself.
int RunEditor(const TempDir& dir, const std::string& file, const Replay& replay, long frames,
              const std::string& more = "") {
  std::string script = dir.Write("replay.txt", replay.s.str());
  std::string cmd = "timeout 60 " + BuildDir() + "/ruvel --headless --fixed-clock --edit-mml " + file + " --input " + script +
                    (frames > 0 ? " --frames " + std::to_string(frames) : std::string()) + more;
  return std::system(cmd.c_str());
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(MusicEditorProgram, TypedTextIsSavedAndClosingWithChangesAsks) {
  TempDir dir;
  std::string file = (dir.path / "new.mml").string();
  Replay typed;
  typed.Click(kTextX, kTextY);
  typed.Type("a l8 cde\nb o3 g2");
  typed.Key("S", true);
  std::string shot = (dir.path / "shot.png").string();
  ASSERT_EQ(RunEditor(dir, file, typed, typed.f + 3, " --screenshot " + shot), 0);
  EXPECT_EQ(ReadText(file), "a l8 cde\nb o3 g2");
  EXPECT_TRUE(std::filesystem::exists(shot));

  // More text, then Ctrl+W: D throws it away and the program ends.
  Replay discard;
  discard.Click(kTextX, kTextY);
  discard.Type("fg");
  discard.Key("W", true);
  discard.Key("D");
  ASSERT_EQ(RunEditor(dir, file, discard, 0), 0);
  EXPECT_EQ(ReadText(file), "a l8 cde\nb o3 g2");

  // S saves from the question.
  Replay save;
  save.Click(kTextX, kTextY);
  save.Type(" a");
  save.Key("W", true);
  save.Key("S");
  ASSERT_EQ(RunEditor(dir, file, save, 0), 0);
  EXPECT_EQ(ReadText(file), "a l8 cde\nb o3 g2 a");
}

// Plays a song of A = o4 a and B = o5 e for 130 frames with the given
// lanes' ミュート boxes clicked; what is heard after the buffer's delay.
struct Heard {
  double rms, a440, e660;
};
Heard PlayMuted(bool muteA, bool muteB) {
  TempDir dir;
  std::string file = dir.Write("song.mml", "A t120 @8 v255 E1,0 o4 a1^1^1^1\nB @8 v255 E1,0 o5 e1^1^1^1\n");
  Replay replay;
  if (muteA) replay.Click(kMuteX, kMuteAY);
  if (muteB) replay.Click(kMuteX, kMuteBY);
  replay.Click(kPlayX, kPlayY);
  std::string wav = (dir.path / "out.wav").string();
  EXPECT_EQ(RunEditor(dir, file, replay, 130, " --record-audio " + wav), 0);
  std::vector<int16_t> s = ReadWav16(wav);
  EXPECT_GT(s.size(), 90000u);
  size_t from = s.size() > 40000 ? s.size() - 40000 : 0;
  return {Rms(s, from, s.size()), ToneEnergy(s, from, s.size(), 440.0), ToneEnergy(s, from, s.size(), 659.26)};
}

TEST(MusicEditorProgram, PlayIsHeardAndMutedChannelsAreNot) {
  Heard both = PlayMuted(false, false);
  EXPECT_GT(both.rms, 1000.0);
  EXPECT_GT(both.a440, 1000.0);
  EXPECT_GT(both.e660, 1000.0);
  Heard onlyA = PlayMuted(false, true);
  EXPECT_GT(onlyA.a440, both.a440 / 2);
  EXPECT_LT(onlyA.e660, both.e660 / 100);
  Heard none = PlayMuted(true, true);
  EXPECT_EQ(none.rms, 0.0);
}

}  // namespace
}  // namespace ruvel::test
