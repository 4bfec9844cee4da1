#!/usr/bin/env bash
# bench/rankd/run.sh [sqlite|postgresql|all] [SECONDS]: measures ruvel-rankd
# on this machine's loopback with the load generator (build/bench/
# rankd_load) and prints the figures:
#   sqlite      one server on a SQLite file, as fast as it answers;
#               then a run where the server is killed with SIGKILL halfway
#   postgresql  four servers sharing one port (SO_REUSEPORT) on a throw-away
#               cluster, paced to 2,000 submissions a second; then one of
#               the four killed with SIGKILL mid-load, and the cluster
#               restarted mid-load (503 while it is down)
# After each run every acknowledged entry is looked up in the database;
# a missing one is reported and makes the script fail.
# Needs the build (scripts/build.sh build Release ruvel ruvel-rankd
# rankd_load), sqlite3 and PostgreSQL (scripts/setup.sh --tests).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
which=${1:-all}
seconds=${2:-60}
build=$root/build
rankd=$build/ruvel-rankd
load=$build/bench/rankd_load
for f in "$rankd" "$load" "$build/ruvel"; do
  [ -x "$f" ] || { echo "bench/rankd: $f is not built" >&2; exit 2; }
done

work=$(mktemp -d /tmp/rankd-bench.XXXXXX)
servers=()
cleanup() {
  local pid
  for pid in "${servers[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
  if declare -F pg_cluster_stop >/dev/null; then pg_cluster_stop; fi
}
trap cleanup EXIT
"$build/ruvel" --new-project "$work/game" >/dev/null

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# register DB: adds the game "bench" and sets PROJECT and KERNEL.
register() {
  local line
  line=$("$rankd" game add bench --project "$work/game" --db "$1")
  PROJECT=$(echo "$line" | sed -n 's/.*project \([0-9]*\).*/\1/p')
  KERNEL=$(echo "$line" | sed -n 's/.*kernel \([0-9]*\).*/\1/p')
}

# start DB PORT COUNT: COUNT servers on one port, no rate limits.
start() {
  local i
  for i in $(seq "$3"); do
    # A kept-alive connection holds a request thread, and the port hands
    # connections to the servers unevenly: as many threads as the
    # generator has connections, so that none waits for a free thread.
    "$rankd" serve --db "$1" --listen "127.0.0.1:$2" --reuse-port --submits-per-minute 0 --reads-per-minute 0 --threads 64 \
      2>"$work/serve-$2-$i.log" &
    servers+=($!)
  done
  for i in $(seq 100); do
    curl -sf "http://127.0.0.1:$2/healthz" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "bench/rankd: the server did not start" >&2
  cat "$work"/serve-"$2"-*.log >&2
  exit 1
}

stop_all() {
  local pid
  for pid in "${servers[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${servers[@]}"; do wait "$pid" 2>/dev/null || true; done
  servers=()
}

# check ACKED_FILE STORED_FILE: every acknowledged name must be stored.
check() {
  local missing
  missing=$(comm -23 <(sort -u "$1") <(sort -u "$2") | wc -l)
  echo "acknowledged $(sort -u "$1" | wc -l), stored $(sort -u "$2" | wc -l), acknowledged but missing: $missing"
  [ "$missing" = 0 ] || failed=1
}

failed=0

if [ "$which" = sqlite ] || [ "$which" = all ]; then
  db="sqlite:$work/bench.db"
  register "$db"
  port=$(free_port)
  echo "== SQLite, one server, 16 connections, ${seconds}s"
  start "$db" "$port" 1
  "$load" "$port" bench "$PROJECT" "$KERNEL" "$seconds" 16 0 "$work/acked-sqlite" s
  stop_all
  sqlite3 "$work/bench.db" "SELECT name FROM entries" >"$work/stored-sqlite"
  check "$work/acked-sqlite" "$work/stored-sqlite"

  echo "== SQLite, the server killed with SIGKILL halfway through 10s"
  start "$db" "$port" 1
  "$load" "$port" bench "$PROJECT" "$KERNEL" 10 16 0 "$work/acked-kill" k &
  loader=$!
  sleep 5
  kill -9 "${servers[0]}"
  wait "${servers[0]}" 2>/dev/null || true
  servers=()
  wait "$loader"
  sqlite3 "$work/bench.db" "SELECT name FROM entries" >"$work/stored-kill"
  check "$work/acked-kill" "$work/stored-kill"
fi

if [ "$which" = postgresql ] || [ "$which" = all ]; then
  . scripts/pg-cluster.sh
  pg_cluster_start
  trap cleanup EXIT  # which stops the cluster too
  psql_names() { psql -qAt -h 127.0.0.1 -p "$PG_PORT" -U rankd rankd -c "SELECT name FROM entries" >"$1"; }
  register "$PG_URL"
  port=$(free_port)
  # Paced at the goal; RANKD_PACE=2100 or so shows whether there is room
  # above it.
  pace=${RANKD_PACE:-2000}
  echo "== PostgreSQL, four servers on one port, ${pace}/s paced over 64 connections, ${seconds}s"
  start "$PG_URL" "$port" 4
  "$load" "$port" bench "$PROJECT" "$KERNEL" "$seconds" 64 "$pace" "$work/acked-pg" p
  psql_names "$work/stored-pg"
  check "$work/acked-pg" "$work/stored-pg"

  echo "== PostgreSQL, one of the four servers killed with SIGKILL mid-load (10s)"
  "$load" "$port" bench "$PROJECT" "$KERNEL" 10 64 2000 "$work/acked-pgkill" q &
  loader=$!
  sleep 5
  kill -9 "${servers[0]}"
  wait "${servers[0]}" 2>/dev/null || true
  wait "$loader"
  psql_names "$work/stored-pgkill"
  check "$work/acked-pgkill" "$work/stored-pgkill"
  stop_all

  echo "== PostgreSQL restarted mid-load (four servers, 15s)"
  start "$PG_URL" "$port" 4
  "$load" "$port" bench "$PROJECT" "$KERNEL" 15 64 2000 "$work/acked-pgrestart" r &
  loader=$!
  sleep 5
  pg_cluster_ctl stop -m fast >/dev/null
  sleep 3
  pg_cluster_ctl start >/dev/null
  wait "$loader"
  psql_names "$work/stored-pgrestart"
  check "$work/acked-pgrestart" "$work/stored-pgrestart"
  stop_all
fi

exit $failed
