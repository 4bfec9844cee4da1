#!/usr/bin/env bash
# test-rankd.sh [BUILD_DIR]: runs the ranking server's tests (BUILD_DIR/
# tests/test_rankd, default build) against SQLite and against a throw-away
# PostgreSQL cluster started on a free loopback port in a temporary folder,
# stopped and removed afterwards. As root the cluster runs as the
# "postgres" user the PostgreSQL package creates. Exits with the tests'
# status.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tests=$PWD/$build/tests/test_rankd
[ -x "$tests" ] || { echo "test-rankd: $tests is not built" >&2; exit 2; }
pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -n "$pgbin" ] || { echo "test-rankd: PostgreSQL is not installed (scripts/setup.sh --tests)" >&2; exit 2; }

as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

work=$(mktemp -d /tmp/rankd-pg.XXXXXX)
chmod 755 "$work"
[ "$(id -u)" = 0 ] && chown postgres "$work"
data=$work/data
stop() {
  as_owner "$pgbin/pg_ctl" -D "$data" stop -m fast >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap stop EXIT

as_owner "$pgbin/initdb" -D "$data" -A trust -U rankd -E UTF8 --locale=C --no-sync >"$work/initdb.log" 2>&1 ||
  { cat "$work/initdb.log" >&2; exit 1; }
# A free port: the kernel picks one, the cluster takes it a moment later
# (tried again should another program take it first).
started=""
for attempt in 1 2 3; do
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  if as_owner "$pgbin/pg_ctl" -D "$data" -w -t 30 -l "$work/server.log" \
      -o "-p $port -k $work -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null; then
    started=1
    break
  fi
done
[ -n "$started" ] || { cat "$work/server.log" >&2; exit 1; }
as_owner "$pgbin/createdb" -h 127.0.0.1 -p "$port" -U rankd rankd

export RUVEL_RANKD_TEST_POSTGRES="postgresql://rankd@127.0.0.1:$port/rankd"
export RUVEL_SOURCE_DIR=$PWD RUVEL_BUILD_DIR=$PWD/$build
status=0
"$tests" --gtest_brief=1 2>&1 | tee "$work/tests.log" || status=$?
# Both stores must really have run: a skipped PostgreSQL case is a failure here.
if grep -q SKIPPED "$work/tests.log"; then
  echo "test-rankd: the PostgreSQL cases were skipped" >&2
  status=1
fi
exit $status
