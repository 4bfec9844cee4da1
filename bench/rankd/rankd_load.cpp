// A load generator for ruvel-rankd: CONNECTIONS threads, each with one
// kept-alive connection, send valid submissions (unique names, IDs
// computed as a game computes them) to 127.0.0.1:PORT for SECONDS, paced
// to RATE submissions a second in all (0: as fast as answers come).
// Prints the rate, the latency percentiles and the count of each status,
// and writes the name of every acknowledged (200) entry to ACKED.
//
//   rankd_load PORT GAME PROJECT KERNEL SECONDS CONNECTIONS RATE ACKED [TAG]
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "rankd/submission_id.h"

namespace {

using Clock = std::chrono::steady_clock;

struct TThreadResult {
  std::vector<double> latenciesMs;
  std::map<int, long> statuses;  // 0 for a failed connection
  std::vector<std::string> acked;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 9) {
    std::fprintf(stderr, "usage: rankd_load PORT GAME PROJECT KERNEL SECONDS CONNECTIONS RATE ACKED [TAG]\n");
    return 2;
  }
  int port = std::atoi(argv[1]);
  std::string game = argv[2];
  int32_t project = std::atoi(argv[3]), kernel = std::atoi(argv[4]);
  double seconds = std::atof(argv[5]);
  int connections = std::max(1, std::atoi(argv[6]));
  double rate = std::atof(argv[7]);
  std::string ackedFile = argv[8];
  std::string tag = argc > 9 ? argv[9] : "p";

  std::vector<TThreadResult> results(connections);
  std::vector<std::thread> threads;
  Clock::time_point start = Clock::now();
  Clock::time_point end = start + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
  for (int t = 0; t < connections; ++t) {
    threads.emplace_back([&, t] {
      TThreadResult& r = results[t];
      httplib::Client client("127.0.0.1", port);
      client.set_keep_alive(true);
      client.set_tcp_nodelay(true);
      client.set_connection_timeout(2);
      client.set_read_timeout(10);
      std::mt19937 random(t * 7919 + 1);
      // Each thread sends every connections/rate seconds, starting staggered.
      double interval = rate > 0 ? connections / rate : 0;
      Clock::time_point next = start + std::chrono::microseconds(static_cast<long long>(interval * 1e6 * t / connections));
      for (long i = 0;; ++i) {
        if (rate > 0) {
          if (next > Clock::now()) std::this_thread::sleep_until(next);
          next += std::chrono::microseconds(static_cast<long long>(interval * 1e6));
        }
        if (Clock::now() >= end) break;
        std::string name = tag + std::to_string(t) + "_" + std::to_string(i);
        std::string score = std::to_string(random() % 1000000);
        ruvel::rankd::TQueryParams params{{"name", name}, {"score", score}};
        std::string path = "/g/" + game + "/submit?name=" + name + "&score=" + score +
                           "&ID=" + std::to_string(ruvel::rankd::SubmissionId(params, project, kernel));
        Clock::time_point sent = Clock::now();
        auto res = client.Get(path);
        r.latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
        int status = res ? res->status : 0;
        ++r.statuses[status];
        if (status == 200) r.acked.push_back(name);
        // A server that is down refuses at once: wait a little before trying again.
        if (status == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
  }
  for (auto& th : threads) th.join();
  double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

  std::vector<double> all;
  std::map<int, long> statuses;
  std::ofstream acked(ackedFile);
  long ok = 0;
  for (const TThreadResult& r : results) {
    all.insert(all.end(), r.latenciesMs.begin(), r.latenciesMs.end());
    for (auto [s, n] : r.statuses) statuses[s] += n;
    for (const std::string& n : r.acked) acked << n << '\n';
    ok += static_cast<long>(r.acked.size());
  }
  std::sort(all.begin(), all.end());
  auto pct = [&](double p) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, static_cast<size_t>(p * all.size()))]; };
  std::printf("requests %zu in %.1f s: %.0f/s, acknowledged %.0f/s\n", all.size(), elapsed, all.size() / elapsed, ok / elapsed);
  std::printf("latency ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", pct(0.50), pct(0.90), pct(0.99), all.empty() ? 0.0 : all.back());
  std::printf("statuses:");
  for (auto [s, n] : statuses) std::printf(" %s %ld", s == 0 ? "no-answer" : std::to_string(s).c_str(), n);
  std::printf("\n");
  return 0;
}
