// The MML compiler: music written as text ("A t150 @8 v200 o4 l8 cdefgab>c")
// becomes a music file (.mlv) whose ten channels the sequencer plays. Lines
// start with the channels they belong to (A to J); notes, rests, lengths,
// octaves, ties, repeats and every command of the music file have a
// spelling (docs/sound.md; word commands and messages in mml_commands.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sound/mml_commands.h"

namespace ruvel {

// Length units of a whole note. One unit lasts two ticks, so at tempo T a
// quarter note (11025 units) lasts 60 / T seconds: "t" is in beats a minute.
inline constexpr int kMmlWholeNote = 44100;
// The version written into compiled music files.
inline constexpr int kMmlFileVersion = 1000;
// The largest MML source taken, in bytes; larger files are refused before
// they are read whole.
inline constexpr size_t kMmlMaxSource = size_t(2) << 20;
// The largest length of a song's text with every repeat written out, in
// bytes, all channels together: compiling takes time in proportion to it.
inline constexpr int64_t kMmlMaxExpanded = int64_t(16) << 20;

struct TMmlError {
  int line = 0;    // 1-based
  int column = 0;  // 1-based, in bytes
  TMmlErrorKind kind = TMmlErrorKind::UnknownCommand;
  std::string detail;  // what was found, when it helps
  // "file:line:column: message" (UTF-8).
  std::string Text(const std::string& file) const;
};

// Where a note or rest of the compiled song came from: its command's offset
// in the channel's block and the offset of its letter in the source as the
// compiler read it (CP932; UTF-8 source is converted first). A note inside
// a repeat appears once per pass.
struct TMmlNotePlace {
  uint8_t channel = 0;
  uint32_t streamOffset = 0;
  uint32_t sourceOffset = 0;
};

// Compiles MML source (UTF-8 or CP932) to the bytes of a music file. False
// with the first mistake's place and kind. maxExpanded is the cap on the
// written-out length (smaller only where speed matters more, as in fuzzing).
// places, when given, receives the source place of every note and rest.
bool CompileMml(const std::string& source, std::string& mlv, TMmlError& error,
                int64_t maxExpanded = kMmlMaxExpanded, std::vector<TMmlNotePlace>* places = nullptr);

}  // namespace ruvel
