#!/usr/bin/env bash
# Runs every workload of this folder as a script (NAME.ruvel) and as the
# same algorithm in Lua 5.4 (NAME.lua), RUNS times each in pairs, and prints
# per workload the median CPU times (user + system, whole process), their
# ratio, whether the two outputs agree, and the geometric mean of the
# ratios last.
# Usage: bench/vm/run.sh [RUVEL_BINARY] [RUNS] [NAME_FILTER]
set -u
here=$(cd "$(dirname "$0")" && pwd)
ruvel=${1:-$here/../../build/ruvel}
runs=${2:-5}
filter=${3:-}
lua=$(command -v lua5.4 || true)
if [ -z "$lua" ]; then echo "lua5.4 is missing (scripts/setup.sh installs it)" >&2; exit 1; fi
if [ ! -x "$ruvel" ]; then echo "no ruvel binary at $ruvel" >&2; exit 1; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# cpu_time OUT CMD...: runs CMD with stdout to OUT and prints its user +
# system CPU seconds. The shell's own timer reports milliseconds, where
# /usr/bin/time rounds to hundredths, a tenth of a short workload.
cpu_time() {
  local out=$1
  shift
  local TIMEFORMAT='%3U %3S'
  { time "$@" >"$out" 2>"$work/err" </dev/null; } 2>"$work/time"
  awk '{ printf "%.3f", $1 + $2 }' "$work/time"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One run first so that the kernel's class files exist in Temp.
"$ruvel" --script "$here/intloop.ruvel" >/dev/null 2>&1 </dev/null

printf "%-10s %9s %9s %7s  %s\n" workload ruvel lua ratio output
logsum=0
count=0
for script in "$here"/*.ruvel; do
  name=$(basename "$script" .ruvel)
  if [ -n "$filter" ] && [[ "$name" != *"$filter"* ]]; then continue; fi
  [ -f "$here/$name.lua" ] || continue
  : >"$work/r"
  : >"$work/l"
  for ((k = 0; k < runs; k++)); do
    cpu_time "$work/rout" "$ruvel" --script "$script" >>"$work/r"
    echo >>"$work/r"
    cpu_time "$work/lout" "$lua" "$here/$name.lua" >>"$work/l"
    echo >>"$work/l"
  done
  rt=$(median <"$work/r")
  lt=$(median <"$work/l")
  agree=same
  cmp -s "$work/rout" "$work/lout" || agree="DIFFERENT ($(head -c 40 "$work/rout" | tr '\n' ' ')/ $(head -c 40 "$work/lout" | tr '\n' ' '))"
  # A time below the clock's resolution counts as 1 ms.
  ratio=$(awk -v r="$rt" -v l="$lt" 'BEGIN { if (r < 0.001) r = 0.001; if (l < 0.001) l = 0.001; printf "%.2f", r / l }')
  logsum=$(awk -v s="$logsum" -v q="$ratio" 'BEGIN { printf "%.6f", s + log(q) }')
  count=$((count + 1))
  printf "%-10s %9s %9s %7s  %s\n" "$name" "$rt" "$lt" "$ratio" "$agree"
done
if [ $count -gt 0 ]; then
  awk -v s="$logsum" -v n="$count" 'BEGIN { printf "geometric mean ratio: %.2f (%d workloads)\n", exp(s / n), n }'
fi
