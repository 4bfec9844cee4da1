#include "rankd/cli.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "pages/page_hash.h"
#include "platform/paths.h"
#include "platform/regular_file.h"
#include "rankd/http_server.h"
#include "rankd/limits.h"
#include "rankd/store.h"

namespace ruvel::rankd {

namespace {

constexpr const char* kDefaultDb = "sqlite:ranking.db";
// Database connections of a serving process. Request threads beyond them
// wait their turn: on a small machine a few busy connections answer
// sooner than many that share its cores.
constexpr int kDefaultDbConnections = 4;

constexpr const char* kUsage =
    "usage: ruvel-rankd COMMAND [OPTIONS]\n"
    "  serve [--listen ADDR:PORT] [--submits-per-minute N] [--reads-per-minute N]\n"
    "        [--reuse-port] [--trust-proxy] [--threads N] [--db-connections N]\n"
    "      serves the ranking pages (default 127.0.0.1:8080; port 0 picks a free one)\n"
    "  game add NAME --project DIR [--score-param score] [--name-param name] [--order desc|asc] [--home DIR]\n"
    "      registers a game (or updates it) with the integrity values of its project file and of\n"
    "      Kernel/resource.ruvelres of the program directory (--home, or the one of this program)\n"
    "  game list\n"
    "  entry delete ID\n"
    "  ban NAME          a player name that may no longer submit and is no longer shown\n"
    "Every command takes --db URL: sqlite:FILE (default sqlite:ranking.db) or postgresql://...\n";

class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Positional words and --name value options; flags listed in `flags` take
// no value.
struct TArgs {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;

  std::string Get(const std::string& name, const std::string& fallback) const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
  }
  bool Has(const std::string& name) const { return options.count(name) != 0; }
};

TArgs ParseArgs(int argc, char** argv, const std::vector<std::string>& known, const std::vector<std::string>& flags) {
  TArgs args;
  for (int i = 0; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--", 0) != 0) {
      args.words.push_back(a);
      continue;
    }
    bool isFlag = false;
    for (const std::string& f : flags) isFlag = isFlag || f == a;
    bool isKnown = isFlag;
    for (const std::string& k : known) isKnown = isKnown || k == a;
    if (!isKnown) throw TUsageError("unknown option " + a);
    if (isFlag) {
      args.options[a] = "1";
      continue;
    }
    if (i + 1 >= argc) throw TUsageError(a + " needs a value");
    args.options[a] = argv[++i];
  }
  return args;
}

int Number(const std::string& text, const std::string& what, int low, int high) {
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end || n < low || n > high)
    throw TUsageError(what + " must be a number from " + std::to_string(low) + " to " + std::to_string(high));
  return static_cast<int>(n);
}

// Game names are part of addresses: letters, digits, '-' and '_'.
void CheckGameName(const std::string& name) {
  bool ok = !name.empty() && name.size() <= kMaxGameNameBytes;
  for (char c : name) ok = ok && (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_');
  if (!ok) throw TUsageError("a game name is 1 to 64 letters, digits, '-' or '_': " + name);
}

int32_t IntegrityOf(const std::string& file, const std::string& what) {
  if (!IsRegularFile(file)) throw std::runtime_error(what + " not found: " + file);
  std::string bytes;
  TReadStatus status = ReadRegularFile(file, kMaxSourceFileBytes, bytes);
  if (status != TReadStatus::kOk) throw std::runtime_error(what + " cannot be read: " + file);
  return HashBytes(bytes);
}

// The program directory given with --home, made absolute as ruvel does.
std::string Absolute(const std::string& dir) {
  std::string path = PathToPosix(dir);
  char cwd[4096];
  if (!PathIsAbsolute(path) && getcwd(cwd, sizeof cwd)) path = PathResolve(path, cwd);
  return PathStripSlash(path);
}

int Serve(int argc, char** argv) {
  TArgs args = ParseArgs(argc, argv,
                         {"--db", "--listen", "--submits-per-minute", "--reads-per-minute", "--threads", "--db-connections"},
                         {"--reuse-port", "--trust-proxy"});
  if (!args.words.empty()) throw TUsageError("serve takes no word " + args.words[0]);
  TServeOptions options;
  std::string listen = args.Get("--listen", "127.0.0.1:8080");
  size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon == 0) throw TUsageError("--listen is ADDR:PORT, for example 127.0.0.1:8080");
  options.host = listen.substr(0, colon);
  if (options.host.size() > 2 && options.host.front() == '[' && options.host.back() == ']')
    options.host = options.host.substr(1, options.host.size() - 2);
  options.port = Number(listen.substr(colon + 1), "the port", 0, 65535);
  if (args.Has("--submits-per-minute"))
    options.limits.submitsPerMinute = Number(args.Get("--submits-per-minute", ""), "--submits-per-minute", 0, 1000000);
  if (args.Has("--reads-per-minute"))
    options.limits.readsPerMinute = Number(args.Get("--reads-per-minute", ""), "--reads-per-minute", 0, 1000000);
  if (args.Has("--threads")) options.threads = Number(args.Get("--threads", ""), "--threads", 1, 1024);
  options.reusePort = args.Has("--reuse-port");
  options.trustProxy = args.Has("--trust-proxy");
  int connections = kDefaultDbConnections;
  if (args.Has("--db-connections"))
    connections = Number(args.Get("--db-connections", ""), "--db-connections", 1, 1024);
  std::unique_ptr<TStore> store = OpenStore(args.Get("--db", kDefaultDb), static_cast<size_t>(connections));
  return rankd::Serve(*store, options);
}

