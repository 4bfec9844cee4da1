#!/usr/bin/env bash
# Builds a program directory whose kernel has the test module "hello",
# then runs a script that calls the module's natives.
# Usage: run_module_test.sh RUVEL_BINARY MODULE_SO
set -eu
ruvel=$1
so=$2
here=$(cd "$(dirname "$0")" && pwd)
kernel=$(cd "$(dirname "$ruvel")" && pwd)/Kernel
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Kernel/modules/hello"
for entry in "$kernel"/*; do
  [ "$(basename "$entry")" = modules ] && continue
  ln -s "$entry" "$home/Kernel/$(basename "$entry")"
done
cp "$here/hello/hello.ruvelres" "$here/hello/Greeter.ruvel" "$home/Kernel/modules/hello/"
cp "$so" "$home/Kernel/modules/hello/libhello.so"
out=$("$ruvel" --home "$home" --script "$here/use_module.ruvel" 2>"$home/err")
expected=$'42\n4242'
if [ "$out" != "$expected" ]; then
  echo "module test failed: got [$out]"
  cat "$home/err"
  exit 1
fi
echo "module test: 1 passed, 0 failed"
