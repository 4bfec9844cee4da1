// OpenStore: the --db address to a migrated store. SQLite keeps one
// connection (its writes go one at a time anyway); PostgreSQL a pool.
#include "rankd/sql_store.h"

namespace ruvel::rankd {

namespace {

constexpr size_t kPostgresPoolSize = 8;

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

std::unique_ptr<TStore> OpenStore(const std::string& url) {
  std::unique_ptr<TStore> store;
  if (StartsWith(url, "postgresql://") || StartsWith(url, "postgres://")) {
    store = std::make_unique<TSqlStore>([url] { return OpenPostgresSession(url); }, kPostgresPoolSize);
  } else {
    std::string file = StartsWith(url, "sqlite:") ? url.substr(7) : url;
    if (file.empty() || url.find("://") != std::string::npos)
      throw TStoreError("unknown database address " + url + " (sqlite:FILE or postgresql://...)");
    store = std::make_unique<TSqlStore>([file] { return OpenSqliteSession(file); }, 1);
  }
  store->Migrate();
  return store;
}

}  // namespace ruvel::rankd
