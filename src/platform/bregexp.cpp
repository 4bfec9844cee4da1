#define PCRE2_CODE_UNIT_WIDTH 8
#include "platform/bregexp.h"

#include <pcre2.h>

#include <cctype>

#include "platform/cp932.h"

namespace ruvel {
namespace regexp_detail {

// One piece of a replacement template: literal text or a captured group.
struct ReplacePart {
  enum Kind { kLiteral, kGroup, kPrematch, kPostmatch } kind;
  std::string text;
  uint32_t group = 0;
};

// A pattern compiled once and kept in the wrapper's cache.
struct Compiled {
  pcre2_code* code = nullptr;
  pcre2_match_data* data = nullptr;
  uint32_t captures = 0;
  bool global = false;
  // Perl reads split /^/ as split /^/m; this is the multiline form.
  pcre2_code* splitCode = nullptr;
  pcre2_match_data* splitData = nullptr;
  std::vector<ReplacePart> replacement;

  ~Compiled() {
    if (data) pcre2_match_data_free(data);
    if (code) pcre2_code_free(code);
    if (splitData) pcre2_match_data_free(splitData);
    if (splitCode) pcre2_code_free(splitCode);
  }
};

}  // namespace regexp_detail

using regexp_detail::Compiled;
using regexp_detail::ReplacePart;

namespace {

// Compiled patterns kept per wrapper; past this many the cache starts over,
// so patterns built from changing text cannot grow it without bound.
constexpr size_t kMaxCachedPatterns = 256;

bool IsTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7e) || (b >= 0x80 && b <= 0xfc); }

// True when a double-byte character starts at i.
bool PairAt(std::string_view s, size_t i) {
  return i + 1 < s.size() && IsLeadByte(static_cast<unsigned char>(s[i])) &&
         IsTrailByte(static_cast<unsigned char>(s[i + 1]));
}

size_t CharLength(std::string_view s, size_t i) { return PairAt(s, i) ? 2 : 1; }

// Appends the trail byte of a double-byte character so that PCRE2 reads it
// as a literal byte: punctuation is escaped, letters and high bytes are not.
void AppendLiteralTrail(std::string& out, char t) {
  unsigned char b = static_cast<unsigned char>(t);
  if (b < 0x80 && !std::isalnum(b)) out += '\\';
  out += t;
}

std::string EngineMessage(int code) {
  PCRE2_UCHAR buffer[256];
  int n = pcre2_get_error_message(code, buffer, sizeof buffer);
  if (n < 0) return "regular expression error " + std::to_string(code);
  return std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
}

// Reads the expression between the delimiters, starting just after the
// opening one, into PCRE2 syntax. Returns the position after the closing
// delimiter.
size_t ReadExpression(std::string_view s, size_t i, char delim, std::string& out) {
  while (i < s.size()) {
    char c = s[i];
    if (c == delim) return i + 1;
    if (c == '\\' && i + 1 < s.size()) {
      char next = s[i + 1];
      out += '\\';
      if (PairAt(s, i + 1)) {
        out += next;
        AppendLiteralTrail(out, s[i + 2]);
        i += 3;
      } else {
        out += next;
        i += 2;
      }
      continue;
    }
    if (PairAt(s, i)) {
      out += c;
      AppendLiteralTrail(out, s[i + 1]);
      i += 2;
      continue;
    }
    out += c;
    ++i;
  }
  throw EBRegExpError("missing closing delimiter in regular expression");
}

void AddLiteral(std::vector<ReplacePart>& parts, std::string_view text) {
  if (parts.empty() || parts.back().kind != ReplacePart::kLiteral) parts.push_back({ReplacePart::kLiteral, "", 0});
  parts.back().text.append(text);
}

