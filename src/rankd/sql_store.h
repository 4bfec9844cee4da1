// The store over SQL sessions (rankd/sql_session.h), the same statements
// for both backends. Sessions are pooled: a request thread takes one, and
// waits when all are in use; a session that lost its connection is
// dropped and a new one opened on the next request.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <vector>

#include "rankd/sql_session.h"
#include "rankd/store.h"

namespace ruvel::rankd {

class TSqlStore : public TStore {
 public:
  using TOpener = std::function<std::unique_ptr<TSqlSession>()>;
  TSqlStore(TOpener opener, size_t poolSize);

  void Migrate() override;
  int SchemaVersion() override;
  void PutGame(const TGame& game) override;
  std::optional<TGame> FindGame(const std::string& name) override;
  std::vector<TGame> ListGames() override;
  TStoredEntry AddEntry(const TNewEntry& entry, bool descending, int pageSize, int64_t countLimit) override;
  std::vector<TEntry> Top(const std::string& game, const std::string& board, bool descending, int offset,
                          int limit) override;
  TBoardPage Page(const std::string& game, const std::string& board, bool descending, int offset, int limit,
                  int64_t countLimit) override;
  bool DeleteEntry(int64_t id) override;
  void Ban(const std::string& name) override;
  bool IsBanned(const std::string& name) override;
  bool Ping() override;

 private:
  class TLease;
  std::unique_ptr<TSqlSession> Take();
  void Give(std::unique_ptr<TSqlSession> session);
  // Runs body with a session; on an exception a write in progress is
  // rolled back and a session whose connection broke is dropped.
  template <class F>
  auto With(F&& body);
  TBoardPage PageOn(TSqlSession& s, const std::string& game, const std::string& board, bool descending, int offset,
                    int limit, int64_t countLimit);
  int RankOf(TSqlSession& s, const std::string& game, const std::string& board, double score, bool descending);

  TOpener opener_;
  size_t poolSize_;
  std::mutex mutex_;
  std::condition_variable freed_;
  std::vector<std::unique_ptr<TSqlSession>> idle_;
  size_t open_ = 0;
};

}  // namespace ruvel::rankd
