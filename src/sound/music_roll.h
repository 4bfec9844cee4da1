// The piano roll of a music file: every channel's notes with their start
// and length in ticks (two ticks a length unit, so a quarter note is 22050
// ticks at any tempo), read by walking the channel blocks the way the
// sequencer plays them but without sound, plus the tempo changes that turn
// ticks into seconds. Sync points are not waited on.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ruvel {

struct TRollNote {
  int64_t tick = 0;
  int64_t length = 0;
  int note = 0;             // 0..95; kRollRest for a rest
  uint32_t offset = 0;      // the command's offset in the channel block
  bool rest() const;
};
inline constexpr int kRollRest = 99;
inline bool TRollNote::rest() const { return note == kRollRest; }

struct TRollEvent {
  uint32_t offset = 0;  // a note, rest or glide command in the block
  int64_t tick = 0;
  int64_t length = 0;
};

struct TRollChannel {
  std::vector<TRollNote> notes;  // notes and rests in time order (ties joined)
  std::vector<TRollEvent> events;  // every note, rest and glide command as written
  int64_t endTick = 0;           // where the block ends or jumps back
  int64_t loopTick = -1;         // where the jump back lands, -1 without one
};

struct TMusicRoll {
  static constexpr int kChannels = 10;
  // The most notes kept for a whole song; the walk stops there.
  static constexpr size_t kMaxNotes = size_t(1) << 20;
  std::array<TRollChannel, kChannels> channels;
  std::vector<std::pair<int64_t, int>> tempos;  // (tick, beats a minute), in tick order

  int64_t EndTick() const;
  // The time from the start to tick, in seconds (tempo 120 until the first
  // change).
  double Seconds(int64_t tick) const;
  // The note or rest of channel ch that sounds at tick (nullptr when none).
  const TRollNote* At(int ch, int64_t tick) const;
};

// Walks the channel blocks of a music file's bytes; a malformed file gives
// what could be read up to the fault.
TMusicRoll WalkMusic(const std::string& mlv);

}  // namespace ruvel
