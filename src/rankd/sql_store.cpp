#include "rankd/sql_store.h"

#include <chrono>
#include <cstdlib>

#include "rankd/limits.h"
#include "rankd/migrations.h"

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
constexpr const char* kInsertEntry =
    "INSERT INTO entries (game, board, name, score, client, created_ms) VALUES (?, ?, ?, ?, ?, ?) RETURNING id";
// The rank counts the better entries from the board index alone, then
// takes away the banned names' (a short list, looked up by name).
constexpr const char* kCountHigher =
    "SELECT (SELECT COUNT(*) FROM entries WHERE game = ? AND board = ? AND score > ?) - "
    "(SELECT COUNT(*) FROM bans JOIN entries ON entries.name = bans.name "
    "WHERE entries.game = ? AND entries.board = ? AND entries.score > ?)";
constexpr const char* kCountLower =
    "SELECT (SELECT COUNT(*) FROM entries WHERE game = ? AND board = ? AND score < ?) - "
    "(SELECT COUNT(*) FROM bans JOIN entries ON entries.name = bans.name "
    "WHERE entries.game = ? AND entries.board = ? AND entries.score < ?)";
constexpr const char* kTopDescending =
    "SELECT id, name, score, created_ms FROM entries WHERE game = ? AND board = ? "
    "AND name NOT IN (SELECT name FROM bans) ORDER BY score DESC, id LIMIT ? OFFSET ?";
constexpr const char* kTopAscending =
    "SELECT id, name, score, created_ms FROM entries WHERE game = ? AND board = ? "
    "AND name NOT IN (SELECT name FROM bans) ORDER BY score ASC, id LIMIT ? OFFSET ?";
constexpr const char* kCountBoard =
    "SELECT COUNT(*) FROM (SELECT 1 FROM entries WHERE game = ? AND board = ? "
    "AND name NOT IN (SELECT name FROM bans) LIMIT ?) AS shown";
constexpr const char* kDeleteEntry = "DELETE FROM entries WHERE id = ? RETURNING id";
constexpr const char* kBan = "INSERT INTO bans (name, created_ms) VALUES (?, ?) ON CONFLICT (name) DO NOTHING";
constexpr const char* kIsBanned = "SELECT 1 FROM bans WHERE name = ?";
constexpr const char* kPing = "SELECT 1";

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

int64_t Int(const std::string& s) { return std::strtoll(s.c_str(), nullptr, 10); }

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
  auto rows = s.Query(descending ? kCountHigher : kCountLower, {game, board, score, game, board, score});
  return static_cast<int>(Int(rows[0][0])) + 1;
}

TStoredEntry TSqlStore::AddEntry(const TNewEntry& e, bool descending) {
  return With([&](TSqlSession& s) {
    TStoredEntry stored;
    stored.entry.name = e.name;
    stored.entry.score = e.score;
    // Submissions of one player on one board take turns, so that two
    // copies arriving together are still stored once.
    s.BeginWrite(e.game + '\n' + e.board + '\n' + e.name);
    auto recent = s.Query(kFindRecent, {e.game, e.board, e.name, e.timeMs - kDuplicateWindowMs, e.score, e.client});
    if (!recent.empty()) {
      stored.duplicate = true;
      stored.entry.id = Int(recent[0][0]);
      stored.entry.timeMs = Int(recent[0][1]);
    } else {
      stored.entry.id = Int(s.Query(kInsertEntry, {e.game, e.board, e.name, e.score, e.client, e.timeMs})[0][0]);
      stored.entry.timeMs = e.timeMs;
    }
    s.Commit();
    stored.entry.rank = RankOf(s, e.game, e.board, e.score, descending);
    return stored;
  });
}

std::vector<TEntry> TSqlStore::Top(const std::string& game, const std::string& board, bool descending, int offset,
                                   int limit) {
  return With([&](TSqlSession& s) {
    std::vector<TEntry> entries;
    auto rows =
        s.Query(descending ? kTopDescending : kTopAscending, {game, board, int64_t{limit}, int64_t{offset}});
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
        e.rank = RankOf(s, game, board, e.score, descending);
      else
        e.rank = offset + static_cast<int>(i) + 1;
      entries.push_back(std::move(e));
    }
    return entries;
  });
}

int64_t TSqlStore::CountEntries(const std::string& game, const std::string& board, int64_t limit) {
  return With([&](TSqlSession& s) { return Int(s.Query(kCountBoard, {game, board, int64_t{limit}})[0][0]); });
}

bool TSqlStore::DeleteEntry(int64_t id) {
  return With([&](TSqlSession& s) { return !s.Query(kDeleteEntry, {id}).empty(); });
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
