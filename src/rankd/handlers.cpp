#include "rankd/handlers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "rankd/html_pages.h"
#include "rankd/limits.h"
#include "rankd/query.h"
#include "rankd/submission_id.h"
#include "rankd/top_json.h"

namespace ruvel::rankd {

namespace {

// A refusal found by a helper, answered as a short page.
struct TRefusal {
  int status;
  std::string detail;
};

THttpResponse Page(int status, const std::string& detail) { return {status, "text/html; charset=utf-8", ErrorPage(status, detail)}; }

// A whole decimal number within [low, high]; nothing else.
bool ParseInt(const std::string& text, int low, int high, int& out) {
  if (text.empty() || text.size() > 6 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  out = std::atoi(text.c_str());
  return out >= low && out <= high;
}

// A score as the game writes numbers: decimal, optionally signed and with
// a fraction or exponent; finite and within kMaxScoreMagnitude.
bool ParseScore(const std::string& text, double& out) {
  if (text.empty() || text.size() > 32) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E')) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtod(text.c_str(), &end);
  return errno == 0 && end == text.c_str() + text.size() && std::isfinite(out) && std::fabs(out) <= kMaxScoreMagnitude;
}

std::string BoardOf(const TQueryParams& params) {
  const std::string* board = FindParam(params, "board");
  if (!board) return std::string();
  if (board->size() > kMaxBoardNameBytes) throw TRefusal{400, "board is longer than " + std::to_string(kMaxBoardNameBytes) + " bytes"};
  return *board;
}

}  // namespace

THandlers::THandlers(TStore& store, const TServeLimits& limits)
    : store_(store), submits_(limits.submitsPerMinute), reads_(limits.readsPerMinute) {}

THttpResponse THandlers::Handle(const THttpRequest& request) {
  try {
    const std::string& path = request.path;
    if (path == "/healthz") {
      if (store_.Ping()) return {200, "text/plain; charset=utf-8", "ok\n"};
      return {503, "text/plain; charset=utf-8", "database unreachable\n"};
    }
    // /g/NAME/ROUTE with ROUTE one of "", "submit", "top.json".
    if (path.rfind("/g/", 0) != 0) return Page(404, "no such page");
    size_t slash = path.find('/', 3);
    std::string name = path.substr(3, slash == std::string::npos ? std::string::npos : slash - 3);
    std::string route = slash == std::string::npos ? "" : path.substr(slash + 1);
    if (route != "" && route != "submit" && route != "top.json") return Page(404, "no such page");
    bool submit = route == "submit";
    if (!(submit ? submits_ : reads_).Allow(request.client, request.nowMs))
      return Page(429, "too many requests from this address; try again in a minute");
    if (name.empty() || name.size() > kMaxGameNameBytes) return Page(404, "no such game");
    std::optional<TGame> game = FindGame(name, request.nowMs);
    if (!game) return Page(404, "no such game: " + name);
    if (submit) return Submit(*game, request);
    if (route == "top.json") return Top(*game, request);
    return Board(*game, request);
  } catch (const TRefusal& r) {
    return Page(r.status, r.detail);
  } catch (const TBadQuery& e) {
    return Page(400, e.what());
  } catch (const TStoreUnavailable& e) {
    return Page(503, "the ranking database is not reachable now; please try again later");
  }
}

std::optional<TGame> THandlers::FindGame(const std::string& name, int64_t nowMs) {
  {
    std::lock_guard<std::mutex> lock(gamesMutex_);
    auto it = games_.find(name);
    if (it != games_.end() && nowMs - it->second.second < kGameCacheMs) return it->second.first;
  }
  std::optional<TGame> game = store_.FindGame(name);
  std::lock_guard<std::mutex> lock(gamesMutex_);
  if (game)
    games_[name] = {*game, nowMs};
  else
    games_.erase(name);
  return game;
}

THttpResponse THandlers::Submit(const TGame& game, const THttpRequest& request) {
  TQueryParams params = ParseQuery(request.query);
  const std::string* name = FindParam(params, game.nameParam);
  const std::string* scoreText = FindParam(params, game.scoreParam);
  if (!name || name->empty()) return Page(400, "the parameter " + game.nameParam + " is missing");
  if (name->size() > kMaxPlayerNameBytes)
    return Page(400, "the parameter " + game.nameParam + " is longer than " + std::to_string(kMaxPlayerNameBytes) + " bytes");
  if (!scoreText) return Page(400, "the parameter " + game.scoreParam + " is missing");
  double score = 0;
  if (!ParseScore(*scoreText, score)) return Page(400, "the parameter " + game.scoreParam + " is not a number of at most 1e15");
  std::string board = BoardOf(params);
  if (!FindParam(params, "ID")) return Page(400, "the parameter ID is missing");
  if (!SubmissionIdMatches(params, game.projectIntegrity, game.kernelIntegrity))
    return Page(403, "the ID does not match this game's files");

  TNewEntry entry{game.name, board, *name, score, request.client, request.nowMs};
  TStoredEntry stored = store_.AddEntry(entry, game.descending, kBoardPageSize, kBoardTop);
  if (stored.banned) return Page(403, "this name may not submit");
  TBoardView view;
  view.game = game.name;
  view.board = board;
  view.entries = std::move(stored.firstPage.entries);
  int64_t shown = stored.firstPage.shown;
  view.pageCount = std::max<int>(1, static_cast<int>((shown + kBoardPageSize - 1) / kBoardPageSize));
  view.submitted = stored.entry;
  view.duplicate = stored.duplicate;
  return {200, "text/html; charset=utf-8", BoardPage(view)};
}

THttpResponse THandlers::Board(const TGame& game, const THttpRequest& request) {
  TQueryParams params = ParseQuery(request.query);
  std::string board = BoardOf(params);
  TBoardView view;
  view.game = game.name;
  view.board = board;
  if (const std::string* page = FindParam(params, "page")) {
    if (!ParseInt(*page, 1, kBoardTop / kBoardPageSize, view.page))
      return Page(400, "page is a number from 1 to " + std::to_string(kBoardTop / kBoardPageSize));
  }
  TBoardPage page =
      store_.Page(game.name, board, game.descending, (view.page - 1) * kBoardPageSize, kBoardPageSize, kBoardTop);
  view.entries = std::move(page.entries);
  view.pageCount = std::max<int>(1, static_cast<int>((page.shown + kBoardPageSize - 1) / kBoardPageSize));
  return {200, "text/html; charset=utf-8", BoardPage(view)};
}

THttpResponse THandlers::Top(const TGame& game, const THttpRequest& request) {
  TQueryParams params = ParseQuery(request.query);
  std::string board = BoardOf(params);
  int limit = 10;
  if (const std::string* text = FindParam(params, "limit")) {
    if (!ParseInt(*text, 1, kBoardTop, limit)) return Page(400, "limit is a number from 1 to " + std::to_string(kBoardTop));
  }
  return {200, "application/json", TopJson(store_.Top(game.name, board, game.descending, 0, limit))};
}

}  // namespace ruvel::rankd
