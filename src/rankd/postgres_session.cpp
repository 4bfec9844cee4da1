// The PostgreSQL session over libpq: each store statement is prepared once
// per connection ('?' placeholders numbered $1, $2, ...), values are sent
// as text parameters, and a lost server marks the session unusable and
// throws TStoreUnavailable, so that the request gets a 503 and the next
// one connects anew.
#include <libpq-fe.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "pages/page_hash.h"
#include "rankd/sql_session.h"
#include "rankd/store.h"

namespace ruvel::rankd {

namespace {

constexpr const char* kConnectTimeoutSeconds = "3";

std::string Numbered(const char* sql) {
  std::string out;
  int n = 0;
  for (const char* p = sql; *p; ++p) {
    if (*p == '?')
      out += "$" + std::to_string(++n);
    else
      out += *p;
  }
  return out;
}

std::string ParamText(const TSqlValue& v) {
  if (auto* n = std::get_if<int64_t>(&v)) return std::to_string(*n);
  if (auto* d = std::get_if<double>(&v)) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", *d);
    return buf;
  }
  return std::get<std::string>(v);
}

class TPostgresSession : public TSqlSession {
 public:
  explicit TPostgresSession(const std::string& url) {
    const char* keys[] = {"dbname", "connect_timeout", "application_name", nullptr};
    const char* values[] = {url.c_str(), kConnectTimeoutSeconds, "ruvel-rankd", nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
      std::string message = conn_ ? PQerrorMessage(conn_) : "out of memory";
      PQfinish(conn_);
      conn_ = nullptr;
      throw TStoreUnavailable("PostgreSQL: " + Trimmed(message));
    }
    Execute("SET client_min_messages = warning");
  }
  ~TPostgresSession() override { PQfinish(conn_); }

  std::vector<TSqlRow> Query(const char* sql, const std::vector<TSqlValue>& params) override {
    const std::string& name = Prepared(sql);
    std::vector<std::string> texts;
    texts.reserve(params.size());
    for (const TSqlValue& v : params) texts.push_back(ParamText(v));
    std::vector<const char*> pointers;
    for (const std::string& t : texts) pointers.push_back(t.c_str());
    PGresult* res = PQexecPrepared(conn_, name.c_str(), static_cast<int>(pointers.size()), pointers.data(), nullptr,
                                   nullptr, 0);
    Check(res);
    std::vector<TSqlRow> rows;
    int n = PQntuples(res), columns = PQnfields(res);
    for (int r = 0; r < n; ++r) {
      TSqlRow row;
      for (int c = 0; c < columns; ++c) row.emplace_back(PQgetvalue(res, r, c), PQgetlength(res, r, c));
      rows.push_back(std::move(row));
    }
    PQclear(res);
    return rows;
  }

  void Execute(const std::string& sql) override {
    PGresult* res = PQexec(conn_, sql.c_str());
    Check(res);
    PQclear(res);
  }

  // Writers of one key wait for each other through a transaction-scoped
  // advisory lock on the key's hash; other writers go on in parallel.
  void BeginWrite(const std::string& key) override {
    Execute("BEGIN");
    static const char* const kLock = "SELECT pg_advisory_xact_lock(?)";
    Query(kLock, {int64_t{HashBytes(key)}});
  }
  void Commit() override { Execute("COMMIT"); }
  void Rollback() override {
    if (conn_ && PQstatus(conn_) == CONNECTION_OK && PQtransactionStatus(conn_) != PQTRANS_IDLE) {
      PGresult* res = PQexec(conn_, "ROLLBACK");
      PQclear(res);
    }
  }
  bool IsPostgres() const override { return true; }
  bool Usable() const override { return !broken_ && PQstatus(conn_) == CONNECTION_OK; }

 private:
  static std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
    return s;
  }

  const std::string& Prepared(const char* sql) {
    auto it = prepared_.find(sql);
    if (it != prepared_.end()) return it->second;
    std::string name = "s" + std::to_string(prepared_.size());
    PGresult* res = PQprepare(conn_, name.c_str(), Numbered(sql).c_str(), 0, nullptr);
    Check(res);
    PQclear(res);
    return prepared_[sql] = name;
  }

  // Throws for a failed result: TStoreUnavailable when the connection is
  // gone or the server is shutting down or starting (SQLSTATE classes 08
  // and 57P), TStoreError otherwise.
  void Check(PGresult* res) {
    ExecStatusType status = res ? PQresultStatus(res) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return;
    std::string message = Trimmed(res ? PQresultErrorMessage(res) : PQerrorMessage(conn_));
    const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    PQclear(res);
    bool lost = PQstatus(conn_) != CONNECTION_OK || !state || std::strncmp(state, "08", 2) == 0 ||
                std::strncmp(state, "57P", 3) == 0;
    if (lost) {
      broken_ = true;
      throw TStoreUnavailable("PostgreSQL: " + message);
    }
    throw TStoreError("PostgreSQL: " + message);
  }

  PGconn* conn_ = nullptr;
  bool broken_ = false;
  std::map<const char*, std::string> prepared_;
};

}  // namespace

std::unique_ptr<TSqlSession> OpenPostgresSession(const std::string& url) {
  return std::make_unique<TPostgresSession>(url);
}

}  // namespace ruvel::rankd
