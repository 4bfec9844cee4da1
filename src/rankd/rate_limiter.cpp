#include "rankd/rate_limiter.h"

#include <algorithm>

namespace ruvel::rankd {

namespace {
constexpr int64_t kMinuteMs = 60 * 1000;
}

bool TRateLimiter::Allow(const std::string& address, int64_t nowMs) {
  if (perMinute_ <= 0) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  if (nowMs - lastSweepMs_ > kMinuteMs) Forget(nowMs);
  auto [it, added] = buckets_.try_emplace(address, TBucket{static_cast<double>(perMinute_), nowMs});
  TBucket& b = it->second;
  if (!added) {
    double refill = static_cast<double>(nowMs - b.lastMs) * perMinute_ / kMinuteMs;
    b.tokens = std::min<double>(perMinute_, b.tokens + std::max(0.0, refill));
    b.lastMs = nowMs;
  }
  if (b.tokens < 1) return false;
  b.tokens -= 1;
  return true;
}

// A bucket untouched for a minute is full again: dropping it changes nothing.
void TRateLimiter::Forget(int64_t nowMs) {
  lastSweepMs_ = nowMs;
  for (auto it = buckets_.begin(); it != buckets_.end();) {
    if (nowMs - it->second.lastMs >= kMinuteMs)
      it = buckets_.erase(it);
    else
      ++it;
  }
}

}  // namespace ruvel::rankd
