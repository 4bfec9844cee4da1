// The closed sets of the MML notation: its word commands ("@wave") and the
// error messages the compiler reports. Each is one table; docs/sound.md
// describes the same commands for people.
#pragma once
#include <cstdint>

namespace ruvel {

// The word commands that follow '@' (a number after '@' selects a tone).
//   X(id, spelling, .mlv byte)
#define RUVEL_MML_WORDS(X) \
  X(Wave, "wave", 'q')     \
  X(Env, "env", 'r')       \
  X(Sample, "sample", 'u') \
  X(Marker, "marker", 'm') \
  X(File, "file", 'o')     \
  X(OneShot, "oneshot", 't') \
  X(Nop, "nop", 'p')

enum class TMmlWord : uint8_t {
#define RUVEL_MML_WORD_ENUM(id, spelling, byte) id,
  RUVEL_MML_WORDS(RUVEL_MML_WORD_ENUM)
#undef RUVEL_MML_WORD_ENUM
};

struct TMmlWordInfo {
  TMmlWord id;
  const char* spelling;
  uint8_t byte;
};

inline constexpr TMmlWordInfo kMmlWords[] = {
#define RUVEL_MML_WORD_INFO(id, spelling, byte) {TMmlWord::id, spelling, byte},
    RUVEL_MML_WORDS(RUVEL_MML_WORD_INFO)
#undef RUVEL_MML_WORD_INFO
};

// The compiler's error messages (UTF-8), one per kind of mistake.
//   X(id, text)
#define RUVEL_MML_ERRORS(X)                                             \
  X(UnknownCommand, "不明なコマンドです")                               \
  X(NumberExpected, "数値が必要です")                                   \
  X(OutOfRange, "値が範囲外です")                                       \
  X(NoteOutOfRange, "音の高さが範囲外です (o1 c から o8 b まで)")        \
  X(BadLength, "音長が不正です")                                        \
  X(TieWithoutNote, "^ の前に音符がありません")                          \
  X(UnclosedRepeat, "繰り返しを閉じる ] がありません")                   \
  X(StrayClose, "対応する [ がありません")                               \
  X(BreakOutsideRepeat, ": は繰り返し [ ] の中でだけ使えます")            \
  X(SecondLoopPoint, "ループ位置 L は一つのチャンネルに一つだけです")      \
  X(LoopInsideRepeat, "ループ位置 L は繰り返しの外に書いてください")       \
  X(BadPortamento, "ポルタメント { } には音符が二つ必要です")             \
  X(StringExpected, "\"...\" で囲んだ文字列が必要です")                  \
  X(UnclosedString, "文字列が閉じていません")                           \
  X(TableExpected, "{ } で囲んだ 32 個の値が必要です")                   \
  X(UnclosedComment, "コメントが閉じていません")                         \
  X(TooLong, "曲が長すぎます")                                          \
  X(ExpandedTooLong, "繰り返しを展開すると長すぎます")                   \
  X(SourceTooLarge, "MMLファイルが大きすぎます")                         \
  X(CannotRead, "ファイルを読めません")                                 \
  X(CannotWrite, "ファイルを書き込めません")

enum class TMmlErrorKind : uint8_t {
#define RUVEL_MML_ERROR_ENUM(id, text) id,
  RUVEL_MML_ERRORS(RUVEL_MML_ERROR_ENUM)
#undef RUVEL_MML_ERROR_ENUM
};

inline const char* MmlErrorText(TMmlErrorKind kind) {
  static constexpr const char* kTexts[] = {
#define RUVEL_MML_ERROR_TEXT(id, text) text,
      RUVEL_MML_ERRORS(RUVEL_MML_ERROR_TEXT)
#undef RUVEL_MML_ERROR_TEXT
  };
  return kTexts[static_cast<int>(kind)];
}

}  // namespace ruvel
