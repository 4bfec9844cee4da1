// The HTML pages the server answers: a game's board (the new entry marked
// with its rank after a submission) and the short page of a refusal.
// Every text that came from a player or a game maker is escaped.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rankd/store.h"

namespace ruvel::rankd {

std::string HtmlEscape(std::string_view text);

// A score as text: an integer without a fraction, else the shortest form.
std::string ScoreText(double score);
// Milliseconds since 1970 as "2026-12-08T07:13:03Z".
std::string TimeText(int64_t ms);

struct TBoardView {
  std::string game;
  std::string board;  // empty for the default board
  std::vector<TEntry> entries;
  int page = 1;       // 1-based
  int pageCount = 1;
  std::optional<TEntry> submitted;  // the entry just sent, when there is one
  bool duplicate = false;           // it had been stored already
};

std::string BoardPage(const TBoardView& view);

// A short page for a status other than 200: its title and one line.
std::string ErrorPage(int status, std::string_view detail);

}  // namespace ruvel::rankd
