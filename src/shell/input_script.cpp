#include "shell/input_script.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include "platform/keys.h"
#include "platform/regular_file.h"
#include "shell/cli_text.h"

namespace ruvel {

namespace {

constexpr const char* kKindWords[] = {
#define RUVEL_INPUT_WORD(id, word) word,
    RUVEL_INPUT_EVENTS(RUVEL_INPUT_WORD)
#undef RUVEL_INPUT_WORD
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A whole decimal number, optionally negative; false for anything else.
bool ParseLong(const std::string& word, long& out) {
  if (word.empty()) return false;
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, out);
  return ec == std::errc() && ptr == end;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

}  // namespace

int ParseKeyName(const std::string& word) {
  long code = 0;
  if (ParseLong(word, code)) return code >= 1 && code <= 255 ? static_cast<int>(code) : 0;
  return VirtualKeyOfName(word);
}

std::string KeyName(int vk) {
  std::string name = NameOfVirtualKey(vk);
  return name.empty() ? std::to_string(vk) : name;
}

std::vector<TInputEvent> ParseInputScript(const std::string& text, const std::string& fileName) {
  std::vector<TInputEvent> events;
  std::istringstream in(text);
  std::string line;
  int lineNo = 0;
  long lastFrame = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    auto fail = [&](TCliText what, const std::string& arg = {}) {
      throw EInputScript(CliText(TCliText::kInputLine, fileName, std::to_string(lineNo), CliText(what, arg)));
    };
    if (size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::vector<std::string> w = Words(line);
    if (w.empty()) continue;
    TInputEvent e;
    if (!ParseLong(w[0], e.frame) || e.frame < 0) fail(TCliText::kExpectFrame);
    if (e.frame < lastFrame) fail(TCliText::kFrameBack, std::to_string(lastFrame));
    lastFrame = e.frame;
    if (w.size() < 2) fail(TCliText::kExpectEvent);
    std::string kindWord = w[1];
    for (char& c : kindWord) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    size_t kind = 0;
    while (kind < std::size(kKindWords) && kindWord != kKindWords[kind]) ++kind;
    if (kind == std::size(kKindWords)) fail(TCliText::kExpectEvent);
    e.kind = static_cast<TInputKind>(kind);
    size_t used = 2;
    switch (e.kind) {
      case TInputKind::kKeyDown:
      case TInputKind::kKeyUp:
        if (w.size() < 3 || (e.key = ParseKeyName(w[2])) == 0) fail(TCliText::kExpectKey);
        used = 3;
        break;
      case TInputKind::kPress:
      case TInputKind::kRelease: {
        std::string button = w.size() > 2 ? Upper(w[2]) : "";
        if (button != "LEFT" && button != "RIGHT") fail(TCliText::kExpectButton, w[1]);
        e.right = button == "RIGHT";
        used = 3;
        [[fallthrough]];
      }
      case TInputKind::kMove: {
        long x = 0;
        long y = 0;
        if (w.size() < used + 2 || !ParseLong(w[used], x) || !ParseLong(w[used + 1], y) || x < -100000 ||
            x > 100000 || y < -100000 || y > 100000) {
          fail(TCliText::kExpectXY);
        }
        e.x = static_cast<int>(x);
        e.y = static_cast<int>(y);
        used += 2;
        break;
      }
    }
    if (w.size() > used) fail(TCliText::kExtraWords, w[used]);
    events.push_back(e);
  }
  return events;
}

// Input files are regular files of at most 256 MB.
constexpr size_t kMaxInputScriptBytes = size_t(256) << 20;

std::vector<TInputEvent> LoadInputScript(const std::string& path) {
  std::string text;
  switch (ReadRegularFile(path, kMaxInputScriptBytes, text)) {
    case TReadStatus::kOk:
      return ParseInputScript(text, path);
    case TReadStatus::kNotRegular:
      throw EInputScript(CliText(TCliText::kNotRegularFile, path));
    case TReadStatus::kTooLarge:
      throw EInputScript(CliText(TCliText::kFileTooLarge, path, std::to_string(kMaxInputScriptBytes >> 20) + " MB"));
    case TReadStatus::kMissing:
    case TReadStatus::kFailed:
      break;
  }
  throw EInputScript(CliText(TCliText::kInputUnreadable, path));
}

std::string FormatInputEvent(const TInputEvent& e) {
  std::string line = std::to_string(e.frame) + " " + kKindWords[static_cast<int>(e.kind)];
  switch (e.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyUp:
      return line + " " + KeyName(e.key);
    case TInputKind::kPress:
    case TInputKind::kRelease:
      line += e.right ? " right" : " left";
      break;
    case TInputKind::kMove:
      break;
  }
  return line + " " + std::to_string(e.x) + " " + std::to_string(e.y);
}

}  // namespace ruvel
