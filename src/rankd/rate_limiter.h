// Requests per client address: a bucket of `perMinute` tokens per address,
// refilled evenly over the minute, one token a request. An address whose
// bucket is empty is refused (429) until a token comes back. Buckets that
// are full again are forgotten, so memory follows the active addresses.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ruvel::rankd {

class TRateLimiter {
 public:
  // perMinute 0 lets everything through.
  explicit TRateLimiter(int perMinute) : perMinute_(perMinute) {}

  // Takes a token for the address at nowMs; false when none is left.
  bool Allow(const std::string& address, int64_t nowMs);

 private:
  struct TBucket {
    double tokens;
    int64_t lastMs;
  };
  void Forget(int64_t nowMs);

  int perMinute_;
  std::mutex mutex_;
  std::unordered_map<std::string, TBucket> buckets_;
  int64_t lastSweepMs_ = 0;
};

}  // namespace ruvel::rankd
