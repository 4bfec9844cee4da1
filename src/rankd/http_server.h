// The HTTP transport of the ranking server: listens on ADDR:PORT, hands
// every GET to THandlers, writes one log line per request to stderr, and
// stops on SIGTERM or SIGINT after the requests in flight are answered.
#pragma once
#include <string>

#include "rankd/handlers.h"
#include "rankd/limits.h"

namespace ruvel::rankd {

struct TServeOptions {
  std::string host = "127.0.0.1";
  int port = 8080;             // 0 picks a free port (written to stderr)
  TServeLimits limits{kDefaultSubmitsPerMinute, kDefaultReadsPerMinute};
  bool reusePort = false;      // several processes share the port (SO_REUSEPORT)
  bool trustProxy = false;     // the client address is the proxy's X-Real-IP header
  // Request threads. A kept-alive connection holds one until it has been
  // idle for two seconds, so there are more than cores.
  int threads = 32;
};

// Serves until a stop signal; returns the process exit code (0 after a
// stop, 1 when the address cannot be bound).
int Serve(TStore& store, const TServeOptions& options);

}  // namespace ruvel::rankd
