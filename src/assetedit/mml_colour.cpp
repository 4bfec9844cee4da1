#include "assetedit/mml_colour.h"

#include <array>

namespace ruvel {

namespace {

// The kind of a single character between other tokens.
struct TCharKinds {
  const char* chars;
  TMmlToken kind;
};
constexpr TCharKinds kCharKinds[] = {
    {"abcdefgn", TMmlToken::Note},   {"r", TMmlToken::Rest},           {"0123456789%.", TMmlToken::Number},
    {"tvlEDMW", TMmlToken::Command}, {"o<>", TMmlToken::Octave},        {"[]:L|{}&^,", TMmlToken::Structure},
    {"+#", TMmlToken::Note},
};

std::array<TMmlToken, 128> CharTable() {
  std::array<TMmlToken, 128> t{};
  t.fill(TMmlToken::Plain);
  for (const TCharKinds& k : kCharKinds) {
    for (const char* c = k.chars; *c; ++c) t[size_t(uint8_t(*c))] = k.kind;
  }
  return t;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class TColourer {
 public:
  explicit TColourer(const std::string& t) : t_(t) {}

  std::vector<TMmlSpan> Run() {
    static const std::array<TMmlToken, 128> table = CharTable();
    bool lineStart = true;
    while (i_ < t_.size()) {
      char c = t_[i_];
      size_t from = i_;
      if (lineStart) {
        lineStart = false;
        size_t k = i_;
        while (k < t_.size() && t_[k] >= 'A' && t_[k] <= 'J') ++k;
        if (k > i_ && (k == t_.size() || t_[k] == ' ' || t_[k] == '\t' || t_[k] == '\r' || t_[k] == '\n')) {
          i_ = k;
          Add(from, TMmlToken::Channel);
          continue;
        }
      }
      if (c == '\n') {
        lineStart = true;
        ++i_;
        Add(from, TMmlToken::Plain);
      } else if (c == ';' || (c == '/' && Next() == '/')) {
        while (i_ < t_.size() && t_[i_] != '\n') ++i_;
        Add(from, TMmlToken::Comment);
      } else if (c == '/' && Next() == '*') {
        size_t close = t_.find("*/", i_ + 2);
        i_ = close == std::string::npos ? t_.size() : close + 2;
        Add(from, TMmlToken::Comment);
        // A comment over several lines ends mid-line: no channel marker.
      } else if (c == '"') {
        ++i_;
        while (i_ < t_.size() && t_[i_] != '"' && t_[i_] != '\n') ++i_;
        if (i_ < t_.size() && t_[i_] == '"') ++i_;
        Add(from, TMmlToken::Text);
      } else if (c == '@') {
        ++i_;
        while (i_ < t_.size() && ((t_[i_] >= 'a' && t_[i_] <= 'z') || IsDigit(t_[i_]))) ++i_;
        Add(from, TMmlToken::Word);
      } else if (c == '-' && IsDigit(Next())) {
        ++i_;
        Add(from, TMmlToken::Number);
      } else if (c == '-' && Last() == TMmlToken::Note) {
        ++i_;
        Add(from, TMmlToken::Note);
      } else {
        ++i_;
        Add(from, uint8_t(c) < 128 ? table[size_t(uint8_t(c))] : TMmlToken::Plain);
      }
    }
    return spans_;
  }

 private:
  char Next() const { return i_ + 1 < t_.size() ? t_[i_ + 1] : '\0'; }
  TMmlToken Last() const { return spans_.empty() ? TMmlToken::Plain : spans_.back().kind; }
  // Adds [from, i_), joined to the span before when of the same kind.
  void Add(size_t from, TMmlToken kind) {
    if (!spans_.empty() && spans_.back().kind == kind && spans_.back().end == from) {
      spans_.back().end = i_;
    } else {
      spans_.push_back({from, i_, kind});
    }
  }

  const std::string& t_;
  size_t i_ = 0;
  std::vector<TMmlSpan> spans_;
};

}  // namespace

const char* MmlTokenName(TMmlToken kind) {
  static constexpr const char* kNames[] = {
#define RUVEL_MML_TOKEN_NAME(id, name) name,
      RUVEL_MML_TOKENS(RUVEL_MML_TOKEN_NAME)
#undef RUVEL_MML_TOKEN_NAME
  };
  return kNames[static_cast<int>(kind)];
}

std::vector<TMmlSpan> ColourMml(const std::string& text) { return TColourer(text).Run(); }

}  // namespace ruvel
