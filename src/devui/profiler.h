// TProfiler: the time analyzer behind the debugger's "Start" and "Stop".
// Between Start and Stop it counts the calls of every script method and
// the time spent in it (its own time: the methods it calls are counted
// for themselves), and gives a table sorted by total time and its CSV.
// Owner: Profiler(), one process-wide instance; it listens to the
// interpreter through VM().profile.
#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "vm/vm_state.h"

namespace ruvel {

struct TProfileRow {
  std::string name;  // class + "." + method; class + ".<body>" for class code (CP932)
  long calls = 0;
  double totalMs = 0.0;
  double AverageMs() const { return calls > 0 ? totalMs / double(calls) : 0.0; }
};

class TProfiler {
 public:
  using Clock = std::chrono::steady_clock;

  // Forgets the last measurement and starts listening.
  void Start();
  // Stops listening; the table stays.
  void Stop();
  bool Running() const { return running_; }
  // Sorted by total time, largest first (then by name).
  std::vector<TProfileRow> Rows() const;
  // "name,calls,total_ms,average_ms" and one line per row.
  std::string Csv() const;
  // Writes the CSV to a file; false when it cannot be written.
  bool WriteCsv(const std::string& path) const;

  // The interpreter's events (VM().profile calls these).
  void OnEvent(ProfileEvent event, const TFunction* f, const Value* self);
  // A clock for tests: when set, "now" in nanoseconds comes from it.
  int64_t (*testClock)() = nullptr;

 private:
  int64_t Now() const;
  void Charge(int64_t now);
  static std::string KeyOf(const TFunction* f, const Value* self);

  bool running_ = false;
  std::map<std::string, TProfileRow> rows_;
  std::string current_;              // what runs now; "" outside any run
  std::vector<std::string> outer_;   // what ran around each nested run
  int64_t last_ = 0;
};

TProfiler& Profiler();

}  // namespace ruvel
