// OpenStore: the --db address to a migrated store with a pool of
// connections. SQLite readers go on in parallel (WAL) while the writers of
// one process take turns on a lock of their own before the file's lock.
#include <mutex>

#include "rankd/sql_store.h"

namespace ruvel::rankd {

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

std::unique_ptr<TStore> OpenStore(const std::string& url, size_t connections) {
  std::unique_ptr<TStore> store;
  if (StartsWith(url, "postgresql://") || StartsWith(url, "postgres://")) {
    store = std::make_unique<TSqlStore>([url] { return OpenPostgresSession(url); }, connections);
  } else {
    std::string file = StartsWith(url, "sqlite:") ? url.substr(7) : url;
    if (file.empty() || url.find("://") != std::string::npos)
      throw TStoreError("unknown database address " + url + " (sqlite:FILE or postgresql://...)");
    auto writers = std::make_shared<std::mutex>();
    store = std::make_unique<TSqlStore>([file, writers] { return OpenSqliteSession(file, writers); }, connections);
  }
  store->Migrate();
  return store;
}

}  // namespace ruvel::rankd
