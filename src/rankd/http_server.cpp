#include "rankd/http_server.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "rankd/html_pages.h"

namespace ruvel::rankd {

namespace {

// How long an idle kept-alive connection may hold a request thread; it
// also bounds how long a stop waits for idle connections.
constexpr time_t kKeepAliveSeconds = 2;
// Connections waiting to be accepted.
constexpr int kListenBacklog = 1024;
// Requests one connection may carry before it is closed.
constexpr size_t kKeepAliveRequests = 1000;

int64_t NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string ClientOf(const httplib::Request& req, bool trustProxy) {
  if (trustProxy && req.has_header("X-Real-IP")) return req.get_header_value("X-Real-IP");
  return req.remote_addr;
}

void LogLine(const httplib::Request& req, const httplib::Response& res, bool trustProxy) {
  // The path without its query: the query carries players' names.
  std::string line = TimeText(NowMs()) + " " + ClientOf(req, trustProxy) + " " + req.method + " " + req.path + " " +
                     std::to_string(res.status) + " " + std::to_string(res.body.size()) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

int Serve(TStore& store, const TServeOptions& options) {
  // The stop signals are taken by one thread that waits for them; every
  // other thread (the request threads included) inherits the block.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  THandlers handlers(store, options.limits);
  httplib::Server server;
  int threads = options.threads;
  server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server.set_keep_alive_timeout(kKeepAliveSeconds);
  server.set_keep_alive_max_count(kKeepAliveRequests);
  // An answer is written in pieces (headers, body): without this the
  // second piece waits for the client's delayed acknowledgement (40 ms).
  server.set_tcp_nodelay(true);
  server.set_payload_max_length(0);
  bool reusePort = options.reusePort;
  socket_t listening = INVALID_SOCKET;
  server.set_socket_options([reusePort, &listening](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (reusePort) setsockopt(sock, SOL_SOCKET, SO_REUSEPORT, &yes, sizeof yes);
    listening = sock;
  });
  bool trustProxy = options.trustProxy;
  server.set_logger([trustProxy](const httplib::Request& req, const httplib::Response& res) { LogLine(req, res, trustProxy); });
  server.Get(".*", [&handlers, trustProxy](const httplib::Request& req, httplib::Response& res) {
    THttpRequest request;
    request.path = req.path;
    size_t q = req.target.find('?');
    if (q != std::string::npos) request.query = req.target.substr(q + 1);
    request.client = ClientOf(req, trustProxy);
    request.nowMs = NowMs();
    THttpResponse response;
    try {
      response = handlers.Handle(request);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "ruvel-rankd: %s\n", e.what());
      response = {500, "text/html; charset=utf-8", ErrorPage(500, "internal error")};
    }
    res.status = response.status;
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_content(response.body, response.contentType.c_str());
  });

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port(options.host);
    if (port < 0) port = 0;
  } else if (!server.bind_to_port(options.host, port)) {
    port = 0;
  }
  if (port == 0) {
    std::fprintf(stderr, "ruvel-rankd: cannot listen on %s:%d\n", options.host.c_str(), options.port);
    return 1;
  }
  // The library listens with a queue of five: a burst of new connections
  // (clients coming back after a restart) would wait a second to retry.
  if (listening != INVALID_SOCKET) ::listen(listening, kListenBacklog);
  std::fprintf(stderr, "ruvel-rankd: listening on %s:%d\n", options.host.c_str(), port);

  std::atomic<bool> done{false};
  std::thread waiter([&] {
    timespec tick{0, 200 * 1000 * 1000};
    while (!done) {
      int sig = sigtimedwait(&stopSignals, nullptr, &tick);
      if (sig == SIGTERM || sig == SIGINT) {
        std::fprintf(stderr, "ruvel-rankd: stopping\n");
        server.stop();
        break;
      }
    }
  });
  bool ok = server.listen_after_bind();
  done = true;
  waiter.join();
  std::fprintf(stderr, "ruvel-rankd: stopped\n");
  return ok ? 0 : 1;
}

}  // namespace ruvel::rankd
