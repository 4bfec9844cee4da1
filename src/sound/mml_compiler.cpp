#include "sound/mml_compiler.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/cp932.h"

namespace ruvel {

namespace {

constexpr int kChannels = 10;
// Time is kept in 1/256 of a length unit so that dotted and odd lengths
// add up exactly; each note's length is the difference of its rounded end
// and start, so rounding never accumulates.
constexpr int64_t kSub = 256;
constexpr int64_t kWholeSub = int64_t(kMmlWholeNote) * kSub;
constexpr size_t kMaxChannelBytes = size_t(4) << 20;
constexpr int kRest = 99;

struct TFail {
  int line;
  int column;
  TMmlErrorKind kind;
  std::string detail;
};

// One channel's text: the bodies of its lines joined with '\n'. Places in
// the source are kept per stretch of bytes copied in one piece (usually a
// line), so the map costs a few bytes a line rather than a few a byte.
struct TChannelText {
  std::string text;
  struct TStretch {
    uint32_t at;      // first byte in text
    uint32_t source;  // the same byte's offset in the source
  };
  std::vector<TStretch> stretches;
  uint32_t endSource = 0;
  const std::string* source = nullptr;

  void Add(size_t from, size_t to) {
    // The line's bytes and its '\n' (or the end of the source) follow on.
    if (stretches.empty() || text.size() - stretches.back().at != from - stretches.back().source) {
      stretches.push_back({uint32_t(text.size()), uint32_t(from)});
    }
    text.append(*source, from, to - from);
    text += '\n';
    endSource = uint32_t(to);
  }
  // Line and column (1-based) of a byte of text; past the end, the end of
  // the channel's last line.
  std::pair<int, int> Where(size_t at) const {
    size_t offset = endSource;
    if (at < text.size()) {
      auto it = std::upper_bound(stretches.begin(), stretches.end(), at,
                                 [](size_t a, const TStretch& s) { return a < s.at; });
      --it;
      offset = it->source + (at - it->at);
    }
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset && i < source->size(); ++i) {
      if ((*source)[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    }
    return {line, int(offset - lineStart) + 1};
  }
  // The source offset of a byte of text (the end of the channel past it).
  uint32_t SourceOffset(size_t at) const {
    if (at >= text.size() || stretches.empty()) return endSource;
    auto it = std::upper_bound(stretches.begin(), stretches.end(), at,
                               [](size_t a, const TStretch& s) { return a < s.at; });
    --it;
    return uint32_t(it->source + (at - it->at));
  }
};

// Comments (";" or "//" to the end of the line, "/* */") become spaces, so
// that every other byte keeps its line and column. Quoted text is kept.
std::string StripComments(const std::string& s) {
  std::string out = s;
  bool quoted = false;
  int line = 1;
  int col = 1;
  for (size_t i = 0; i < out.size(); ++i, ++col) {
    char c = out[i];
    if (c == '\n') {
      quoted = false;
      ++line;
      col = 0;
      continue;
    }
    if (quoted) {
      if (c == '"') quoted = false;
      continue;
    }
    if (c == '"') {
      quoted = true;
    } else if (c == ';' || (c == '/' && i + 1 < out.size() && out[i + 1] == '/')) {
      while (i < out.size() && out[i] != '\n') out[i++] = ' ';
      --i;
      --col;
    } else if (c == '/' && i + 1 < out.size() && out[i + 1] == '*') {
      size_t close = out.find("*/", i + 2);
      if (close == std::string::npos) throw TFail{line, col, TMmlErrorKind::UnclosedComment, ""};
      for (size_t k = i; k < close + 2; ++k) {
        if (out[k] == '\n') {
          ++line;
          col = 0;
        } else {
          out[k] = ' ';
          ++col;
        }
      }
      i = close + 1;
      --col;
    }
  }
  return out;
}

void Put32(std::string& b, int64_t v) {
  auto u = uint32_t(int32_t(v));
  for (int i = 0; i < 4; ++i) b += char((u >> (8 * i)) & 0xFF);
}

class TChannelCompiler {
 public:
  TChannelCompiler(const TChannelText& src, int64_t& expanded, int64_t maxExpanded, int channel,
                   std::vector<TMmlNotePlace>* places)
      : src_(src), expanded_(expanded), maxExpanded_(maxExpanded), channel_(channel), places_(places) {}

