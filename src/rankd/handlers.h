// The server's routes as plain data in, plain data out, so that the HTTP
// transport (rankd/http_server.h) stays thin:
//   GET /g/NAME/submit?...&ID=n  checks and stores a submission, answers the board
//   GET /g/NAME/                 the board (top kBoardTop, paged; ?board=B&page=P)
//   GET /g/NAME/top.json         ?board=B&limit=N as JSON
//   GET /healthz                 "ok" while the database answers
// Refusals are short pages: 400 bad or oversized parameters, 403 a wrong
// ID or a banned name, 404 an unknown game or route, 429 over the rate of
// the client's address, 503 the database is unreachable.
#pragma once
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "rankd/rate_limiter.h"
#include "rankd/store.h"

namespace ruvel::rankd {

struct THttpRequest {
  std::string path;    // as sent, without the query
  std::string query;   // after '?', still percent-encoded
  std::string client;  // the client's address
  int64_t nowMs = 0;
};

struct THttpResponse {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;
};

struct TServeLimits {
  int submitsPerMinute;
  int readsPerMinute;
};

class THandlers {
 public:
  THandlers(TStore& store, const TServeLimits& limits);
  THttpResponse Handle(const THttpRequest& request);

 private:
  THttpResponse Submit(const TGame& game, const THttpRequest& request);
  THttpResponse Board(const TGame& game, const THttpRequest& request);
  THttpResponse Top(const TGame& game, const THttpRequest& request);

  // The registered game, kept for kGameCacheMs so that a request does not
  // read it again; `game add` reaches a running server within that time.
  std::optional<TGame> FindGame(const std::string& name, int64_t nowMs);

  TStore& store_;
  std::mutex gamesMutex_;
  std::map<std::string, std::pair<TGame, int64_t>> games_;  // with the time it was read
  TRateLimiter submits_;
  TRateLimiter reads_;
};

}  // namespace ruvel::rankd
