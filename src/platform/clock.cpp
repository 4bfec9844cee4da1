#include "platform/clock.h"

#include <chrono>

namespace ruvel {

double TickMs() {
  using Clock = std::chrono::steady_clock;
  static const Clock::time_point start = Clock::now();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace ruvel