// Reads a replacement in Perl's double-quoted form: "$&", "$1", "${12}",
// "$`", "$'", "\1", "\n", "\t", "\r", and a backslash before any other
// character taking that character literally.
size_t ReadReplacement(std::string_view s, size_t i, char delim, std::vector<ReplacePart>& parts) {
  while (i < s.size()) {
    char c = s[i];
    if (c == delim) return i + 1;
    if (PairAt(s, i)) {
      AddLiteral(parts, s.substr(i, 2));
      i += 2;
      continue;
    }
    if (c == '\\' && i + 1 < s.size()) {
      char next = s[i + 1];
      if (PairAt(s, i + 1)) {
        AddLiteral(parts, s.substr(i + 1, 2));
        i += 3;
        continue;
      }
      i += 2;
      switch (next) {
        case 'n': AddLiteral(parts, "\n"); break;
        case 't': AddLiteral(parts, "\t"); break;
        case 'r': AddLiteral(parts, "\r"); break;
        default:
          if (next >= '1' && next <= '9') {
            parts.push_back({ReplacePart::kGroup, "", static_cast<uint32_t>(next - '0')});
          } else {
            AddLiteral(parts, std::string_view(&next, 1));
          }
      }
      continue;
    }
    if (c == '$' && i + 1 < s.size()) {
      char next = s[i + 1];
      if (next == '&') {
        parts.push_back({ReplacePart::kGroup, "", 0});
        i += 2;
        continue;
      }
      if (next == '`' || next == '\'') {
        parts.push_back({next == '`' ? ReplacePart::kPrematch : ReplacePart::kPostmatch, "", 0});
        i += 2;
        continue;
      }
      size_t j = i + 1;
      bool braced = next == '{';
      if (braced) ++j;
      size_t digitsStart = j;
      uint32_t n = 0;
      while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])) && j - digitsStart < 6) {
        n = n * 10 + static_cast<uint32_t>(s[j] - '0');
        ++j;
      }
      bool ok = j > digitsStart && (!braced || (j < s.size() && s[j] == '}'));
      if (ok) {
        parts.push_back({ReplacePart::kGroup, "", n});
        i = braced ? j + 1 : j;
        continue;
      }
    }
    AddLiteral(parts, std::string_view(&c, 1));
    ++i;
  }
  throw EBRegExpError("missing closing delimiter in substitution");
}

pcre2_code* CompileExpression(const std::string& expr, uint32_t options) {
  int error = 0;
  PCRE2_SIZE offset = 0;
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expr.data()), expr.size(),
                                   options | PCRE2_NEVER_UTF | PCRE2_NEVER_UCP, &error, &offset, nullptr);
  if (!code) throw EBRegExpError(EngineMessage(error));
  pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);  // a pattern the JIT refuses still runs interpreted
  return code;
}

// Parses "/re/flags" (or "m" and any punctuation delimiter) and
// "s/re/repl/flags" and compiles the expression.
std::unique_ptr<Compiled> Parse(std::string_view pattern, bool substitution) {
  size_t i = 0;
  if (substitution) {
    if (pattern.empty() || pattern[0] != 's') throw EBRegExpError("substitution must start with s");
    i = 1;
  } else if (!pattern.empty() && pattern[0] == 'm') {
    i = 1;
  }
  if (i >= pattern.size()) throw EBRegExpError("missing delimiter in regular expression");
  char delim = pattern[i];
  unsigned char d = static_cast<unsigned char>(delim);
  if (d >= 0x80 || std::isalnum(d) || std::isspace(d) || delim == '\\' || (!substitution && i == 0 && delim != '/'))
    throw EBRegExpError("missing delimiter in regular expression");

  auto compiled = std::make_unique<Compiled>();
  std::string expr;
  i = ReadExpression(pattern, i + 1, delim, expr);
  if (substitution) i = ReadReplacement(pattern, i, delim, compiled->replacement);

  uint32_t options = 0;
  for (; i < pattern.size(); ++i) {
    switch (pattern[i]) {
      case 'g': compiled->global = true; break;
      case 'i': options |= PCRE2_CASELESS; break;
      case 'm': options |= PCRE2_MULTILINE; break;
      case 's': options |= PCRE2_DOTALL; break;
      case 'x': options |= PCRE2_EXTENDED; break;
      case 'k':  // double-byte characters are always kept whole
      case 'o':  // every pattern is compiled once anyway
        break;
      default:
        throw EBRegExpError("unknown regular expression option: " + std::string(1, pattern[i]));
    }
  }
  compiled->code = CompileExpression(expr, options);
  compiled->data = pcre2_match_data_create_from_pattern(compiled->code, nullptr);
  pcre2_pattern_info(compiled->code, PCRE2_INFO_CAPTURECOUNT, &compiled->captures);
  if (!substitution && expr == "^" && !(options & PCRE2_MULTILINE)) {
    compiled->splitCode = CompileExpression(expr, options | PCRE2_MULTILINE);
    compiled->splitData = pcre2_match_data_create_from_pattern(compiled->splitCode, nullptr);
  }
  return compiled;
}

