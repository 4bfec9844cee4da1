// The music editor's model: the `.mml` document, its compiled song
// (compiled again when the text has changed, at most once a frame however
// many edits came), the mistake with its line and column, the piano roll
// of the last song that compiled, and the transport on a sequencer: play
// from the start, from a text position or from a tick, stop, loop a
// stretch, mute and solo per channel, and where the music stands (as a
// tick for the roll and as a text position per channel).
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "assetedit/music_document.h"
#include "sound/mml_compiler.h"
#include "sound/music_roll.h"

namespace ruvel {

class TMelvane;

struct TMusicError {
  int line = 0;       // 1-based, as the compiler counts
  int column = 0;     // 1-based, in the compiler's bytes
  size_t offset = 0;  // the place in the editor's (UTF-8) text
  std::string message;  // the compiler's text: "行:列: 理由" (UTF-8)
};

class TMusicEditor {
 public:
  static constexpr int kChannels = TMusicRoll::kChannels;
  static constexpr size_t kNoPlace = size_t(-1);

  // The sequencer is not owned: the editor loads its songs into it. It is
  // used only from the calls below, never when the editor goes (at exit
  // the sequencer may be gone first).
  explicit TMusicEditor(TMelvane& sequencer);
  TMusicEditor(const TMusicEditor&) = delete;
  TMusicEditor& operator=(const TMusicEditor&) = delete;

  TMusicDocument doc;

  // Compiles the text when it changed since the last compile; true when
  // it compiled now. Errors and, when it compiled, the roll follow.
  bool Refresh();
  const std::vector<TMusicError>& Errors() const { return errors_; }
  // The roll of the last text that compiled.
  const TMusicRoll& Roll() const { return roll_; }
  bool HasSong() const { return !mlv_.empty(); }

  // The tick where the note or rest written at (or last before) a text
  // offset starts; 0 before the first one.
  int64_t TickAt(size_t offset) const;
  // The end tick of the last note or rest written before offset.
  int64_t EndTickBefore(size_t offset) const;

  void Play() { PlayFrom(0); }
  void PlayFromCursor(size_t offset) { PlayFrom(TickAt(offset)); }
  void PlayFrom(int64_t tick);
  // Plays the notes written in [from, to) over and over; false when the
  // stretch holds no note.
  bool LoopSelection(size_t from, size_t to);
  void Stop();
  bool Playing() const;
  bool Looping() const { return loopTo_ > loopFrom_; }
  int64_t LoopFrom() const { return loopFrom_; }
  int64_t LoopTo() const { return loopTo_; }
  // Called once a frame: loops a stretch, puts a text that compiled anew in
  // place of the song playing (from where it stands), and notices the end.
  void Update();

  // The tick being heard (the device plays behind what is rendered);
  // -1 when stopped.
  int64_t PlayTick() const;
  // PlayTick for the roll's play head: past the end of a song that loops,
  // carried round the loop of its longest channel.
  int64_t HeadTick() const;
  // Per channel, the text offset of the note or rest being heard
  // (kNoPlace when the channel has none).
  std::array<size_t, kChannels> PlayOffsets() const;

  void SetMuted(int ch, bool on);
  void SetSolo(int ch, bool on);
  bool Muted(int ch) const { return muted_[size_t(ch)]; }
  bool Solo(int ch) const { return solo_[size_t(ch)]; }
  // Heard under the mute and solo switches.
  bool Audible(int ch) const;

 private:
  struct TPlace {
    size_t offset;  // in the UTF-8 text
    int channel;
    int64_t tick;
    int64_t length;
  };
  // Loads the last song that compiled and plays it from tick.
  void Start(int64_t tick);
  void ApplySilence();
  void Unsilence();
  int64_t Wrap(int ch, int64_t tick) const;

  TMelvane& seq_;
  uint64_t compiledVersion_ = UINT64_MAX;
  std::string mlv_;
  TMusicRoll roll_;
  std::vector<TMusicError> errors_;
  std::vector<TPlace> byOffset_;                       // in text order
  std::array<std::vector<TPlace>, kChannels> byTick_;  // per channel in time order
  std::array<bool, kChannels> muted_{};
  std::array<bool, kChannels> solo_{};
  bool playing_ = false;
  int64_t startEngineTick_ = 0;  // the engine's tick at the song's tick 0
  int64_t heardFrom_ = 0;        // the tick playing started at
  uint64_t songs_ = 0;           // counts the texts that compiled
  uint64_t playingSong_ = 0;     // the one the sequencer plays
  int64_t loopFrom_ = 0;
  int64_t loopTo_ = 0;
};

}  // namespace ruvel
