#include "rankd/sql_store.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "rankd/limits.h"
#include "rankd/migrations.h"
#include "rankd/score_bucket.h"

namespace ruvel::rankd {

namespace {

// Every statement the store runs; '?' marks a bound value.
constexpr const char* kSelectVersion = "SELECT COALESCE(MAX(version), 0) FROM schema_version";
constexpr const char* kInsertVersion = "INSERT INTO schema_version (version) VALUES (?)";
constexpr const char* kPutGame =
    "INSERT INTO games (name, project_integrity, kernel_integrity, score_param, name_param, descending, created_ms) "
    "VALUES (?, ?, ?, ?, ?, ?, ?) ON CONFLICT (name) DO UPDATE SET project_integrity = excluded.project_integrity, "
    "kernel_integrity = excluded.kernel_integrity, score_param = excluded.score_param, "
    "name_param = excluded.name_param, descending = excluded.descending";
constexpr const char* kFindGame =
    "SELECT name, project_integrity, kernel_integrity, score_param, name_param, descending FROM games WHERE name = ?";
constexpr const char* kListGames =
    "SELECT name, project_integrity, kernel_integrity, score_param, name_param, descending FROM games ORDER BY name";
constexpr const char* kFindRecent =
    "SELECT id, created_ms FROM entries WHERE game = ? AND board = ? AND name = ? AND created_ms > ? "
    "AND score = ? AND client = ? ORDER BY id LIMIT 1";
// A copy already stored in the same minute conflicts on once_key.
constexpr const char* kInsertEntry =
    "INSERT INTO entries (game, board, name, score, client, created_ms, once_key) VALUES (?, ?, ?, ?, ?, ?, ?) "
    "ON CONFLICT (once_key) DO NOTHING RETURNING id";
constexpr const char* kFindOnce = "SELECT id, created_ms FROM entries WHERE once_key = ? ORDER BY id LIMIT 1";
// PostgreSQL stores a submission in one statement: the ban check, the
// look-up of the same submission within the minute, the insert unless
// either found something (or a copy committed meanwhile holds the same
// once_key), the board count of its bucket, and the rank, as the row
// (kind 0, id, '', 0, created_ms, banned, inserted, better). $1..$5 game, board, name,
// score, client; $6 the time, $7 the start of the duplicate window, $8
// the once_key, $9 the score's bucket, $10 the other end of the better
// scores within the bucket, $11 the page size, $12 the count limit.
#define RANKD_ADD_ENTRY_POSTGRES(BETTER_BUCKETS, BETTER_IN_BUCKET, BETTER, ORDER)                                         \
  "WITH banned AS (SELECT EXISTS (SELECT 1 FROM bans WHERE name = $3::text) AS yes), "                              \
  "recent AS (SELECT id, created_ms FROM entries WHERE game = $1::text AND board = $2::text AND name = $3::text "   \
  "AND created_ms > $7::bigint AND score = $4::float8 AND client = $5::text ORDER BY id LIMIT 1), "                \
  "added AS (INSERT INTO entries (game, board, name, score, client, created_ms, once_key) "                         \
  "SELECT $1::text, $2::text, $3::text, $4::float8, $5::text, $6::bigint, $8::bigint "                              \
  "WHERE NOT (SELECT yes FROM banned) AND NOT EXISTS (SELECT 1 FROM recent) "                                      \
  "ON CONFLICT (once_key) DO NOTHING RETURNING id, created_ms), "                                                   \
  "counted AS (INSERT INTO board_counts (game, board, bucket, n) SELECT $1::text, $2::text, $9::bigint, 1 "         \
  "FROM added ON CONFLICT (game, board, bucket) DO UPDATE SET n = board_counts.n + 1) "                            \
  "SELECT 0, COALESCE((SELECT id FROM added), (SELECT id FROM recent), 0)::bigint, ''::text, 0::float8, "         \
  "COALESCE((SELECT created_ms FROM added), (SELECT created_ms FROM recent), 0)::bigint, "                         \
  "(SELECT yes FROM banned)::int, (SELECT COUNT(*) FROM added), ((SELECT COALESCE(SUM(n), 0) FROM board_counts WHERE game = $1::text AND board = $2::text "                      \
  "AND " BETTER_BUCKETS ") + (SELECT COUNT(*) FROM entries WHERE game = $1::text AND board = $2::text "             \
  "AND " BETTER_IN_BUCKET ") - (SELECT COALESCE(SUM((SELECT COUNT(*) FROM entries WHERE game = $1::text "        \
  "AND board = $2::text AND name = bans.name AND score " BETTER " $4::float8)), 0) FROM bans)"                      \
  ADD_ENTRY_FIRST_PAGE(ORDER)
// Then, as further rows, the count of the board's shown entries (kind 1,
// up to $12) and its first page of $11 entries (kind 2), both as they were
// before the insert: the statement does not see its own row.
#define ADD_ENTRY_FIRST_PAGE(ORDER)                                                                                \
  ")::bigint UNION ALL SELECT 1, 0, '', 0, 0, 0, 0, (SELECT COUNT(*) FROM (SELECT 1 FROM entries "                 \
  "WHERE game = $1::text AND board = $2::text AND name NOT IN (SELECT name FROM bans) LIMIT $12::bigint) AS shown) " \
  "UNION ALL (SELECT 2, id, name, score, created_ms, 0, 0, 0 FROM entries WHERE game = $1::text "                  \
  "AND board = $2::text AND name NOT IN (SELECT name FROM bans) ORDER BY score " ORDER ", id LIMIT $11::bigint)"
constexpr const char* kAddEntryPostgresDescending = RANKD_ADD_ENTRY_POSTGRES(
    "bucket > $9::bigint", "score > $4::float8 AND score < $10::float8", ">", "DESC");
constexpr const char* kAddEntryPostgresAscending = RANKD_ADD_ENTRY_POSTGRES(
    "bucket < $9::bigint", "score >= $10::float8 AND score < $4::float8", "<", "ASC");
#undef ADD_ENTRY_FIRST_PAGE
#undef RANKD_ADD_ENTRY_POSTGRES
// The rank sums the counts of the better score buckets, counts the better
// entries of its own bucket from the board index, then takes away the
// banned names' better entries, looked up name by name (the ban list is
// short; a join would read every better entry). Values: game, board,
// bucket, game, board, the in-bucket range, game, board, score.
constexpr const char* kCountHigher =
    "SELECT (SELECT COALESCE(SUM(n), 0) FROM board_counts WHERE game = ? AND board = ? AND bucket > ?) + "
    "(SELECT COUNT(*) FROM entries WHERE game = ? AND board = ? AND score > ? AND score < ?) - "
    "(SELECT COALESCE(SUM((SELECT COUNT(*) FROM entries WHERE game = ? AND board = ? AND name = bans.name "
    "AND score > ?)), 0) FROM bans)";
constexpr const char* kCountLower =
    "SELECT (SELECT COALESCE(SUM(n), 0) FROM board_counts WHERE game = ? AND board = ? AND bucket < ?) + "
    "(SELECT COUNT(*) FROM entries WHERE game = ? AND board = ? AND score >= ? AND score < ?) - "
    "(SELECT COALESCE(SUM((SELECT COUNT(*) FROM entries WHERE game = ? AND board = ? AND name = bans.name "
    "AND score < ?)), 0) FROM bans)";
// Adds n (negative to take away) to the count of a board's bucket.
constexpr const char* kCountAdd =
    "INSERT INTO board_counts (game, board, bucket, n) VALUES (?, ?, ?, ?) "
    "ON CONFLICT (game, board, bucket) DO UPDATE SET n = board_counts.n + excluded.n";
constexpr const char* kScoresCounted = "SELECT game, board, score, COUNT(*) FROM entries GROUP BY game, board, score";
constexpr const char* kTopDescending =
    "SELECT id, name, score, created_ms FROM entries WHERE game = ? AND board = ? "
    "AND name NOT IN (SELECT name FROM bans) ORDER BY score DESC, id LIMIT ? OFFSET ?";
constexpr const char* kTopAscending =
    "SELECT id, name, score, created_ms FROM entries WHERE game = ? AND board = ? "
    "AND name NOT IN (SELECT name FROM bans) ORDER BY score ASC, id LIMIT ? OFFSET ?";
// A page of the board with the count of its shown entries (up to the
// last value) in the last column: the count is one sub-query, run once.
#define RANKD_PAGE(ORDER)                                                                                  \
  "SELECT id, name, score, created_ms, (SELECT COUNT(*) FROM (SELECT 1 FROM entries WHERE game = ? "        \
  "AND board = ? AND name NOT IN (SELECT name FROM bans) LIMIT ?) AS shown) FROM entries WHERE game = ? "   \
  "AND board = ? AND name NOT IN (SELECT name FROM bans) ORDER BY score " ORDER ", id LIMIT ? OFFSET ?"
constexpr const char* kPageDescending = RANKD_PAGE("DESC");
constexpr const char* kPageAscending = RANKD_PAGE("ASC");
#undef RANKD_PAGE
constexpr const char* kCountBoard =
    "SELECT COUNT(*) FROM (SELECT 1 FROM entries WHERE game = ? AND board = ? "
    "AND name NOT IN (SELECT name FROM bans) LIMIT ?) AS shown";
constexpr const char* kDeleteEntry = "DELETE FROM entries WHERE id = ? RETURNING game, board, score";
constexpr const char* kBan = "INSERT INTO bans (name, created_ms) VALUES (?, ?) ON CONFLICT (name) DO NOTHING";
constexpr const char* kIsBanned = "SELECT 1 FROM bans WHERE name = ?";
constexpr const char* kPing = "SELECT 1";

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t Int(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 10); }

// The key that makes a submission unique within its minute: a 64-bit
// FNV-1a digest of what makes it the same submission and of the minute.
// Copies sent across a minute's turn are caught by the window look-up.
int64_t OnceKey(const TNewEntry& e) {
  char score[40];
  std::snprintf(score, sizeof score, "%.17g", e.score);
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](const std::string& text) {
    for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
    h = (h ^ 0xffu) * 1099511628211ull;  // a separator no UTF-8 text holds
  };
  mix(e.game);
  mix(e.board);
  mix(e.name);
  mix(score);
  mix(e.client);
  mix(std::to_string(e.timeMs / kDuplicateWindowMs));
  return static_cast<int64_t>(h);
}

