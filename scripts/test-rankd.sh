#!/usr/bin/env bash
# test-rankd.sh [BUILD_DIR]: runs the ranking server's tests (BUILD_DIR/
# tests/test_rankd, default build) against SQLite and against a throw-away
# PostgreSQL cluster started on a free loopback port in a temporary folder,
# stopped and removed afterwards. As root the cluster runs as the
# "postgres" user the PostgreSQL package creates. Then the end-to-end
# check of scripts/test-rankd-e2e.sh. Exits non-zero when anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tests=$PWD/$build/tests/test_rankd
[ -x "$tests" ] || { echo "test-rankd: $tests is not built" >&2; exit 2; }

. scripts/pg-cluster.sh
# Settings for a test cluster: nothing written is kept after it.
PG_OPTIONS="-c fsync=off"
pg_cluster_start
export RUVEL_RANKD_TEST_POSTGRES=$PG_URL
export RUVEL_SOURCE_DIR=$PWD RUVEL_BUILD_DIR=$PWD/$build
status=0
"$tests" --gtest_brief=1 2>&1 | tee "$PG_WORK/tests.log" || status=$?
# Both stores must really have run: a skipped PostgreSQL case is a failure here.
if grep -q SKIPPED "$PG_WORK/tests.log"; then
  echo "test-rankd: the PostgreSQL cases were skipped" >&2
  status=1
fi
# Then a score from a headless page to the board, end to end.
if [ $status = 0 ]; then
  scripts/test-rankd-e2e.sh "$build" || status=$?
fi
exit $status
