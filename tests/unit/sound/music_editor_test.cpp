// The music editor's model on the real compiler and sequencer: a mistake
// marked at the compiler's line and column and at the right place of a
// UTF-8 text; the piano roll of a known song walked from its compiled
// channels (ties joined, repeats written out, a text place mapped to its
// tick); mute and solo heard on the sequencer's output; playing from a
// tick and looping a selection; the colours of the text; the document's
// undo, dirty flag and a failed save.
#include "assetedit/mml_colour.h"
#include "assetedit/music_editor.h"

#include "sound/sound_fixture.h"

namespace ruvel::test {
namespace {

constexpr int64_t kQuarter = 22050;  // ticks
constexpr int64_t kEighth = kQuarter / 2;

// The editor over a sequencer with a small buffer, so that the sound is
// heard soon after it is rendered.
struct EditorRig {
  EditorRig() : editor(rig.seq) {}
  std::vector<int16_t> Record(size_t samples) {
    std::vector<int16_t> out;
    rig.engine().onPlayed = [&out](const int16_t* d, size_t n) { out.insert(out.end(), d, d + n); };
    // 500 samples a frame, and the editor's work of each frame.
    for (size_t done = 0; done < samples; done += 500) {
      rig.Play(500);
      editor.Update();
    }
    rig.engine().onPlayed = nullptr;
    return out;
  }
  Rig rig;
  TMusicEditor editor;
};

TEST(MusicEditor, AMistakeIsMarkedAtItsLineAndColumnAndGoesWhenFixed) {
  EditorRig r;
  // Line 1 has a Japanese comment: the compiler counts CP932 bytes, the
  // editor's text is UTF-8.
  r.editor.doc.SetText("; 曲のテスト\nA cde あx fg\n");
  EXPECT_TRUE(!r.editor.Refresh());
  ASSERT_EQ(r.editor.Errors().size(), 1u);
  const TMusicError& e = r.editor.Errors()[0];
  EXPECT_EQ(e.line, 2);
  EXPECT_EQ(e.column, 7);
  EXPECT_EQ(r.editor.doc.Text().substr(e.offset, 3), "あ");
  EXPECT_NE(e.message.find(":2:7: 不明なコマンドです"), std::string::npos) << e.message;
  EXPECT_FALSE(r.editor.HasSong());

  r.editor.doc.SetText("; 曲のテスト\nA cde [fg\n");
  r.editor.Refresh();
  ASSERT_EQ(r.editor.Errors().size(), 1u);
  EXPECT_EQ(r.editor.doc.Text().substr(r.editor.Errors()[0].offset, 3), "[fg");

  r.editor.doc.SetText("; 曲のテスト\nA cde fg\n");
  EXPECT_TRUE(r.editor.Refresh());
  EXPECT_TRUE(r.editor.Errors().empty());
  EXPECT_EQ(r.editor.Roll().channels[0].notes.size(), 5u);
  EXPECT_FALSE(r.editor.Refresh()) << "nothing changed since";
}

TEST(MusicEditor, TheRollOfAKnownSong) {
  EditorRig r;
  const std::string song =
      "A t150 l8 cdefgab>c\n"
      "B l4 c e g c\n"
      "A <c4 r4 [de]3\n"
      "C o3 c4^4 d4&d4 e4 L f2\n";
  r.editor.doc.SetText(song);
  ASSERT_TRUE(r.editor.Refresh());
  const TMusicRoll& roll = r.editor.Roll();
  auto notes = [&](int ch) {
    std::vector<TRollNote> out;
    for (const TRollNote& n : roll.channels[size_t(ch)].notes) {
      if (!n.rest()) out.push_back(n);
    }
    return out;
  };
  std::vector<TRollNote> a = notes(0);
  ASSERT_EQ(a.size(), 15u);  // eight eighths, a quarter, d e three times
  // Eighths are 5512.5 length units: each note ends at its rounded end.
  EXPECT_NEAR(a[1].tick, kEighth, 1);
  EXPECT_EQ(a[1].note, 3 * 12 + 2);  // o4 d
  EXPECT_EQ(a[7].note, 4 * 12);      // o5 c
  EXPECT_EQ(a[8].tick, 8 * kEighth);
  EXPECT_EQ(a[8].length, kQuarter);
  EXPECT_EQ(a[9].tick, 8 * kEighth + 2 * kQuarter) << "after the rest";
  EXPECT_NEAR(a[14].tick, 8 * kEighth + 2 * kQuarter + 5 * kEighth, 1);
  std::vector<TRollNote> b = notes(1);
  ASSERT_EQ(b.size(), 4u);
  EXPECT_EQ(b[2].tick, 2 * kQuarter);
  EXPECT_EQ(b[2].length, kQuarter);
  EXPECT_EQ(b[2].note, 3 * 12 + 7);
  // Tied notes are one bar; the loop lands on the f.
  std::vector<TRollNote> c = notes(2);
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].length, 2 * kQuarter);
  EXPECT_EQ(c[1].length, 2 * kQuarter);
  EXPECT_EQ(c[3].tick, 5 * kQuarter);
  EXPECT_EQ(roll.channels[2].loopTick, 5 * kQuarter);
  EXPECT_EQ(roll.channels[2].endTick, 7 * kQuarter);
  EXPECT_EQ(roll.EndTick(), 9 * kQuarter) << "A is the longest";
  // Tempo 150 from the start: a quarter lasts 0.4 s.
  EXPECT_NEAR(roll.Seconds(kQuarter), 0.4, 1e-9);

