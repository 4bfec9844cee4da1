// Colouring of MML text for the music editor: the text cut into spans of
// one kind each (channel markers, notes, rests, numbers, commands, word
// commands, octave changes, structure such as repeats and ties, quoted
// text, comments). The kinds are one table; the view gives each a colour.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ruvel {

//   X(id, name)
#define RUVEL_MML_TOKENS(X)   \
  X(Plain, "plain")           \
  X(Channel, "channel")       \
  X(Note, "note")             \
  X(Rest, "rest")             \
  X(Number, "number")         \
  X(Command, "command")       \
  X(Word, "word")             \
  X(Octave, "octave")         \
  X(Structure, "structure")   \
  X(Text, "text")             \
  X(Comment, "comment")

enum class TMmlToken : uint8_t {
#define RUVEL_MML_TOKEN_ENUM(id, name) id,
  RUVEL_MML_TOKENS(RUVEL_MML_TOKEN_ENUM)
#undef RUVEL_MML_TOKEN_ENUM
};
inline constexpr int kMmlTokenKinds = 0
#define RUVEL_MML_TOKEN_COUNT(id, name) +1
    RUVEL_MML_TOKENS(RUVEL_MML_TOKEN_COUNT)
#undef RUVEL_MML_TOKEN_COUNT
    ;

const char* MmlTokenName(TMmlToken kind);

struct TMmlSpan {
  size_t begin = 0;  // byte offsets into the text
  size_t end = 0;
  TMmlToken kind = TMmlToken::Plain;
};

// The spans of a UTF-8 MML text, in order, covering it without gaps.
std::vector<TMmlSpan> ColourMml(const std::string& text);

}  // namespace ruvel
