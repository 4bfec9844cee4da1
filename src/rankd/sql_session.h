// One connection to a database, as the SQL store uses it: statements with
// '?' placeholders and bound values only, rows read back as text, and
// transactions. The SQLite and PostgreSQL backends implement it; a
// session is used by one thread at a time (rankd/sql_store.h pools them).
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

namespace ruvel::rankd {

using TSqlValue = std::variant<int64_t, double, std::string>;
// A row as text, a NULL as empty text.
using TSqlRow = std::vector<std::string>;

class TSqlSession {
 public:
  virtual ~TSqlSession() = default;
  // Runs one statement. sql is one of the store's constant texts (a
  // backend may cache its prepared form by address).
  virtual std::vector<TSqlRow> Query(const char* sql, const std::vector<TSqlValue>& params) = 0;
  // Runs text without parameters (schema steps, transaction control).
  virtual void Execute(const std::string& sql) = 0;
  // Starts a transaction that writes; writers that give the same key wait
  // for each other until Commit or Rollback, also across processes.
  virtual void BeginWrite(const std::string& key) = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // Picks the text of a migration step for this backend.
  virtual bool IsPostgres() const = 0;
  // False once the connection is lost; the pool then drops the session.
  virtual bool Usable() const = 0;
};

// The sessions of one file in one process share writers: BeginWrite holds
// it until Commit or Rollback, so that they wait on it rather than poll
// the file's lock.
std::unique_ptr<TSqlSession> OpenSqliteSession(const std::string& file, std::shared_ptr<std::mutex> writers);
std::unique_ptr<TSqlSession> OpenPostgresSession(const std::string& url);

}  // namespace ruvel::rankd