  // The channel's command bytes, empty when the channel has no commands.
  std::string Run() {
    MatchBrackets();
    while (pos_ < src_.text.size()) Step();
    Flush();
    if (out_.empty()) return out_;
    if (loopAt_ >= 0) {
      out_ += 'h';
      Put32(out_, int64_t(loopAt_) - int64_t(out_.size() - 1));
    } else {
      out_ += char(255);
    }
    return out_;
  }

 private:
  struct TRepeat {
    uint32_t bodyStart;
    uint32_t after;  // past the closing ']' and its count
    uint16_t count;
    uint16_t done;
  };
  struct TPending {
    bool active = false;
    int note = 0;
    int64_t length = 0;  // in 1/256 units
    bool tied = false;
    size_t at = 0;  // the note's letter in the channel text
  };

  [[noreturn]] void Fail(TMmlErrorKind kind, size_t at, std::string detail = "") const {
    auto w = src_.Where(at);
    throw TFail{w.first, w.second, kind, std::move(detail)};
  }
  char Peek(size_t ahead = 0) const {
    return pos_ + ahead < src_.text.size() ? src_.text[pos_ + ahead] : '\0';
  }
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  void SkipSpaces() {
    while (IsSpace(Peek())) ++pos_;
  }

  bool TryNumber(int64_t& v, bool allowSign = false) {
    size_t start = pos_;
    bool negative = false;
    if (allowSign && (Peek() == '-' || Peek() == '+') && IsDigit(Peek(1))) {
      negative = Peek() == '-';
      ++pos_;
    }
    if (!IsDigit(Peek())) {
      pos_ = start;
      return false;
    }
    v = 0;
    while (IsDigit(Peek())) {
      if (v < 100000000) v = v * 10 + (Peek() - '0');
      ++pos_;
    }
    if (negative) v = -v;
    return true;
  }
  int Number(int64_t lo, int64_t hi) {
    size_t at = pos_;
    int64_t v = 0;
    if (!TryNumber(v, lo < 0)) Fail(TMmlErrorKind::NumberExpected, at);
    if (v < lo || v > hi) Fail(TMmlErrorKind::OutOfRange, at, std::to_string(lo) + "〜" + std::to_string(hi));
    return int(v);
  }

  void Emit(std::initializer_list<int> bytes) {
    for (int b : bytes) out_ += char(b);
    if (out_.size() > kMaxChannelBytes) {
      Fail(TMmlErrorKind::TooLong, pos_, "1チャンネル上限 " + std::to_string(kMaxChannelBytes) + " バイト");
    }
  }

  // A length: a note value ("8", "16."), a count of units ("%300") or the
  // default length, then dots.
  int64_t Length() {
    size_t at = pos_;
    int64_t len = 0;
    int64_t v = 0;
    if (Peek() == '%') {
      ++pos_;
      if (!TryNumber(v) || v < 1 || v > 65535 * 64) Fail(TMmlErrorKind::BadLength, at);
      len = v * kSub;
    } else if (TryNumber(v)) {
      if (v < 1 || v > 1536) Fail(TMmlErrorKind::BadLength, at);
      len = kWholeSub / v;
    } else {
      len = defaultLength_;
    }
    int64_t add = len;
    while (Peek() == '.') {
      ++pos_;
      add /= 2;
      len += add;
    }
    return len;
  }

  // A note letter with its sharps and flats, in the current octave.
  int NoteNumber(size_t at) {
    static constexpr int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    char letter = src_.text[pos_++];
    int n = (octave_ - 1) * 12 + kSemitone[letter - 'a'];
    while (Peek() == '+' || Peek() == '#' || Peek() == '-') n += src_.text[pos_++] == '-' ? -1 : 1;
    if (n < 0 || n > 95) Fail(TMmlErrorKind::NoteOutOfRange, at);
    return n;
  }

  int64_t Units(int64_t sub) const { return (sub + kSub / 2) / kSub; }

  void DefaultVolume() {
    if (volumeSet_) return;
    volumeSet_ = true;
    Emit({'d', 128});
  }

  // Writes the note or rest waiting for "^" extensions. Lengths beyond 16
  // bits become a chain of tied notes (or several rests).
  void Flush() {
    if (!pending_.active) return;
    TPending p = pending_;
    pending_ = TPending{};
    int64_t units = Units(time_ + p.length) - Units(time_);
    time_ += p.length;
    if (units <= 0) return;
    bool note = p.note != kRest;
    if (note) DefaultVolume();
    if (note && p.tied) Emit({'i'});
    Place(p.at);
    while (units > 0) {
      int64_t part = units > 65535 ? 65535 : units;
      Emit({p.note, int(part & 0xFF), int(part >> 8)});
      units -= part;
      if (units > 0 && note) Emit({'i'});
    }
  }

