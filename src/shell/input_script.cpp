#include "shell/input_script.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <memory>

#include "platform/keys.h"
#include "shell/cli_text.h"

namespace ruvel {

namespace {

constexpr const char* kKindWords[] = {
#define RUVEL_INPUT_WORD(id, word) word,
    RUVEL_INPUT_EVENTS(RUVEL_INPUT_WORD)
#undef RUVEL_INPUT_WORD
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

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

// "#" and one or more digits: a raw key code.
bool IsRawCode(const std::string& w) {
  return w.size() > 1 && w[0] == '#' && std::all_of(w.begin() + 1, w.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The words of a line up to its comment. A "#" starts a comment, except
// where a key is expected (third word after down/up) and "#" and digits
// make the whole word: that is a raw key code.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    size_t start = i;
    while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (start == i) break;
    std::string w = line.substr(start, i - start);
    bool keyPlace = words.size() == 2 && (Lower(words[1]) == "down" || Lower(words[1]) == "up");
    if (keyPlace && IsRawCode(w)) {
      words.push_back(w);
      continue;
    }
    if (size_t hash = w.find('#'); hash != std::string::npos) {
      if (hash > 0) words.push_back(w.substr(0, hash));
      break;
    }
    words.push_back(w);
  }
  return words;
}

}  // namespace

int ParseKeyName(const std::string& word) {
  // A lone digit names the digit key; "#N" and numbers of two or more
  // digits are codes.
  if (word.size() == 1) return VirtualKeyOfName(word);
  long code = 0;
  bool raw = IsRawCode(word);
  if (raw || ParseLong(word, code)) {
    if (raw && !ParseLong(word.substr(1), code)) return 0;
    return code >= 1 && code <= 255 ? static_cast<int>(code) : 0;
  }
  return VirtualKeyOfName(word);
}

std::string KeyName(int vk) {
  std::string name = NameOfVirtualKey(vk);
  return name.empty() ? "#" + std::to_string(vk) : name;
}

namespace {

// Reads one line (without its end) into e; false for a blank or comment
// line. lastFrame is the frame of the event before.
bool ParseLine(const std::string& text, int lineNo, long& lastFrame, const std::string& fileName, TInputEvent& e) {
  auto fail = [&](TCliText what, const std::string& arg = {}) {
    throw EInputScript(CliText(TCliText::kInputLine, fileName, std::to_string(lineNo), CliText(what, arg)));
  };
  if (text.size() > kMaxInputLine) fail(TCliText::kInputLineLong, std::to_string(kMaxInputLine));
  std::vector<std::string> w = Words(text);
  if (w.empty()) return false;
  e = TInputEvent();
  long frame = 0;
  if (!ParseLong(w[0], frame) || frame < 0 || frame > kMaxInputFrame) fail(TCliText::kExpectFrame);
  if (frame < lastFrame) fail(TCliText::kFrameBack, std::to_string(lastFrame));
  lastFrame = frame;
  e.frame = static_cast<int32_t>(frame);
  if (w.size() < 2) fail(TCliText::kExpectEvent);
  std::string kindWord = Lower(w[1]);
  size_t kind = 0;
  while (kind < std::size(kKindWords) && kindWord != kKindWords[kind]) ++kind;
  if (kind == std::size(kKindWords)) fail(TCliText::kExpectEvent);
  e.kind = static_cast<TInputKind>(kind);
  size_t used = 2;
  switch (e.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyUp: {
      int key = w.size() < 3 ? 0 : ParseKeyName(w[2]);
      if (key == 0) fail(TCliText::kExpectKey);
      e.key = static_cast<uint32_t>(key);
      used = 3;
      break;
    }
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
      if (w.size() < used + 2 || !ParseLong(w[used], x) || !ParseLong(w[used + 1], y) || x < -kMaxInputXY ||
          x > kMaxInputXY || y < -kMaxInputXY || y > kMaxInputXY) {
        fail(TCliText::kExpectXY);
      }
      e.x = static_cast<int32_t>(x);
      e.y = static_cast<int32_t>(y);
      used += 2;
      break;
    }
  }
  if (w.size() > used) fail(TCliText::kExtraWords, w[used]);
  return true;
}

// Calls each(line, lineNo) for every line of an open file, read in pieces;
// a line longer than kMaxInputLine is cut there (ParseLine refuses it).
template <class F>
void ForEachFileLine(std::FILE* f, const std::string& path, F each) {
  std::string line;
  bool tooLong = false;
  int lineNo = 0;
  char buf[16384];
  size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    for (size_t i = 0; i < n; ++i) {
      if (buf[i] == '\n') {
        each(line, ++lineNo);
        line.clear();
        tooLong = false;
      } else if (!tooLong) {
        line += buf[i];
        tooLong = line.size() > kMaxInputLine;
      }
    }
  }
  if (std::ferror(f)) throw EInputScript(CliText(TCliText::kInputUnreadable, path));
  if (!line.empty()) each(line, ++lineNo);
}

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::vector<TInputEvent> ParseInputScript(const std::string& text, const std::string& fileName) {
  std::vector<TInputEvent> events;
  long lastFrame = 0;
  int lineNo = 0;
  size_t at = 0;
  TInputEvent e;
  while (at < text.size()) {
    size_t nl = text.find('\n', at);
    size_t end = nl == std::string::npos ? text.size() : nl;
    std::string line = text.substr(at, std::min(end - at, kMaxInputLine + 1));
    if (ParseLine(line, ++lineNo, lastFrame, fileName, e)) events.push_back(e);
    at = end + 1;
  }
  return events;
}

// Input files are regular files of at most 256 MB.
constexpr size_t kMaxInputScriptBytes = size_t(256) << 20;

std::vector<TInputEvent> LoadInputScript(const std::string& path) {
  // Opened without waiting for a writer, so a FIFO is refused, not waited on.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st;
  if (fd < 0) throw EInputScript(CliText(TCliText::kInputUnreadable, path));
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw EInputScript(CliText(TCliText::kNotRegularFile, path));
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxInputScriptBytes) {
    ::close(fd);
    throw EInputScript(CliText(TCliText::kFileTooLarge, path, std::to_string(kMaxInputScriptBytes >> 20) + " MB"));
  }
  std::unique_ptr<std::FILE, TFileCloser> f(::fdopen(fd, "rb"));
  if (!f) {
    ::close(fd);
    throw EInputScript(CliText(TCliText::kInputUnreadable, path));
  }
  // First the events are counted (and every line checked), then kept in a
  // vector of exactly that size.
  size_t count = 0;
  long lastFrame = 0;
  TInputEvent e;
  ForEachFileLine(f.get(), path, [&](const std::string& line, int lineNo) {
    if (ParseLine(line, lineNo, lastFrame, path, e)) ++count;
  });
  std::rewind(f.get());
  std::vector<TInputEvent> events;
  events.reserve(count);
  lastFrame = 0;
  ForEachFileLine(f.get(), path, [&](const std::string& line, int lineNo) {
    if (ParseLine(line, lineNo, lastFrame, path, e)) events.push_back(e);
  });
  return events;
}

std::string FormatInputEvent(const TInputEvent& e) {
  std::string line = std::to_string(int(e.frame)) + " " + kKindWords[static_cast<int>(e.kind)];
  switch (e.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyUp:
      return line + " " + KeyName(int(e.key));
    case TInputKind::kPress:
    case TInputKind::kRelease:
      line += e.right ? " right" : " left";
      break;
    case TInputKind::kMove:
      break;
  }
  return line + " " + std::to_string(int(e.x)) + " " + std::to_string(int(e.y));
}

}  // namespace ruvel
