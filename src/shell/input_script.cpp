#include "shell/input_script.h"

#include <cctype>
#include <charconv>
#include <fstream>
#include <sstream>

#include "shell/cli_text.h"

namespace ruvel {

namespace {

constexpr const char* kKindWords[] = {
#define RUVEL_INPUT_WORD(id, word) word,
    RUVEL_INPUT_EVENTS(RUVEL_INPUT_WORD)
#undef RUVEL_INPUT_WORD
};

struct TKeyNameEntry {
  const char* name;
  int vk;
};

// Named keys besides the letters and digits, whose names are themselves.
constexpr TKeyNameEntry kKeyNames[] = {
    {"LEFT", 0x25},   {"RIGHT", 0x27}, {"UP", 0x26},     {"DOWN", 0x28},    {"SPACE", 0x20},
    {"RETURN", 0x0D}, {"ESCAPE", 0x1B}, {"SHIFT", 0x10}, {"CONTROL", 0x11}, {"F1", 0x70},
    {"F2", 0x71},     {"F3", 0x72},    {"F4", 0x73},     {"F5", 0x74},      {"F6", 0x75},
    {"F7", 0x76},     {"F8", 0x77},    {"F9", 0x78},     {"F10", 0x79},     {"F11", 0x7A},
    {"F12", 0x7B},
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
  std::string up = Upper(word);
  if (up.size() == 1 && ((up[0] >= 'A' && up[0] <= 'Z') || (up[0] >= '0' && up[0] <= '9'))) return up[0];
  for (const TKeyNameEntry& k : kKeyNames) {
    if (up == k.name) return k.vk;
  }
  return 0;
}

std::string KeyName(int vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
  for (const TKeyNameEntry& k : kKeyNames) {
    if (k.vk == vk) return k.name;
  }
  return std::to_string(vk);
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

std::vector<TInputEvent> LoadInputScript(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EInputScript(CliText(TCliText::kInputUnreadable, path));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw EInputScript(CliText(TCliText::kInputUnreadable, path));
  return ParseInputScript(text.str(), path);
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