// Entries from rows of (id, name, score, created_ms, ...), ranked from
// offset; firstRank gives the rank of the first row when offset > 0.
template <class FirstRank>
std::vector<TEntry> EntriesOf(const std::vector<TSqlRow>& rows, int offset, FirstRank firstRank) {
  std::vector<TEntry> entries;
  for (size_t i = 0; i < rows.size(); ++i) {
    TEntry e;
    e.id = Int(rows[i][0]);
    e.name = rows[i][1];
    e.score = std::strtod(rows[i][2].c_str(), nullptr);
    e.timeMs = Int(rows[i][3]);
    // Equal scores share the rank of the first of them.
    if (i > 0 && e.score == entries.back().score)
      e.rank = entries.back().rank;
    else if (i == 0 && offset > 0)
      e.rank = firstRank(e.score);
    else
      e.rank = offset + static_cast<int>(i) + 1;
    entries.push_back(std::move(e));
  }
  return entries;
}

TGame GameOf(const TSqlRow& row) {
  TGame g;
  g.name = row[0];
  g.projectIntegrity = static_cast<int32_t>(Int(row[1]));
  g.kernelIntegrity = static_cast<int32_t>(Int(row[2]));
  g.scoreParam = row[3];
  g.nameParam = row[4];
  g.descending = Int(row[5]) != 0;
  return g;
}

}  // namespace

