#!/usr/bin/env bash
# Start-up time of the script world: `ruvel --script` on an empty script,
# once with an empty Temp/ (every kernel class compiled) and then with the
# class files it left (every class loaded from Temp/). Prints milliseconds
# (best of several runs).
# Usage: bench/startup_bench.sh [build-dir]
set -eu
build=${1:-build}
ruvel=$(cd "$build" && pwd)/ruvel
home=$(cd "$build" && pwd)
script=$(mktemp --suffix=.ruvel)
trap 'rm -f "$script"' EXIT
echo 'extends classes.lang.Object;' >"$script"
now_ms() { date +%s%N | awk '{printf "%.1f", $1 / 1000000}'; }
best() {
  local mode=$1 best=999999 t0 t1 ms
  for _ in 1 2 3 4 5; do
    [ "$mode" = cold ] && rm -rf "$home/Temp"
    t0=$(date +%s%N)
    "$ruvel" --home "$home" --script "$script" >/dev/null
    t1=$(date +%s%N)
    ms=$(( (t1 - t0) / 100000 ))
    [ "$ms" -lt "$best" ] && best=$ms
  done
  printf '%s start-up: %d.%d ms\n' "$mode" $((best / 10)) $((best % 10))
}
best cold
best warm
