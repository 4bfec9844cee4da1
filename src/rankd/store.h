// The ranking store: registered games, their entries and the banned
// player names, behind one interface with a SQLite and a PostgreSQL
// backend (rankd/sqlite_store.h, rankd/postgres_store.h). Every method is
// safe to call from several request threads at once. A database that
// cannot be reached throws TStoreUnavailable (the server answers 503);
// any other failure throws TStoreError.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace ruvel::rankd {

class TStoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TStoreUnavailable : public TStoreError {
 public:
  using TStoreError::TStoreError;
};

struct TGame {
  std::string name;
  int32_t projectIntegrity = 0;
  int32_t kernelIntegrity = 0;
  std::string scoreParam = "score";
  std::string nameParam = "name";
  bool descending = true;  // a higher score ranks first
};

struct TEntry {
  int64_t id = 0;
  std::string name;
  double score = 0;
  int64_t timeMs = 0;  // when it was stored, milliseconds since 1970 (UTC)
  int rank = 0;        // 1 for the best; equal scores share a rank
};

struct TNewEntry {
  std::string game;
  std::string board;
  std::string name;
  double score = 0;
  std::string client;  // the submitting address
  int64_t timeMs = 0;
};

// One page of a board and how many entries it shows in all.
struct TBoardPage {
  std::vector<TEntry> entries;
  int64_t shown = 0;  // entries of the board (banned names left out), up to the count limit
};

struct TStoredEntry {
  TEntry entry;
  bool duplicate = false;  // the same submission was stored within the minute
  bool banned = false;     // the name is banned: nothing was stored
  TBoardPage firstPage;    // the board's first page after it (empty when banned)
};

class TStore {
 public:
  virtual ~TStore() = default;

  // Brings the schema up to the newest migration (rankd/migrations.h).
  virtual void Migrate() = 0;
  // The schema version after Migrate.
  virtual int SchemaVersion() = 0;

  // Adds or replaces a game.
  virtual void PutGame(const TGame& game) = 0;
  virtual std::optional<TGame> FindGame(const std::string& name) = 0;
  virtual std::vector<TGame> ListGames() = 0;

  // Stores the entry, unless its name is banned (banned set, nothing
  // stored) or the same game, board, name and score came from the same
  // address within kDuplicateWindowMs: then the earlier one is returned
  // with duplicate set. The rank is the entry's on its board; firstPage
  // holds pageSize entries and the count of shown ones up to countLimit.
  virtual TStoredEntry AddEntry(const TNewEntry& entry, bool descending, int pageSize, int64_t countLimit) = 0;
  // Entries offset.. of a board, best first, banned names left out.
  virtual std::vector<TEntry> Top(const std::string& game, const std::string& board, bool descending, int offset,
                                  int limit) = 0;
  // Top with the count of the board's entries (banned names left out,
  // counted up to countLimit), in one statement when the page is not empty.
  virtual TBoardPage Page(const std::string& game, const std::string& board, bool descending, int offset, int limit,
                          int64_t countLimit) = 0;
  // Deletes one entry by its number; false when there was none.
  virtual bool DeleteEntry(int64_t id) = 0;

  // A banned player name submits nothing and is not shown.
  virtual void Ban(const std::string& name) = 0;
  virtual bool IsBanned(const std::string& name) = 0;

  // True when the database answers (for /healthz).
  virtual bool Ping() = 0;
};

// Opens the store a --db address names: "sqlite:FILE" (or a bare file
// name), or "postgresql://..." / "postgres://...", with at most
// connections open at once.
// Throws TStoreError.
std::unique_ptr<TStore> OpenStore(const std::string& url, size_t connections = 2);

}  // namespace ruvel::rankd