  // Records that the command about to be written comes from text byte at.
  void Place(size_t at) {
    if (places_) places_->push_back({uint8_t(channel_), uint32_t(out_.size()), src_.SourceOffset(at)});
  }

  void StartNote(int note, int64_t length, size_t at) {
    pending_ = TPending{true, note, length, note != kRest && tieNext_, at};
    tieNext_ = false;
  }

  // Pairs every '[' with its ']' once, so that reaching a repeat again
  // (an outer repeat's next pass) costs nothing. Brackets inside quotes
  // do not count.
  void MatchBrackets() {
    std::vector<uint32_t> open;
    bool quoted = false;
    const std::string& t = src_.text;
    for (size_t i = 0; i < t.size(); ++i) {
      char c = t[i];
      if (c == '"') quoted = !quoted;
      if (quoted) continue;
      if (c == '[') open.push_back(uint32_t(i));
      if (c == ']' && !open.empty()) {
        closeOf_.push_back({open.back(), uint32_t(i)});
        open.pop_back();
      }
    }
    std::sort(closeOf_.begin(), closeOf_.end());
  }

  size_t FindClose(size_t open) const {
    auto it = std::lower_bound(closeOf_.begin(), closeOf_.end(), std::pair<uint32_t, uint32_t>{uint32_t(open), 0});
    if (it == closeOf_.end() || it->first != open) Fail(TMmlErrorKind::UnclosedRepeat, open);
    return it->second;
  }

  void Repeat() {
    size_t open = pos_++;
    size_t close = FindClose(open);
    size_t save = pos_;
    pos_ = close + 1;
    int count = 2;
    int64_t v = 0;
    size_t at = pos_;
    if (TryNumber(v)) {
      if (v > 999) Fail(TMmlErrorKind::OutOfRange, at, "0〜999");
      count = int(v);
    }
    size_t after = pos_;
    if (count == 0) return;  // pos_ is already past the repeat
    pos_ = save;
    repeats_.push_back(TRepeat{uint32_t(save), uint32_t(after), uint16_t(count), 0});
  }

  void RepeatEnd() {
    if (repeats_.empty()) Fail(TMmlErrorKind::StrayClose, pos_);
    TRepeat& r = repeats_.back();
    if (++r.done < r.count) {
      // Every pass reads the body again: the written-out length is capped
      // so that nested repeats cannot make the work explode (a pass of an
      // empty body counts one byte).
      expanded_ += int64_t(pos_ - r.bodyStart) + 1;
      if (expanded_ > maxExpanded_) Fail(TMmlErrorKind::ExpandedTooLong, pos_, "上限 " + std::to_string(maxExpanded_) + " バイト");
      pos_ = r.bodyStart;
    } else {
      pos_ = r.after;
      repeats_.pop_back();
    }
  }

  void RepeatBreak() {
    if (repeats_.empty()) Fail(TMmlErrorKind::BreakOutsideRepeat, pos_);
    ++pos_;
    TRepeat& r = repeats_.back();
    if (r.done + 1 == r.count) {
      pos_ = r.after;
      repeats_.pop_back();
    }
  }

  std::string QuotedText() {
    SkipSpaces();
    size_t at = pos_;
    if (Peek() != '"') Fail(TMmlErrorKind::StringExpected, at);
    ++pos_;
    std::string t;
    while (Peek() != '"') {
      if (Peek() == '\0' || Peek() == '\n') Fail(TMmlErrorKind::UnclosedString, at);
      t += src_.text[pos_++];
    }
    ++pos_;
    return t;
  }

  void Table(uint8_t cmd, int maxIndex, int maxValue) {
    int index = Number(0, maxIndex);
    SkipSpaces();
    size_t at = pos_;
    if (Peek() != '{') Fail(TMmlErrorKind::TableExpected, at);
    ++pos_;
    std::string bytes;
    bytes += char(cmd);
    bytes += char(index);
    for (int i = 0; i < 32; ++i) {
      while (IsSpace(Peek()) || (i > 0 && Peek() == ',')) ++pos_;
      bytes += char(Number(0, maxValue));
    }
    while (IsSpace(Peek()) || Peek() == ',') ++pos_;
    if (Peek() != '}') Fail(TMmlErrorKind::TableExpected, at);
    ++pos_;
    for (char b : bytes) Emit({uint8_t(b)});
  }