// Runs one search of a compiled expression over a text, never accepting a
// match that begins on the trail byte of a double-byte character.
class Searcher {
 public:
  Searcher(pcre2_code* code, pcre2_match_data* data, std::string_view text, size_t boundary)
      : code_(code), data_(data), text_(text), boundary_(boundary), ov_(pcre2_get_ovector_pointer(data)) {}

  // Finds the leftmost match starting at or after start; with notEmptyAtStart
  // an empty match at start itself is refused. Returns the number of pairs
  // set, 0 for no match.
  int Find(size_t start, bool notEmptyAtStart) {
    uint32_t options = notEmptyAtStart ? PCRE2_NOTEMPTY_ATSTART : 0;
    while (start <= text_.size()) {
      int rc = Run(start, options);
      if (rc <= 0) return 0;
      size_t m = ov_[0];
      while (boundary_ < m) boundary_ += CharLength(text_, boundary_);
      if (boundary_ == m) return rc;
      start = boundary_;
      options = 0;
    }
    return 0;
  }

  size_t Start(uint32_t g) const { return ov_[2 * g]; }
  size_t End(uint32_t g) const { return ov_[2 * g + 1]; }
  bool IsSet(int rc, uint32_t g) const {
    return static_cast<int>(g) < rc && ov_[2 * g] != PCRE2_UNSET && ov_[2 * g] <= ov_[2 * g + 1];
  }
  std::string_view Group(int rc, uint32_t g) const {
    if (!IsSet(rc, g)) return {};
    return text_.substr(Start(g), End(g) - Start(g));
  }

 private:
  int Run(size_t start, uint32_t options) {
    static const char empty = 0;
    PCRE2_SPTR subject = reinterpret_cast<PCRE2_SPTR>(text_.data() ? text_.data() : &empty);
    int rc = pcre2_match(code_, subject, text_.size(), start, options, data_, nullptr);
    if (rc == PCRE2_ERROR_JIT_STACKLIMIT)
      rc = pcre2_match(code_, subject, text_.size(), start, options | PCRE2_NO_JIT, data_, nullptr);
    if (rc == PCRE2_ERROR_NOMATCH) return 0;
    if (rc < 0) throw EBRegExpError(EngineMessage(rc));
    if (rc == 0) throw EBRegExpError("too many groups in regular expression");
    return rc;
  }

  pcre2_code* code_;
  pcre2_match_data* data_;
  std::string_view text_;
  size_t boundary_;
  PCRE2_SIZE* ov_;
};

}  // namespace

TBRegExp::TBRegExp() = default;
TBRegExp::~TBRegExp() = default;

void TBRegExp::ResetState() {
  mode_ = kNone;
  groups_.clear();
  pieces_.clear();
  matchStart_ = matchEnd_ = 0;
}

void TBRegExp::SetNoMatch() {
  ResetState();
  mode_ = kMatched;
}

Compiled& TBRegExp::Compile(std::string_view pattern, bool substitution) {
  std::string key;
  key.reserve(pattern.size() + 1);
  key += substitution ? 's' : 'm';
  key.append(pattern);
  auto it = cache_.find(key);
  if (it != cache_.end()) return *it->second;
  auto compiled = Parse(pattern, substitution);
  if (cache_.size() >= kMaxCachedPatterns) cache_.clear();
  return *cache_.emplace(std::move(key), std::move(compiled)).first->second;
}

bool TBRegExp::Match(std::string_view pattern, std::string_view text, size_t start) {
  ResetState();
  Compiled& c = Compile(pattern, false);
  mode_ = kMatched;
  if (start > text.size()) return false;
  Searcher search(c.code, c.data, text, start);
  int rc = search.Find(start, false);
  if (rc == 0) return false;
  for (uint32_t g = 0; g <= c.captures; ++g) groups_.emplace_back(search.Group(rc, g));
  matchStart_ = search.Start(0);
  matchEnd_ = search.End(0);
  return true;
}

