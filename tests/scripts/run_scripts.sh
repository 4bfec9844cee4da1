#!/usr/bin/env bash
# Runs every script test: each tests/scripts/*.ruvel (or a directory with
# a main.ruvelres) is run with `ruvel --script` and checked against the
# expectations written in it:
#   //> text       one expected line of stdout, in order (all lines, exactly)
#   //! exit N     the expected exit code (default 0)
#   //! stderr T   T must appear in stderr (UTF-8)
# Usage: run_scripts.sh RUVEL_BINARY [NAME_FILTER]
set -u
ruvel=${1:?usage: run_scripts.sh RUVEL_BINARY [FILTER]}
filter=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
for test in "$here"/*.ruvel "$here"/*/main.ruvelres; do
  [ -e "$test" ] || continue
  name=${test#"$here"/}
  if [ -n "$filter" ] && [[ "$name" != *"$filter"* ]]; then continue; fi
  spec=$test
  [ "${test##*.}" = "ruvelres" ] && spec=$(dirname "$test")/expect.txt
  # Expectations of a CP932 source are CP932 too: read them as UTF-8.
  if iconv -f UTF-8 -t UTF-8 "$spec" >/dev/null 2>&1; then
    cp "$spec" "$work/spec"
  else
    iconv -f CP932 -t UTF-8 "$spec" >"$work/spec"
  fi
  spec=$work/spec
  expected_exit=$(sed -n 's|^[[:space:]]*//! exit \([0-9]*\).*|\1|p' "$spec" | head -1)
  expected_exit=${expected_exit:-0}
  sed -n 's|^[[:space:]]*//> \{0,1\}||p' "$spec" >"$work/expected"
  # A "//>" line with nothing after it expects an empty line.
  timeout 60 "$ruvel" --script "$test" >"$work/out" 2>"$work/err" </dev/null
  code=$?
  ok=1
  reasons=""
  if [ "$code" != "$expected_exit" ]; then ok=0; reasons+=" exit=$code (want $expected_exit)"; fi
  if ! cmp -s "$work/expected" "$work/out"; then ok=0; reasons+=" stdout differs"; fi
  while IFS= read -r frag; do
    [ -z "$frag" ] && continue
    if ! grep -qF -- "$frag" "$work/err"; then ok=0; reasons+=" stderr lacks '$frag'"; fi
  done < <(sed -n 's|^[[:space:]]*//! stderr \(.*\)|\1|p' "$spec")
  if [ $ok = 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name:$reasons"
    if ! cmp -s "$work/expected" "$work/out"; then diff "$work/expected" "$work/out" | head -20 | sed 's/^/    /'; fi
    sed 's/^/    stderr: /' "$work/err" | head -10
  fi
done
echo "scripts: $passed passed, $failed failed"
[ $failed = 0 ]