TSqlStore::TSqlStore(TOpener opener, size_t poolSize) : opener_(std::move(opener)), poolSize_(poolSize) {}

std::unique_ptr<TSqlSession> TSqlStore::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  freed_.wait(lock, [&] { return !idle_.empty() || open_ < poolSize_; });
  if (!idle_.empty()) {
    std::unique_ptr<TSqlSession> s = std::move(idle_.back());
    idle_.pop_back();
    return s;
  }
  ++open_;
  lock.unlock();
  try {
    return opener_();
  } catch (...) {
    lock.lock();
    --open_;
    freed_.notify_one();
    throw;
  }
}

void TSqlStore::Give(std::unique_ptr<TSqlSession> session) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (session && session->Usable())
    idle_.push_back(std::move(session));
  else
    --open_;
  freed_.notify_one();
}

template <class F>
auto TSqlStore::With(F&& body) {
  std::unique_ptr<TSqlSession> s = Take();
  try {
    if constexpr (std::is_void_v<decltype(body(*s))>) {
      body(*s);
      Give(std::move(s));
    } else {
      auto result = body(*s);
      Give(std::move(s));
      return result;
    }
  } catch (...) {
    s->Rollback();
    Give(std::move(s));
    throw;
  }
}

void TSqlStore::Migrate() {
  With([](TSqlSession& s) {
    s.BeginWrite("schema");
    s.Execute(kSchemaVersionTable);
    int64_t version = Int(s.Query(kSelectVersion, {})[0][0]);
    s.Commit();
    for (const TMigration& m : Migrations()) {
      if (m.version <= version) continue;
      s.BeginWrite("schema");
      // Another process may have applied it meanwhile.
      if (Int(s.Query(kSelectVersion, {})[0][0]) >= m.version) {
        s.Commit();
        continue;
      }
      s.Execute(s.IsPostgres() && m.postgresSql ? m.postgresSql : m.sql);
      if (m.version == kBoardCountsVersion) {
        for (const TSqlRow& row : s.Query(kScoresCounted, {}))
          s.Query(kCountAdd, {row[0], row[1], ScoreBucket(std::strtod(row[2].c_str(), nullptr)), Int(row[3])});
      }
      s.Query(kInsertVersion, {int64_t{m.version}});
      s.Commit();
    }
  });
}

