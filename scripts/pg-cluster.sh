# Sourced by scripts/test-rankd.sh and bench/rankd/run.sh: a throw-away
# PostgreSQL cluster in a temporary folder on a free loopback port.
#   pg_cluster_start   sets PG_URL (postgresql://rankd@127.0.0.1:PORT/rankd),
#                      PG_PORT and PG_WORK; stops it on exit
#   pg_cluster_ctl ARGS  runs pg_ctl on the cluster (restart, stop, ...)
# As root the cluster runs as the "postgres" user of the PostgreSQL package.

pg_as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

pg_cluster_ctl() {
  pg_as_owner "$PG_BIN/pg_ctl" -D "$PG_WORK/data" -w -t 30 -l "$PG_WORK/server.log" \
    -o "-p $PG_PORT -k $PG_WORK -c listen_addresses=127.0.0.1 -c max_connections=200 $PG_OPTIONS" "$@"
}

pg_cluster_stop() {
  [ -n "${PG_WORK:-}" ] || return 0
  pg_as_owner "$PG_BIN/pg_ctl" -D "$PG_WORK/data" stop -m fast >/dev/null 2>&1 || true
  rm -rf "$PG_WORK"
  PG_WORK=""
}

pg_cluster_start() {
  PG_BIN=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
  [ -n "$PG_BIN" ] || { echo "PostgreSQL is not installed (scripts/setup.sh --tests)" >&2; return 2; }
  PG_OPTIONS=${PG_OPTIONS:-}
  PG_WORK=$(mktemp -d /tmp/rankd-pg.XXXXXX)
  chmod 755 "$PG_WORK"
  if [ "$(id -u)" = 0 ]; then chown postgres "$PG_WORK"; fi
  trap pg_cluster_stop EXIT
  pg_as_owner "$PG_BIN/initdb" -D "$PG_WORK/data" -A trust -U rankd -E UTF8 --locale=C --no-sync \
    >"$PG_WORK/initdb.log" 2>&1 || { cat "$PG_WORK/initdb.log" >&2; return 1; }
  # The kernel picks a free port; the cluster takes it a moment later
  # (tried again should another program take it first).
  local attempt
  for attempt in 1 2 3; do
    PG_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    if pg_cluster_ctl start >/dev/null; then
      pg_as_owner "$PG_BIN/createdb" -h 127.0.0.1 -p "$PG_PORT" -U rankd rankd
      PG_URL="postgresql://rankd@127.0.0.1:$PG_PORT/rankd"
      return 0
    fi
  done
  cat "$PG_WORK/server.log" >&2
  return 1
}
