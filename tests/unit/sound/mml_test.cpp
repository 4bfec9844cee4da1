// The MML compiler: each command against hand-assembled music-file bytes,
// lengths and tempo against what the sequencer then plays, and mistakes
// reported with their line and column.
#include "sound/mml_compiler.h"

#include "sound_fixture.h"

namespace ruvel::test {
namespace {

std::string Compile(const std::string& mml) {
  std::string mlv;
  TMmlError e;
  EXPECT_TRUE(CompileMml(mml, mlv, e)) << e.Text("t.mml");
  return mlv;
}

// The channel's bytes in a compiled file.
std::string Channel(const std::string& mlv, int ch) {
  size_t at = 5;
  for (int c = 0; c < 10; ++c) {
    uint32_t len = uint8_t(mlv[at]) | uint8_t(mlv[at + 1]) << 8 | uint8_t(mlv[at + 2]) << 16 | uint8_t(mlv[at + 3]) << 24;
    at += 4;
    if (c == ch) return mlv.substr(at, len);
    at += len;
  }
  return "";
}

std::string L16(int v) {
  std::string b;
  Put16(b, uint32_t(v));
  return b;
}

TMmlError Error(const std::string& mml) {
  std::string mlv;
  TMmlError e;
  EXPECT_FALSE(CompileMml(mml, mlv, e)) << mml;
  return e;
}

TEST(Mml, NotesLengthsDotsAndOctaves) {
  // Quarter note = 11025 units; o4 a is note 45 (440 Hz); a default
  // volume of 128 comes before the first note when none was given.
  EXPECT_EQ(Compile("a"), MlvBytes({Bytes({'d', 128}) + Note(45, 11025) + Bytes({255})}, 1000));
  EXPECT_EQ(Channel(Compile("v200 o1 c8 o8 b16 r2"), 0),
            Bytes({'d', 200}) + Note(0, 5513) + Note(95, 2756) + Note(99, 22050) + Bytes({255}));
  // Dots add half, then a quarter; sharps, flats and octave shifts.
  EXPECT_EQ(Channel(Compile("v9 c4. c4.. c+ d- e# >c <<b"), 0),
            Bytes({'d', 9}) + Note(36, 16538) + Note(36, 19293) + Note(37, 11025) + Note(37, 11025) +
                Note(41, 11025) + Note(48, 11025) + Note(35, 11025) + Bytes({255}));
  // Default length, raw units, absolute notes.
  EXPECT_EQ(Channel(Compile("v1 l8 c c%300 n45 n50,2 l%10 r"), 0),
            Bytes({'d', 1}) + Note(36, 5513) + Note(36, 300) + Note(45, 5512) + Note(50, 22050) + Note(99, 10) +
                Bytes({255}));
}

TEST(Mml, OddLengthsAddUpWithoutDrift) {
  // Eighth notes are 5512.5 units: they alternate so that every second
  // note ends exactly on the quarter.
  std::string ch = Channel(Compile("v1 l8 cccccccc"), 0);
  int64_t total = 0;
  for (size_t i = 2; i + 3 <= ch.size(); i += 3) total += uint8_t(ch[i + 1]) | uint8_t(ch[i + 2]) << 8;
  EXPECT_EQ(total, 44100);
  // Triplets: three twelfths make a quarter exactly.
  EXPECT_EQ(Channel(Compile("v1 c12c12c12"), 0), Bytes({'d', 1}) + Note(36, 3675) + Note(36, 3675) + Note(36, 3675) +
                                                      Bytes({255}));
}

TEST(Mml, TiesExtensionsAndLongNotes) {
  // "^" lengthens the note; "&" ties two notes (no new attack); notes
  // longer than 16 bits become tied chains, rests several rests.
  EXPECT_EQ(Channel(Compile("v1 c4^8 c&d"), 0),
            Bytes({'d', 1}) + Note(36, 16538) + Note(36, 11025) + Bytes({'i'}) + Note(38, 11025) + Bytes({255}));
  EXPECT_EQ(Channel(Compile("v1 c1^1 r1^1"), 0), Bytes({'d', 1}) + Note(36, 65535) + Bytes({'i'}) +
                                                     Note(36, 88200 - 65535) + Note(99, 65535) +
                                                     Note(99, 88200 - 65535) + Bytes({255}));
}

TEST(Mml, EveryMusicFileCommand) {
  std::string wave = "{";
  std::string waveBytes;
  for (int i = 0; i < 32; ++i) {
    wave += std::to_string(i * 8) + (i < 31 ? "," : "}");
    waveBytes += char(i * 8);
  }
  std::string env = "{";
  std::string envBytes;
  for (int i = 0; i < 32; ++i) {
    env += std::to_string(15 - i / 3) + " ";
    envBytes += char(15 - i / 3);
  }
  env += "}";
  std::string mml = "t150 v100 @3 @100 E2 E,9 E4,1 D-5 D7 M20,3 M4,5,0 W @wave5" + wave + " @env6" + env +
                    " @sample\"hit.wav\",97 @marker\"intro\" @file\"song\" @oneshot1 @nop {c g}8";
  std::string expect = Bytes({'g', 150, 0, 'd', 100, 'f', 3, 'f', 100, 'k', 2, 'e', 9, 'k', 4, 'e', 1, 'n', 251, 'n', 7,
                              's', 1, 20, 3, 's', 0, 4, 5, 'l', 'q', 5}) +
                       waveBytes + Bytes({'r', 6}) + envBytes + "uhit.wav" + Bytes({0, 97}) + "mintro" + Bytes({0}) +
                       "osong" + Bytes({0, 't', 1, 'p', 'j', 36, 43}) + L16(5513) + Bytes({255});
  EXPECT_EQ(Channel(Compile(mml), 0), expect);
  // A tie before a glide, and tempo above 255.
  EXPECT_EQ(Channel(Compile("v1 c&{ce}%4 t300"), 0),
            Bytes({'d', 1}) + Note(36, 11025) + Bytes({'i', 'j', 36, 40, 4, 0, 'g', 44, 1, 255}));
}

TEST(Mml, RepeatsBreaksAndTheLoopPoint) {
  EXPECT_EQ(Channel(Compile("v1 [c%1 d%1]3"), 0),
            Bytes({'d', 1}) + Note(36, 1) + Note(38, 1) + Note(36, 1) + Note(38, 1) + Note(36, 1) + Note(38, 1) +
                Bytes({255}));
  // ":" leaves the last time through; repeats nest; [ ] alone is twice;
  // "|" is a bar line and does nothing.
  EXPECT_EQ(Channel(Compile("v1 [c%1 : d%1]3 | [[e%1]2 f%1] | [g%1]0"), 0),
            Bytes({'d', 1}) + Note(36, 1) + Note(38, 1) + Note(36, 1) + Note(38, 1) + Note(36, 1) + Note(40, 1) +
                Note(40, 1) + Note(41, 1) + Note(40, 1) + Note(40, 1) + Note(41, 1) + Bytes({255}));
  // L: the channel jumps back to it at the end, instead of ending.
  std::string looped = Channel(Compile("v1 c%1 L d%1 e%1"), 0);
  std::string expect = Bytes({'d', 1}) + Note(36, 1) + Note(38, 1) + Note(40, 1) + Bytes({'h'});
  Put32(expect, uint32_t(-6));
  EXPECT_EQ(looped, expect);
}

TEST(Mml, ChannelsCommentsAndLineContinuation) {
  std::string mml =
      "; a comment line\n"
      "A v1 c%1 // to the end of the line\n"
      "  d%1 /* a block\n comment */ e%1\n"
      "BJ v2 f%2\n"
      "C\n";
  std::string mlv = Compile(mml);
  EXPECT_EQ(Channel(mlv, 0), Bytes({'d', 1}) + Note(36, 1) + Note(38, 1) + Note(40, 1) + Bytes({255}));
  EXPECT_EQ(Channel(mlv, 1), Bytes({'d', 2}) + Note(41, 2) + Bytes({255}));
  EXPECT_EQ(Channel(mlv, 9), Bytes({'d', 2}) + Note(41, 2) + Bytes({255}));
  EXPECT_EQ(Channel(mlv, 2), "");
  EXPECT_EQ(Channel(mlv, 5), "");
  // A compiled file loads as music.
  TManualWaveOut dev;
  TMelvane seq(&dev);
  EXPECT_EQ(seq.LoadMusicBytes(mlv), kSoundOk);
}

TEST(Mml, MistakesNameTheirLineAndColumn) {
  TMmlError e = Error("A v1 c\nA  x");
  EXPECT_EQ(e.line, 2);
  EXPECT_EQ(e.column, 4);
  EXPECT_EQ(e.Text("song.mml"), "song.mml:2:4: 不明なコマンドです: x");
  e = Error("o9");
  EXPECT_EQ(e.kind, TMmlErrorKind::OutOfRange);
  EXPECT_EQ(e.column, 2);
  EXPECT_EQ(Error("o8 b+").kind, TMmlErrorKind::NoteOutOfRange);
  EXPECT_EQ(Error("o1 c-").kind, TMmlErrorKind::NoteOutOfRange);
  EXPECT_EQ(Error("c0").kind, TMmlErrorKind::BadLength);
  EXPECT_EQ(Error("l").kind, TMmlErrorKind::BadLength);
  EXPECT_EQ(Error("v256").kind, TMmlErrorKind::OutOfRange);
  EXPECT_EQ(Error("v").kind, TMmlErrorKind::NumberExpected);
  EXPECT_EQ(Error("^4").kind, TMmlErrorKind::TieWithoutNote);
  e = Error("c [d e");
  EXPECT_EQ(e.kind, TMmlErrorKind::UnclosedRepeat);
  EXPECT_EQ(e.column, 3);
  EXPECT_EQ(Error("c ] d").kind, TMmlErrorKind::StrayClose);
  EXPECT_EQ(Error("c : d").kind, TMmlErrorKind::BreakOutsideRepeat);
  EXPECT_EQ(Error("L c L d").kind, TMmlErrorKind::SecondLoopPoint);
  EXPECT_EQ(Error("[L c]").kind, TMmlErrorKind::LoopInsideRepeat);
  EXPECT_EQ(Error("{c}4").kind, TMmlErrorKind::BadPortamento);
  EXPECT_EQ(Error("{cde}4").kind, TMmlErrorKind::BadPortamento);
  EXPECT_EQ(Error("{ce}%70000").kind, TMmlErrorKind::BadLength);
  EXPECT_EQ(Error("@marker intro").kind, TMmlErrorKind::StringExpected);
  EXPECT_EQ(Error("@marker\"intro").kind, TMmlErrorKind::UnclosedString);
  EXPECT_EQ(Error("@wave1{1,2,3}").kind, TMmlErrorKind::NumberExpected);
  EXPECT_EQ(Error("@env1{16").kind, TMmlErrorKind::OutOfRange);
  EXPECT_EQ(Error("@sample\"a.wav\",95").kind, TMmlErrorKind::OutOfRange);
  EXPECT_EQ(Error("@drum").kind, TMmlErrorKind::UnknownCommand);
  EXPECT_EQ(Error("@112").kind, TMmlErrorKind::OutOfRange);
  e = Error("c\n/* never closed\n");
  EXPECT_EQ(e.kind, TMmlErrorKind::UnclosedComment);
  EXPECT_EQ(e.line, 2);
  EXPECT_EQ(e.column, 1);
  // Repeats that would make a huge file stop with an error, not a hang.
  EXPECT_EQ(Error("[[[[c%1]999]999]999]999").kind, TMmlErrorKind::TooLong);
  EXPECT_EQ(Error("[[[[v1]999]999]999]999").kind, TMmlErrorKind::TooLong);
  EXPECT_EQ(Error("[[[[ ]999]999]999]999").kind, TMmlErrorKind::ExpandedTooLong);
}

// The sequencer plays what the compiler wrote: at t120 a quarter note
// lasts 22050 samples, at t240 half that, and o4 a sounds at 440 Hz.
TEST(Mml, CompiledTempoAndPitchAsPlayed) {
  Rig rig(4000);
  std::vector<int> played;
  RecordLevels(rig.engine(), played);
  ASSERT_EQ(rig.seq.LoadMusicBytes(Compile("t120 v255 E1,0 o4 a4 r4 t240 a4 r4")), kSoundOk);
  rig.seq.PlayMusic();
  for (int i = 0; i < 40; ++i) rig.Play(2000);
  // The first buffer played is the silence before the music started.
  std::vector<int> music(played.begin() + 4000, played.end());
  auto sounding = [&](size_t from, size_t to) {
    size_t n = 0;
    for (size_t i = from; i < to && i < music.size(); ++i) n += music[i] != 128;
    return n;
  };
  // Quarter at t120: samples 1..22050 sound; the rest to 44100 is silent.
  EXPECT_EQ(sounding(1, 22051), 22050u);
  EXPECT_EQ(sounding(22052, 44100), 0u);
  // At t240 the next quarter lasts 11025 samples.
  EXPECT_GT(sounding(44101, 44101 + 11020), 11000u);
  EXPECT_EQ(sounding(44101 + 11030, 44101 + 22040), 0u);
  // Pitch: rising crossings of the middle in one second of the first note.
  int rises = 0;
  for (size_t i = 2; i < 22050; ++i) rises += music[i - 1] < 128 && music[i] >= 128;
  EXPECT_NEAR(rises / 0.5, 440.0, 4.0);
}

// Every MML example of the sound documentation compiles.
TEST(Mml, TheDocumentedExamplesCompile) {
  std::ifstream in(SourceDir() + "/docs/sound.md");
  ASSERT_TRUE(in.good());
  std::string line;
  std::string block;
  bool inside = false;
  int examples = 0;
  while (std::getline(in, line)) {
    if (!inside && line == "```mml") {
      inside = true;
      block.clear();
    } else if (inside && line == "```") {
      inside = false;
      ++examples;
      std::string mlv;
      TMmlError e;
      EXPECT_TRUE(CompileMml(block, mlv, e)) << e.Text("docs/sound.md example " + std::to_string(examples));
    } else if (inside) {
      block += line + "\n";
    }
  }
  EXPECT_GE(examples, 3);
}

}  // namespace
}  // namespace ruvel::test