int Game(int argc, char** argv) {
  if (argc < 1) throw TUsageError("game needs add or list");
  std::string verb = argv[0];
  if (verb == "list") {
    TArgs args = ParseArgs(argc - 1, argv + 1, {"--db"}, {});
    if (!args.words.empty()) throw TUsageError("game list takes no word " + args.words[0]);
    std::unique_ptr<TStore> store = OpenStore(args.Get("--db", kDefaultDb));
    for (const TGame& g : store->ListGames())
      std::printf("%s\tproject %d\tkernel %d\tname=%s\tscore=%s\t%s\n", g.name.c_str(), g.projectIntegrity,
                  g.kernelIntegrity, g.nameParam.c_str(), g.scoreParam.c_str(), g.descending ? "desc" : "asc");
    return kExitOk;
  }
  if (verb != "add") throw TUsageError("unknown game command " + verb);
  TArgs args = ParseArgs(argc - 1, argv + 1,
                         {"--db", "--project", "--score-param", "--name-param", "--order", "--home"}, {});
  if (args.words.size() != 1) throw TUsageError("game add takes one NAME");
  if (!args.Has("--project")) throw TUsageError("game add needs --project DIR");
  TGame game;
  game.name = args.words[0];
  CheckGameName(game.name);
  game.scoreParam = args.Get("--score-param", "score");
  game.nameParam = args.Get("--name-param", "name");
  if (game.scoreParam.empty() || game.nameParam.empty() || game.scoreParam == game.nameParam)
    throw TUsageError("--score-param and --name-param are two different names");
  std::string order = args.Get("--order", "desc");
  if (order != "desc" && order != "asc") throw TUsageError("--order is desc or asc");
  game.descending = order == "desc";
  std::string home = args.Has("--home") ? Absolute(args.Get("--home", "")) : DefaultProgramDir();
  game.projectIntegrity = IntegrityOf(PathLocate(args.Get("--project", "") + "/default.ruvelprj"), "the project file");
  game.kernelIntegrity = IntegrityOf(PathLocate(home + "/Kernel/resource.ruvelres"), "the kernel resource list");
  std::unique_ptr<TStore> store = OpenStore(args.Get("--db", kDefaultDb));
  store->PutGame(game);
  std::printf("%s\tproject %d\tkernel %d\n", game.name.c_str(), game.projectIntegrity, game.kernelIntegrity);
  return kExitOk;
}

int Entry(int argc, char** argv) {
  if (argc < 1 || std::string(argv[0]) != "delete") throw TUsageError("entry needs delete ID");
  TArgs args = ParseArgs(argc - 1, argv + 1, {"--db"}, {});
  if (args.words.size() != 1) throw TUsageError("entry delete takes one ID");
  char* end = nullptr;
  long long id = std::strtoll(args.words[0].c_str(), &end, 10);
  if (args.words[0].empty() || *end || id <= 0) throw TUsageError("an entry ID is a positive number");
  std::unique_ptr<TStore> store = OpenStore(args.Get("--db", kDefaultDb));
  if (!store->DeleteEntry(id)) {
    std::fprintf(stderr, "ruvel-rankd: no entry %lld\n", id);
    return kExitFailed;
  }
  return kExitOk;
}

int Ban(int argc, char** argv) {
  TArgs args = ParseArgs(argc, argv, {"--db"}, {});
  if (args.words.size() != 1 || args.words[0].empty()) throw TUsageError("ban takes one NAME");
  std::unique_ptr<TStore> store = OpenStore(args.Get("--db", kDefaultDb));
  store->Ban(args.words[0]);
  return kExitOk;
}

}  // namespace

int RunRankd(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return kExitUsage;
  }
  std::string command = argv[1];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  try {
    if (command == "serve") return Serve(argc - 2, argv + 2);
    if (command == "game") return Game(argc - 2, argv + 2);
    if (command == "entry") return Entry(argc - 2, argv + 2);
    if (command == "ban") return Ban(argc - 2, argv + 2);
    throw TUsageError("unknown command " + command);
  } catch (const TUsageError& e) {
    std::fprintf(stderr, "ruvel-rankd: %s\n%s", e.what(), kUsage);
    return kExitUsage;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ruvel-rankd: %s\n", e.what());
    return kExitFailed;
  }
}

}  // namespace ruvel::rankd