bool TBRegExp::Substitute(std::string_view pattern, std::string& text) {
  ResetState();
  Compiled& c = Compile(pattern, true);
  Searcher search(c.code, c.data, text, 0);
  std::string out;
  size_t copied = 0;
  size_t start = 0;
  bool lastEmpty = false;
  int made = 0;
  while (start <= text.size()) {
    int rc = search.Find(start, lastEmpty);
    if (rc == 0) break;
    size_t ms = search.Start(0), me = search.End(0);
    out.append(text, copied, ms - copied);
    for (const ReplacePart& part : c.replacement) {
      switch (part.kind) {
        case ReplacePart::kLiteral: out += part.text; break;
        case ReplacePart::kGroup: out += search.Group(rc, part.group); break;
        case ReplacePart::kPrematch: out.append(text, 0, ms); break;
        case ReplacePart::kPostmatch: out.append(text, me, std::string::npos); break;
      }
    }
    copied = me;
    ++made;
    if (!c.global) break;
    lastEmpty = ms == me;
    start = me;
  }
  if (made == 0) return false;
  out.append(text, copied, std::string::npos);
  text = std::move(out);
  return true;
}

int TBRegExp::Split(std::string_view pattern, std::string_view text, int limit) {
  ResetState();
  Compiled& c = Compile(pattern, false);
  mode_ = kSplit;
  if (text.empty()) return 0;
  Searcher search(c.splitCode ? c.splitCode : c.code, c.splitCode ? c.splitData : c.data, text, 0);
  size_t s = 0;
  int fields = 0;
  // Each search must end past the start of the current piece, so an empty
  // match never makes an empty piece (and none at the very start).
  while (s < text.size() && (limit <= 0 || fields < limit - 1)) {
    int rc = search.Find(s, true);
    if (rc == 0) break;
    size_t ms = search.Start(0), me = search.End(0);
    if (me <= s) break;
    pieces_.emplace_back(text.substr(s, ms - s));
    ++fields;
    for (uint32_t g = 1; g <= c.captures; ++g) pieces_.emplace_back(search.Group(rc, g));
    s = me;
  }
  if (s < text.size() || (!pieces_.empty() && limit != 0)) {
    pieces_.emplace_back(text.substr(s));
  } else if (limit == 0) {
    while (!pieces_.empty() && pieces_.back().empty()) pieces_.pop_back();
  }
  return static_cast<int>(pieces_.size());
}

int TBRegExp::Count() const {
  switch (mode_) {
    case kMatched: {
      int n = 0;
      while (n < static_cast<int>(groups_.size()) && !groups_[n].empty()) ++n;
      return n;
    }
    case kSplit:
      return static_cast<int>(pieces_.size());
    default:
      throw EBRegExpError("no count now");
  }
}

std::string TBRegExp::Get(int i) const {
  switch (mode_) {
    case kMatched:
      if (i < 0 || i >= static_cast<int>(groups_.size())) throw EBRegExpError("index out of range");
      for (int j = 0; j < i; ++j)
        if (groups_[j].empty()) throw EBRegExpError("index out of range");
      return groups_[i];
    case kSplit:
      if (i < 0 || i >= static_cast<int>(pieces_.size())) throw EBRegExpError("index out of range");
      return pieces_[i];
    default:
      throw EBRegExpError("no strings now");
  }
}

bool TBRegExp2::Match(std::string_view pattern, std::string_view text, size_t start) {
  if (text.empty()) {
    SetNoMatch();
    return false;
  }
  return TBRegExp::Match(pattern, text, start);
}

bool TBRegExp2::Substitute(std::string_view pattern, std::string& text) {
  if (text.empty()) return false;
  return TBRegExp::Substitute(pattern, text);
}

std::string BRegExpQuote(std::string_view text, bool ignoreCase) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() * 4);
  auto appendHex = [&](unsigned char b) {
    out += "\\x";
    out += hex[b >> 4];
    out += hex[b & 15];
  };
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (PairAt(text, i)) {
      appendHex(b);
      appendHex(static_cast<unsigned char>(text[++i]));
    } else if (ignoreCase && std::isalpha(b) && b < 0x80) {
      out += '[';
      out += static_cast<char>(std::toupper(b));
      out += static_cast<char>(std::tolower(b));
      out += ']';
    } else if (b < 0x80 && std::isalnum(b)) {
      out += static_cast<char>(b);
    } else {
      appendHex(b);
    }
  }
  return out;
}

TBRegExp& MarkupRegExp() {
  static TBRegExp instance;
  return instance;
}

TBRegExp& GeneralRegExp() {
  static TBRegExp instance;
  return instance;
}

}  // namespace ruvel