int TSqlStore::SchemaVersion() {
  return With([](TSqlSession& s) { return static_cast<int>(Int(s.Query(kSelectVersion, {})[0][0])); });
}

void TSqlStore::PutGame(const TGame& g) {
  With([&](TSqlSession& s) {
    s.Query(kPutGame, {g.name, int64_t{g.projectIntegrity}, int64_t{g.kernelIntegrity}, g.scoreParam, g.nameParam,
                       int64_t{g.descending ? 1 : 0}, NowMs()});
  });
}

std::optional<TGame> TSqlStore::FindGame(const std::string& name) {
  return With([&](TSqlSession& s) -> std::optional<TGame> {
    auto rows = s.Query(kFindGame, {name});
    if (rows.empty()) return std::nullopt;
    return GameOf(rows[0]);
  });
}

std::vector<TGame> TSqlStore::ListGames() {
  return With([&](TSqlSession& s) {
    std::vector<TGame> games;
    for (const TSqlRow& row : s.Query(kListGames, {})) games.push_back(GameOf(row));
    return games;
  });
}

int TSqlStore::RankOf(TSqlSession& s, const std::string& game, const std::string& board, double score,
                      bool descending) {
  int64_t bucket = ScoreBucket(score);
  std::vector<TSqlRow> rows =
      descending ? s.Query(kCountHigher, {game, board, bucket, game, board, score, BucketStart(bucket + 1), game,
                                          board, score})
                 : s.Query(kCountLower, {game, board, bucket, game, board, BucketStart(bucket), score, game, board,
                                         score});
  return static_cast<int>(Int(rows[0][0])) + 1;
}

TStoredEntry TSqlStore::AddEntry(const TNewEntry& e, bool descending, int pageSize, int64_t countLimit) {
  return With([&](TSqlSession& s) {
    TStoredEntry stored;
    stored.entry.name = e.name;
    stored.entry.score = e.score;
    int64_t onceKey = OnceKey(e);
    bool inserted = false;
    bool paged = false;
    if (s.IsPostgres()) {
      int64_t bucket = ScoreBucket(e.score);
      std::vector<TSqlRow> rows =
          s.Query(descending ? kAddEntryPostgresDescending : kAddEntryPostgresAscending,
                  {e.game, e.board, e.name, e.score, e.client, e.timeMs, e.timeMs - kDuplicateWindowMs, onceKey,
                   bucket, descending ? BucketStart(bucket + 1) : BucketStart(bucket), int64_t{pageSize},
                   countLimit});
      std::vector<TSqlRow> page;
      for (TSqlRow& row : rows) {
        int64_t kind = Int(row[0]);
        if (kind == 0) {
          stored.entry.id = Int(row[1]);
          stored.entry.timeMs = Int(row[4]);
          stored.banned = Int(row[5]) != 0;
          inserted = Int(row[6]) != 0;
          stored.entry.rank = static_cast<int>(Int(row[7])) + 1;
        } else if (kind == 1) {
          stored.firstPage.shown = Int(row[7]);
        } else {
          page.push_back({row[1], row[2], row[3], row[4]});
        }
      }
      auto better = [descending](double a, double b) { return descending ? a > b : a < b; };
      std::stable_sort(page.begin(), page.end(), [&](const TSqlRow& a, const TSqlRow& b) {
        double sa = std::strtod(a[2].c_str(), nullptr), sb = std::strtod(b[2].c_str(), nullptr);
        return better(sa, sb) || (sa == sb && Int(a[0]) < Int(b[0]));
      });
      if (inserted) {
        // The new entry goes after the better and equal ones (it came last).
        char score[40];
        std::snprintf(score, sizeof score, "%.17g", e.score);
        auto at = std::find_if(page.begin(), page.end(),
                               [&](const TSqlRow& r) { return better(e.score, std::strtod(r[2].c_str(), nullptr)); });
        page.insert(at, {std::to_string(stored.entry.id), e.name, score, std::to_string(stored.entry.timeMs)});
        if (page.size() > static_cast<size_t>(pageSize)) page.resize(static_cast<size_t>(pageSize));
        stored.firstPage.shown = std::min(countLimit, stored.firstPage.shown + 1);
      }
      stored.firstPage.entries = EntriesOf(page, 0, [](double) { return 1; });
      paged = true;
    } else {
      // The writers take turns, so the look-up and the insert see each
      // other's entries.
      s.BeginWrite(std::string());
      stored.banned = !s.Query(kIsBanned, {e.name}).empty();
      if (!stored.banned) {
        auto recent =
            s.Query(kFindRecent, {e.game, e.board, e.name, e.timeMs - kDuplicateWindowMs, e.score, e.client});
        if (!recent.empty()) {
          stored.entry.id = Int(recent[0][0]);
          stored.entry.timeMs = Int(recent[0][1]);
        } else {
          auto added = s.Query(kInsertEntry, {e.game, e.board, e.name, e.score, e.client, e.timeMs, onceKey});
          inserted = !added.empty();
          if (inserted) {
            stored.entry.id = Int(added[0][0]);
            s.Query(kCountAdd, {e.game, e.board, ScoreBucket(e.score), int64_t{1}});
          }
          stored.entry.timeMs = e.timeMs;
        }
      }
      s.Commit();
      if (!stored.banned) stored.entry.rank = RankOf(s, e.game, e.board, e.score, descending);
    }
    if (stored.banned) return TStoredEntry{stored.entry, false, true, {}};
    stored.duplicate = !inserted;
    if (stored.duplicate && stored.entry.id == 0) {
      // A copy committed while this one was on its way holds the key.
      auto copy = s.Query(kFindOnce, {onceKey});
      if (copy.empty()) throw TStoreError("a submission was neither stored nor found");
      stored.entry.id = Int(copy[0][0]);
      stored.entry.timeMs = Int(copy[0][1]);
      paged = false;  // the page was read before that copy was visible
    }
    if (!paged) stored.firstPage = PageOn(s, e.game, e.board, descending, 0, pageSize, countLimit);
    return stored;
  });
}