  void Word() {
    size_t at = pos_++;
    if (IsDigit(Peek())) {
      Emit({'f', Number(0, 111)});
      return;
    }
    std::string word;
    while (Peek() >= 'a' && Peek() <= 'z') word += src_.text[pos_++];
    for (const TMmlWordInfo& w : kMmlWords) {
      if (word != w.spelling) continue;
      switch (w.id) {
        case TMmlWord::Wave: Table(w.byte, 95, 255); return;
        case TMmlWord::Env: Table(w.byte, 15, 15); return;
        case TMmlWord::Sample: {
          std::string name = QuotedText();
          SkipSpaces();
          if (Peek() != ',') Fail(TMmlErrorKind::NumberExpected, pos_);
          ++pos_;
          int tone = Number(96, 111);
          Emit({w.byte});
          for (char c : name) Emit({uint8_t(c)});
          Emit({0, tone});
          return;
        }
        case TMmlWord::Marker:
        case TMmlWord::File: {
          std::string text = QuotedText();
          Emit({w.byte});
          for (char c : text) Emit({uint8_t(c)});
          Emit({0});
          return;
        }
        case TMmlWord::OneShot: Emit({w.byte, Number(0, 1)}); return;
        case TMmlWord::Nop: Emit({w.byte}); return;
      }
    }
    Fail(TMmlErrorKind::UnknownCommand, at, "@" + word);
  }

  // {ce}4: a glide from the first note to the second over the length.
  void Portamento() {
    size_t at = pos_++;
    int notes[2];
    int found = 0;
    while (Peek() != '}') {
      char c = Peek();
      if (IsSpace(c)) {
        ++pos_;
      } else if (c == '>' || c == '<') {
        octave_ = std::max(1, std::min(8, octave_ + (c == '>' ? 1 : -1)));
        ++pos_;
      } else if (c == 'o') {
        ++pos_;
        octave_ = Number(1, 8);
      } else if (c >= 'a' && c <= 'g' && found < 2) {
        notes[found++] = NoteNumber(pos_);
      } else {
        Fail(TMmlErrorKind::BadPortamento, c == '\0' ? at : pos_);
      }
    }
    ++pos_;
    if (found != 2) Fail(TMmlErrorKind::BadPortamento, at);
    size_t lengthAt = pos_;
    int64_t length = Length();
    int64_t units = Units(time_ + length) - Units(time_);
    if (units < 1 || units > 65535) Fail(TMmlErrorKind::BadLength, lengthAt);
    time_ += length;
    DefaultVolume();
    if (tieNext_) Emit({'i'});
    tieNext_ = false;
    Place(at);
    Emit({'j', notes[0], notes[1], int(units & 0xFF), int(units >> 8)});
  }