  // Text places: the repeat's "d" starts at its first pass, a place
  // between notes maps to the note before it.
  size_t repeat = song.find("[de]") + 1;
  EXPECT_EQ(r.editor.TickAt(repeat), a[9].tick);
  EXPECT_EQ(r.editor.TickAt(song.find("r4")), a[8].tick + a[8].length);
  EXPECT_EQ(r.editor.TickAt(song.find("e g")), 0 + kQuarter);
  EXPECT_EQ(r.editor.TickAt(0), 0);
}

// Two long notes a fifth apart on A and B; what is heard of each pitch.
struct Heard {
  double a440;
  double e660;
};
Heard Play(EditorRig& r, const std::function<void(TMusicEditor&)>& set) {
  r.editor.doc.SetText("A t120 @8 v255 E1,0 o4 a1^1\nB @8 v255 E1,0 o5 e1^1\n");
  set(r.editor);
  r.editor.Play();
  EXPECT_TRUE(r.editor.Playing());
  std::vector<int16_t> s = r.Record(20000);
  return {ToneEnergy(s, 5000, 20000, 440.0), ToneEnergy(s, 5000, 20000, 659.26)};
}

TEST(MusicEditor, MuteAndSoloSilenceChannelsOnTheSequencer) {
  EditorRig both;
  Heard all = Play(both, [](TMusicEditor&) {});
  EXPECT_GT(all.a440, 1000.0);
  EXPECT_GT(all.e660, 1000.0);

  EditorRig muted;
  Heard noA = Play(muted, [](TMusicEditor& e) { e.SetMuted(0, true); });
  EXPECT_LT(noA.a440, all.a440 / 100);
  EXPECT_GT(noA.e660, all.e660 / 2);

  EditorRig solo;
  Heard onlyA = Play(solo, [](TMusicEditor& e) {
    e.SetMuted(0, true);  // solo wins over mute
    e.SetSolo(0, true);
  });
  EXPECT_GT(onlyA.a440, all.a440 / 2);
  EXPECT_LT(onlyA.e660, all.e660 / 100);

  EditorRig none;
  std::vector<int16_t> silent;
  none.editor.doc.SetText("A v255 o4 a1\nB v255 o5 e1\n");
  none.editor.SetMuted(0, true);
  none.editor.SetMuted(1, true);
  none.editor.Play();
  silent = none.Record(10000);
  EXPECT_EQ(Rms(silent, 0, silent.size()), 0.0);
}

TEST(MusicEditor, PlayingFromATickSkipsWhatComesBefore) {
  // A loud whole note, then a whole rest: from the start there is sound,
  // from the rest's tick there is none, and the head moves on from there.
  for (bool fromRest : {false, true}) {
    EditorRig r;
    r.editor.doc.SetText("A v255 o4 a1 r1\n");
    ASSERT_TRUE(r.editor.Refresh());
    if (fromRest) r.editor.PlayFromCursor(r.editor.doc.Text().find("r1"));
    else r.editor.Play();
    std::vector<int16_t> s = r.Record(8000);
    if (fromRest) {
      EXPECT_EQ(Rms(s, 0, s.size()), 0.0);
      EXPECT_GE(r.editor.PlayTick(), 4 * kQuarter);
    } else {
      EXPECT_GT(Rms(s, 2000, s.size()), 1000.0);
      EXPECT_LT(r.editor.PlayTick(), 4 * kQuarter);
      EXPECT_EQ(r.editor.PlayOffsets()[0], r.editor.doc.Text().find("a1"));
    }
  }
}

TEST(MusicEditor, AnEditThatCompilesIsHeardWhilePlaying) {
  EditorRig r;
  r.editor.doc.SetText("A t120 @8 v255 E1,0 o4 a1^1^1^1\n");
  r.editor.Play();
  r.Record(44100);
  int64_t before = r.editor.PlayTick();
  r.editor.doc.SetText("A t120 @8 v255 E1,0 o4 b1^1^1^1\n");
  r.editor.Refresh();
  std::vector<int16_t> s = r.Record(44100);
  EXPECT_GT(r.editor.PlayTick(), before) << "it went on from where it stood";
  size_t end = s.size();
  double b = ToneEnergy(s, end - 22050, end, 493.88);
  EXPECT_GT(b, 1000.0);
  EXPECT_LT(ToneEnergy(s, end - 22050, end, 440.0), b / 50);
  // A text with a mistake leaves the last song playing.
  r.editor.doc.SetText("A t120 @8 v255 E1,0 o4 x\n");
  r.editor.Refresh();
  s = r.Record(22050);
  EXPECT_GT(ToneEnergy(s, 0, s.size(), 493.88), 1000.0);
}

