// The limits the ranking server puts on what it accepts; docs/ranking.md
// lists them for game makers. A request over one of them is answered 400
// (429 for the rates) and stores nothing.
#pragma once
#include <cstddef>

namespace ruvel::rankd {

// The query of one address, as sent (percent-encoded).
constexpr size_t kMaxQueryBytes = 4096;
// Parameters of one address, ID and board included.
constexpr size_t kMaxParams = 16;
// One decoded parameter name, and one decoded value.
constexpr size_t kMaxParamNameBytes = 64;
constexpr size_t kMaxParamValueBytes = 512;
// The player's name as stored (UTF-8 bytes), and a board name.
constexpr size_t kMaxPlayerNameBytes = 64;
constexpr size_t kMaxBoardNameBytes = 32;
// A game's registered name.
constexpr size_t kMaxGameNameBytes = 64;
// A score is a number no larger than this in magnitude.
constexpr double kMaxScoreMagnitude = 1e15;
// The board page shows the top kBoardTop entries, kBoardPageSize a page;
// top.json gives at most kBoardTop.
constexpr int kBoardTop = 100;
constexpr int kBoardPageSize = 25;
// The same submission again within this time is stored once.
constexpr long long kDuplicateWindowMs = 60 * 1000;
// How long a server keeps a game's registration before reading it again.
constexpr long long kGameCacheMs = 5 * 1000;
// Requests per minute from one client address, unless set otherwise.
constexpr int kDefaultSubmitsPerMinute = 10;
constexpr int kDefaultReadsPerMinute = 120;

}  // namespace ruvel::rankd
