// The SQLite session: one file in WAL mode (readers never wait for the
// writer), a busy timeout so that several processes on one file take
// turns, and a cache of prepared statements.
#include <sqlite3.h>

#include <map>

#include "rankd/sql_session.h"
#include "rankd/store.h"

namespace ruvel::rankd {

namespace {

constexpr int kBusyTimeoutMs = 5000;

class TSqliteSession : public TSqlSession {
 public:
  TSqliteSession(const std::string& file, std::shared_ptr<std::mutex> writers)
      : writers_(std::move(writers)), writing_(*writers_, std::defer_lock) {
    int rc = sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    if (rc != SQLITE_OK) {
      std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      db_ = nullptr;
      throw TStoreUnavailable("cannot open " + file + ": " + message);
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // WAL with NORMAL sync: a commit is in the operating system's hands
    // when it returns, so it survives the process being killed; the log is
    // synced at checkpoints, so a power loss may take the last commits.
    Execute("PRAGMA journal_mode=WAL");
    Execute("PRAGMA synchronous=NORMAL");
  }
  ~TSqliteSession() override {
    for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
    sqlite3_close(db_);
  }

  std::vector<TSqlRow> Query(const char* sql, const std::vector<TSqlValue>& params) override {
    sqlite3_stmt* stmt = Prepared(sql);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    for (size_t i = 0; i < params.size(); ++i) {
      int at = static_cast<int>(i + 1);
      if (auto* n = std::get_if<int64_t>(&params[i]))
        sqlite3_bind_int64(stmt, at, *n);
      else if (auto* d = std::get_if<double>(&params[i]))
        sqlite3_bind_double(stmt, at, *d);
      else {
        const std::string& s = std::get<std::string>(params[i]);
        sqlite3_bind_text(stmt, at, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
      }
    }
    std::vector<TSqlRow> rows;
    for (;;) {
      int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE) break;
      if (rc != SQLITE_ROW) {
        std::string message = sqlite3_errmsg(db_);
        sqlite3_reset(stmt);
        Fail(rc, message);
      }
      TSqlRow row;
      int columns = sqlite3_column_count(stmt);
      for (int c = 0; c < columns; ++c) {
        const unsigned char* text = sqlite3_column_text(stmt, c);
        row.emplace_back(text ? reinterpret_cast<const char*>(text) : "",
                         static_cast<size_t>(sqlite3_column_bytes(stmt, c)));
      }
      rows.push_back(std::move(row));
    }
    sqlite3_reset(stmt);
    return rows;
  }

  void Execute(const std::string& sql) override {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
      std::string message = error ? error : sqlite3_errstr(rc);
      sqlite3_free(error);
      Fail(rc, message);
    }
  }

  // BEGIN IMMEDIATE takes the file's write lock at once, so two writers
  // (threads or processes) never both read before either writes.
  void BeginWrite(const std::string&) override {
    writing_.lock();
    try {
      Execute("BEGIN IMMEDIATE");
    } catch (...) {
      writing_.unlock();
      throw;
    }
  }
  void Commit() override {
    Execute("COMMIT");
    if (writing_.owns_lock()) writing_.unlock();
  }
  void Rollback() override {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    if (writing_.owns_lock()) writing_.unlock();
  }
  bool IsPostgres() const override { return false; }
  bool Usable() const override { return true; }

 private:
  sqlite3_stmt* Prepared(const char* sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) Fail(rc, sqlite3_errmsg(db_));
    statements_[sql] = stmt;
    return stmt;
  }

  [[noreturn]] static void Fail(int rc, const std::string& message) {
    int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED || primary == SQLITE_IOERR || primary == SQLITE_FULL ||
        primary == SQLITE_CANTOPEN)
      throw TStoreUnavailable("SQLite: " + message);
    throw TStoreError("SQLite: " + message);
  }

  sqlite3* db_ = nullptr;
  std::shared_ptr<std::mutex> writers_;
  std::unique_lock<std::mutex> writing_;
  std::map<const char*, sqlite3_stmt*> statements_;
};

}  // namespace

std::unique_ptr<TSqlSession> OpenSqliteSession(const std::string& file, std::shared_ptr<std::mutex> writers) {
  return std::make_unique<TSqliteSession>(file, std::move(writers));
}

}  // namespace ruvel::rankd
