// The command line of ruvel-rankd: `serve`, `game add|list`, `entry
// delete`, `ban`, `--help`. Exit codes: 0 done, 1 the work failed (a
// database or file error, said on stderr), 2 bad use (with the usage).
#pragma once

namespace ruvel::rankd {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int RunRankd(int argc, char** argv);

}  // namespace ruvel::rankd
