// Perl-style regular expressions over CP932 text: match ("/re/flags"),
// substitution ("s/re/repl/flags") and split, with the wrapper state
// (mode, groups, pieces) that count and get read afterwards.
//
// Patterns run on PCRE2 in 8-bit byte mode; a double-byte CP932 character
// in a pattern or a replacement is taken as one literal character, so its
// trail byte (which may be '\\', '[', '|'...) never acts as syntax.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/error.h"

namespace ruvel {

// A malformed pattern, a failed match run, or count/get at the wrong time.
class EBRegExpError : public EVMError {
 public:
  using EVMError::EVMError;
};

namespace regexp_detail {
struct Compiled;
}

class TBRegExp {
 public:
  enum Mode { kNone = 0, kMatched = 1, kSplit = 2 };

  TBRegExp();
  virtual ~TBRegExp();
  TBRegExp(const TBRegExp&) = delete;
  TBRegExp& operator=(const TBRegExp&) = delete;

  // Searches text from byte offset start (anchors still see the whole text).
  // Afterwards mode is kMatched and count/get read the groups.
  virtual bool Match(std::string_view pattern, std::string_view text, size_t start = 0);
  // Applies "s/re/repl/flags" ("g" for every match). When a substitution
  // was made, text is replaced by the result and true is returned.
  virtual bool Substitute(std::string_view pattern, std::string& text);
  // Splits text as Perl's split does: a positive-width match at the start
  // gives a leading empty piece, trailing empty pieces are dropped when
  // limit is 0, limit > 0 gives at most limit pieces (the last one holds
  // the rest), limit < 0 keeps trailing empty pieces. Groups in the
  // pattern add their captures as pieces. Returns the number of pieces.
  int Split(std::string_view pattern, std::string_view text, int limit = 0);

  // After a match: the number of consecutive non-empty groups from group 0.
  // After a split: the number of pieces. Otherwise raises "no count now".
  int Count() const;
  // After a match: the text of group i ("index out of range" when a group
  // before i is empty or i is not a group). After a split: piece i.
  // Otherwise raises "no strings now".
  std::string Get(int i) const;

  Mode GetMode() const { return mode_; }
  // Byte offsets of the last whole match within the text given to Match.
  size_t MatchStart() const { return matchStart_; }
  size_t MatchEnd() const { return matchEnd_; }
  // The pieces of the last split.
  const std::vector<std::string>& Pieces() const { return pieces_; }

  // Number of compiled patterns kept for reuse.
  size_t CachedPatterns() const { return cache_.size(); }

 protected:
  // Clears the state a previous call left, as every call does first.
  void ResetState();
  // Records the outcome of a match that was decided without the engine.
  void SetNoMatch();

 private:
  regexp_detail::Compiled& Compile(std::string_view pattern, bool substitution);

  std::unordered_map<std::string, std::unique_ptr<regexp_detail::Compiled>> cache_;
  Mode mode_ = kNone;
  // The text of every group of the last match (unset groups are empty).
  std::vector<std::string> groups_;
  size_t matchStart_ = 0;
  size_t matchEnd_ = 0;
  std::vector<std::string> pieces_;
};

// Matching an empty text is false and substituting in an empty text does
// nothing, without running the engine.
class TBRegExp2 : public TBRegExp {
 public:
  bool Match(std::string_view pattern, std::string_view text, size_t start = 0) override;
  bool Substitute(std::string_view pattern, std::string& text) override;
};

// Returns a pattern fragment that matches text literally, byte for byte,
// and is safe between "/" delimiters. With ignoreCase, ASCII letters outside
// double-byte characters match either case (a trail byte never does).
std::string BRegExpQuote(std::string_view text, bool ignoreCase = false);

// The program's shared wrappers, owned here: one for reading and escaping
// markup, one for names, string splitting and script file names.
TBRegExp& MarkupRegExp();
TBRegExp& GeneralRegExp();

}  // namespace ruvel