  void Step() {
    char c = Peek();
    if (IsSpace(c)) {
      ++pos_;
      return;
    }
    size_t at = pos_;
    if (c == '^') {
      ++pos_;
      if (!pending_.active) Fail(TMmlErrorKind::TieWithoutNote, at);
      pending_.length += Length();
      return;
    }
    Flush();
    if (c >= 'a' && c <= 'g') {
      int n = NoteNumber(at);
      StartNote(n, Length(), at);
      return;
    }
    ++pos_;
    switch (c) {
      case 'r': StartNote(kRest, Length(), at); tieNext_ = false; return;
      case 'n': {
        int n = Number(0, 95);
        int64_t length = defaultLength_;
        if (Peek() == ',') {
          ++pos_;
          length = Length();
        }
        StartNote(n, length, at);
        return;
      }
      case '&': tieNext_ = true; return;
      case 'o': octave_ = Number(1, 8); return;
      case '>': octave_ = std::min(8, octave_ + 1); return;
      case '<': octave_ = std::max(1, octave_ - 1); return;
      case 'l': {
        size_t lengthAt = pos_;
        if (!IsDigit(Peek()) && Peek() != '%') Fail(TMmlErrorKind::BadLength, lengthAt);
        defaultLength_ = Length();
        return;
      }
      case 't': {
        int tempo = Number(1, 65535);
        Emit({'g', tempo & 0xFF, tempo >> 8});
        return;
      }
      case 'v':
        Emit({'d', Number(0, 255)});
        volumeSet_ = true;
        return;
      case 'E':
        if (Peek() != ',') Emit({'k', Number(0, 15)});
        if (Peek() == ',') {
          ++pos_;
          Emit({'e', Number(0, 255)});
        }
        return;
      case 'D': Emit({'n', uint8_t(int8_t(Number(-128, 127)))}); return;
      case 'M': {
        int speed = Number(0, 255);
        int depth = 0;
        int reset = 1;
        if (Peek() == ',') {
          ++pos_;
          depth = Number(0, 255);
          if (Peek() == ',') {
            ++pos_;
            reset = Number(0, 1);
          }
        }
        Emit({'s', reset, speed, depth});
        return;
      }
      case 'W': Emit({'l'}); return;
      case 'L':
        if (!repeats_.empty()) Fail(TMmlErrorKind::LoopInsideRepeat, at);
        if (loopAt_ >= 0) Fail(TMmlErrorKind::SecondLoopPoint, at);
        loopAt_ = int64_t(out_.size());
        return;
      case '@': pos_ = at; Word(); return;
      case '{': pos_ = at; Portamento(); return;
      case '[': pos_ = at; Repeat(); return;
      case ']': pos_ = at; RepeatEnd(); return;
      case ':': pos_ = at; RepeatBreak(); return;
      case '|': return;  // a bar line, for the reader
      default: break;
    }
    std::string found(1, c);
    if (uint8_t(c) >= 0x80 && IsLeadByte(uint8_t(c)) && pos_ < src_.text.size()) found += src_.text[pos_];
    Fail(TMmlErrorKind::UnknownCommand, at, ToUtf8(found));
  }

  const TChannelText& src_;
  size_t pos_ = 0;
  std::string out_;
  int octave_ = 4;
  int64_t defaultLength_ = kWholeSub / 4;
  int64_t time_ = 0;
  bool volumeSet_ = false;
  bool tieNext_ = false;
  int64_t loopAt_ = -1;
  TPending pending_;
  std::vector<TRepeat> repeats_;
  std::vector<std::pair<uint32_t, uint32_t>> closeOf_;  // '[' and its ']'
  int64_t& expanded_;
  int64_t maxExpanded_;
  int channel_;
  std::vector<TMmlNotePlace>* places_;
};

// One channel's text out of the source. A line that starts with channel
// letters (A to J) and a space belongs to those channels; a line without
// them continues the channels of the line before (A at first).
TChannelText ChannelText(const std::string& source, int channel) {
  TChannelText out;
  out.source = &source;
  bool current = channel == 0;
  size_t start = 0;
  while (start <= source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    size_t k = start;
    while (k < end && source[k] >= 'A' && source[k] <= 'J') ++k;
    size_t body = start;
    if (k > start && (k == end || source[k] == ' ' || source[k] == '\t' || source[k] == '\r')) {
      current = std::memchr(source.data() + start, 'A' + channel, k - start) != nullptr;
      body = k;
    }
    if (current) out.Add(body, end);
    if (end == source.size()) break;
    start = end + 1;
  }
  return out;
}

}  // namespace

std::string TMmlError::Text(const std::string& file) const {
  std::string t = file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + MmlErrorText(kind);
  if (!detail.empty()) t += ": " + detail;
  return t;
}

bool CompileMml(const std::string& source, std::string& mlv, TMmlError& error, int64_t maxExpanded,
                std::vector<TMmlNotePlace>* places) {
  try {
    if (source.size() > kMmlMaxSource) throw TFail{1, 1, TMmlErrorKind::SourceTooLarge, "上限 " + std::to_string(kMmlMaxSource) + " バイト"};
    std::string text = StripComments(NormalizeToCp932(source));
    mlv.clear();
    Put32(mlv, kMmlFileVersion);
    mlv += char(kChannels);
    // One channel at a time, so that only one copy of a channel's text is
    // held; repeats written out count against one cap for the whole song.
    int64_t expanded = 0;
    if (places) places->clear();
    for (int c = 0; c < kChannels; ++c) {
      std::string bytes = TChannelCompiler(ChannelText(text, c), expanded, maxExpanded, c, places).Run();
      Put32(mlv, int64_t(bytes.size()));
      mlv += bytes;
    }
    return true;
  } catch (const TFail& f) {
    error.line = f.line;
    error.column = f.column;
    error.kind = f.kind;
    error.detail = f.detail;
    return false;
  }
}

}  // namespace ruvel
