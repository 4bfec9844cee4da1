// The shape of the commands in a music file's channel block, for code that
// reads a block without playing it (the piano roll's walker): each command
// byte with the number of operand bytes after it, or kSequenceText for a
// NUL-terminated text (and, for 'u', a tone byte after it). Notes (0..95)
// and the rest (99) take a 16-bit length; 255 ends the block. The player
// itself is sequence_commands.cpp.
#pragma once
#include <cstdint>

namespace ruvel {

inline constexpr int kSequenceText = -1;

//   X(byte, operand bytes)
#define RUVEL_SEQUENCE_COMMANDS(X) \
  X('d', 1)  /* volume */          \
  X('e', 1)  /* envelope speed */  \
  X('f', 1)  /* tone */            \
  X('g', 2)  /* tempo */           \
  X('h', 4)  /* jump (the loop) */ \
  X('i', 0)  /* tie */             \
  X('j', 4)  /* portamento */      \
  X('k', 1)  /* envelope table */  \
  X('l', 0)  /* sync point */      \
  X('m', kSequenceText)            \
  X('n', 1)  /* detune */          \
  X('o', kSequenceText)            \
  X('p', 0)  /* nothing */         \
  X('q', 33) /* wave table */      \
  X('r', 33) /* envelope table */  \
  X('s', 3)  /* vibrato */         \
  X('t', 1)  /* one-shot */        \
  X('u', kSequenceText)

// The operand bytes of command byte cmd; false for a byte that is no command.
inline bool SequenceOperands(uint8_t cmd, int& operands) {
  switch (cmd) {
#define RUVEL_SEQUENCE_CASE(byte, n) \
  case uint8_t(byte):                \
    operands = n;                    \
    return true;
    RUVEL_SEQUENCE_COMMANDS(RUVEL_SEQUENCE_CASE)
#undef RUVEL_SEQUENCE_CASE
    default: return false;
  }
}

}  // namespace ruvel
