#include "compiler/yup_stats.h"

#include <atomic>

namespace ruvel {

namespace {
// The counters are owned here and changed only through yup_stats::.
std::atomic<int64_t> g_tokens{0};
std::atomic<int64_t> g_result_lists{0};
std::atomic<int64_t> g_parses{0};
}  // namespace

int64_t LiveTokenCount() { return g_tokens.load(std::memory_order_relaxed); }
int64_t LiveResultListCount() { return g_result_lists.load(std::memory_order_relaxed); }
int64_t ParsesInFlight() { return g_parses.load(std::memory_order_relaxed); }

namespace yup_stats {
void TokenCreated() { g_tokens.fetch_add(1, std::memory_order_relaxed); }
void TokenDestroyed() { g_tokens.fetch_sub(1, std::memory_order_relaxed); }
void ResultListCreated() { g_result_lists.fetch_add(1, std::memory_order_relaxed); }
void ResultListDestroyed() { g_result_lists.fetch_sub(1, std::memory_order_relaxed); }
void ParseStarted() { g_parses.fetch_add(1, std::memory_order_relaxed); }
void ParseFinished() { g_parses.fetch_sub(1, std::memory_order_relaxed); }
}  // namespace yup_stats

}  // namespace ruvel