TEST(MusicEditor, ALoopedSelectionPlaysOverAndOver) {
  EditorRig r;
  const std::string song = "A t120 @8 v255 E1,0 o4 a4 b4 > d4 f4\n";
  r.editor.doc.SetText(song);
  size_t b = song.find("b4");
  ASSERT_TRUE(r.editor.LoopSelection(b, b + 2));
  EXPECT_EQ(r.editor.LoopFrom(), kQuarter);
  EXPECT_EQ(r.editor.LoopTo(), 2 * kQuarter);
  // Four seconds: eight times the half-second b.
  std::vector<int16_t> s = r.Record(4 * 44100);
  EXPECT_TRUE(r.editor.Looping());
  EXPECT_GE(r.editor.PlayTick(), kQuarter);
  EXPECT_LT(r.editor.PlayTick(), 2 * kQuarter + kQuarter / 8);
  size_t end = s.size();
  // The loop starts again in the frame that passed its end: the d after
  // it is heard for less than a frame each time.
  double bEnergy = ToneEnergy(s, end - 44100, end, 493.88);
  EXPECT_GT(bEnergy, 1000.0);
  EXPECT_LT(ToneEnergy(s, end - 44100, end, 587.33), bEnergy / 50) << "the d after the loop";
  EXPECT_LT(ToneEnergy(s, end - 44100, end, 440.0), bEnergy / 50) << "the a before the loop";
  EXPECT_FALSE(r.editor.LoopSelection(song.find(">"), song.find(">") + 1)) << "no note in the stretch";
}

TEST(MusicEditor, ColoursCoverTheTextOneKindASpan) {
  const std::string t = "AB t120 @8 o4 c+8. r4 [d]2 ; c d\nC /* e\nA */ @marker\"[c]\" n40,8\n";
  std::vector<TMmlSpan> spans = ColourMml(t);
  ASSERT_FALSE(spans.empty());
  EXPECT_EQ(spans.front().begin, 0u);
  EXPECT_EQ(spans.back().end, t.size());
  for (size_t i = 1; i < spans.size(); ++i) {
    EXPECT_EQ(spans[i].begin, spans[i - 1].end);
    EXPECT_NE(spans[i].kind, spans[i - 1].kind) << "neighbours of one kind are joined";
  }
  auto kind = [&](const std::string& what, size_t skip = 0) {
    size_t at = t.find(what) + skip;
    for (const TMmlSpan& s : spans) {
      if (at >= s.begin && at < s.end) return std::string(MmlTokenName(s.kind));
    }
    return std::string("none");
  };
  EXPECT_EQ(kind("AB"), "channel");
  EXPECT_EQ(kind("t120"), "command");
  EXPECT_EQ(kind("120"), "number");
  EXPECT_EQ(kind("@8"), "word");
  EXPECT_EQ(kind("o4"), "octave");
  EXPECT_EQ(kind("c+8", 1), "note");
  EXPECT_EQ(kind("8."), "number");
  EXPECT_EQ(kind("r4"), "rest");
  EXPECT_EQ(kind("[d"), "structure");
  EXPECT_EQ(kind("; c d", 3), "comment");
  EXPECT_EQ(kind("C /*"), "channel");
  EXPECT_EQ(kind("A */"), "comment") << "inside a comment a line start is no channel";
  EXPECT_EQ(kind("[c]"), "text");
  EXPECT_EQ(kind("n40"), "note");
}

TEST(MusicEditor, TheDocumentUndoesSavesAndSaysWhenItCannot) {
  TempDir dir;
  TMusicDocument doc;
  std::string error;
  ASSERT_TRUE(doc.Load((dir.path / "new.mml").string(), error));
  EXPECT_TRUE(doc.IsNew());
  EXPECT_FALSE(doc.Dirty());
  doc.SetText("A c");
  doc.SetText("A cd");
  EXPECT_TRUE(doc.Dirty());
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(doc.Text(), "A c");
  ASSERT_TRUE(doc.Redo());
  ASSERT_TRUE(doc.Save(error)) << error;
  EXPECT_FALSE(doc.Dirty());
  std::ifstream in(dir.path / "new.mml");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "A cd");

  TMusicDocument lost;
  ASSERT_TRUE(lost.Load((dir.path / "missing" / "song.mml").string(), error));
  lost.SetText("A c");
  EXPECT_FALSE(lost.Save(error));
  EXPECT_NE(error.find("song.mml"), std::string::npos);
  EXPECT_TRUE(lost.Dirty()) << "the text is kept";
}

}  // namespace
}  // namespace ruvel::test
