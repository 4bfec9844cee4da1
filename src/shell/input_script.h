// Input scripts: the text format of --input and --record-input. One event a
// line: the frame number (frames drawn so far), then the event:
//
//   120 down Z          key down (a key name; "7" is the digit key)
//   150 up #90          key up (a raw virtual-key code)
//   160 move 100 80     pointer moved to drawing-area pixel (100, 80)
//   161 press left 100 80 / release right 10 10
//
// '#' starts a comment and blank lines are ignored. Events of frame N take
// effect before the update steps that draw frame N + 1.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace ruvel {

// The event kinds, each with the word that names it in the file.
#define RUVEL_INPUT_EVENTS(X) \
  X(kKeyDown, "down")         \
  X(kKeyUp, "up")             \
  X(kMove, "move")            \
  X(kPress, "press")          \
  X(kRelease, "release")

enum class TInputKind : uint8_t {
#define RUVEL_INPUT_ENUM(id, word) id,
  RUVEL_INPUT_EVENTS(RUVEL_INPUT_ENUM)
#undef RUVEL_INPUT_ENUM
};

// Packed into 12 bytes, so that the events of a file take less memory
// than its text (the shortest line, "0 up A" and its line end, is 7 bytes).
struct TInputEvent {
  int32_t frame = 0;
  int32_t x : 18 = 0;                        // drawing-area pixels (mouse events)
  uint32_t key : 8 = 0;                      // virtual-key code 1..255 (key events)
  bool right : 1 = false;                    // the right button (press, release)
  int32_t y : 18 = 0;
  TInputKind kind : 8 = TInputKind::kKeyDown;
};
static_assert(sizeof(TInputEvent) == 12);
// The largest frame number and mouse coordinate a file may give.
constexpr long kMaxInputFrame = INT32_MAX;
constexpr long kMaxInputXY = 100000;

// A malformed line: the text names the file, the line and what was
// expected (UTF-8).
class EInputScript : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads an input script; events come out in file order, which must not go
// back in frame numbers. fileName only appears in messages.
std::vector<TInputEvent> ParseInputScript(const std::string& text, const std::string& fileName);
// Reads the file line by line, twice (counting events, then keeping them),
// so that memory stays under twice the file's size: only a plain file is
// read, and a line longer than kMaxInputLine is refused. A file that cannot
// be read raises EInputScript too.
std::vector<TInputEvent> LoadInputScript(const std::string& path);
constexpr size_t kMaxInputLine = 4096;

// One line of the format, without its line end. Keys with a name are
// written by name.
std::string FormatInputEvent(const TInputEvent& e);

// The virtual-key code of a key name ("Z", "7", "F1"), of "#N" or of a
// decimal code of two or more digits (1..255); 0 when the word is none.
int ParseKeyName(const std::string& word);
// The name of a virtual-key code, or "#N" when it has none.
std::string KeyName(int vk);

}  // namespace ruvel