std::vector<TEntry> TSqlStore::Top(const std::string& game, const std::string& board, bool descending, int offset,
                                   int limit) {
  return With([&](TSqlSession& s) {
    auto rows =
        s.Query(descending ? kTopDescending : kTopAscending, {game, board, int64_t{limit}, int64_t{offset}});
    return EntriesOf(rows, offset, [&](double score) { return RankOf(s, game, board, score, descending); });
  });
}

TBoardPage TSqlStore::PageOn(TSqlSession& s, const std::string& game, const std::string& board, bool descending,
                             int offset, int limit, int64_t countLimit) {
  TBoardPage page;
  auto rows = s.Query(descending ? kPageDescending : kPageAscending,
                      {game, board, countLimit, game, board, int64_t{limit}, int64_t{offset}});
  page.entries = EntriesOf(rows, offset, [&](double score) { return RankOf(s, game, board, score, descending); });
  if (!rows.empty())
    page.shown = Int(rows[0][4]);
  else if (offset > 0)
    page.shown = Int(s.Query(kCountBoard, {game, board, countLimit})[0][0]);
  return page;
}

TBoardPage TSqlStore::Page(const std::string& game, const std::string& board, bool descending, int offset,
                           int limit, int64_t countLimit) {
  return With([&](TSqlSession& s) { return PageOn(s, game, board, descending, offset, limit, countLimit); });
}

bool TSqlStore::DeleteEntry(int64_t id) {
  return With([&](TSqlSession& s) {
    s.BeginWrite("delete");
    auto gone = s.Query(kDeleteEntry, {id});
    for (const TSqlRow& row : gone)
      s.Query(kCountAdd, {row[0], row[1], ScoreBucket(std::strtod(row[2].c_str(), nullptr)), int64_t{-1}});
    s.Commit();
    return !gone.empty();
  });
}

void TSqlStore::Ban(const std::string& name) {
  With([&](TSqlSession& s) { s.Query(kBan, {name, NowMs()}); });
}

bool TSqlStore::IsBanned(const std::string& name) {
  return With([&](TSqlSession& s) { return !s.Query(kIsBanned, {name}).empty(); });
}

bool TSqlStore::Ping() {
  try {
    return With([](TSqlSession& s) { return !s.Query(kPing, {}).empty(); });
  } catch (const TStoreError&) {
    return false;
  }
}

}  // namespace ruvel::rankd
