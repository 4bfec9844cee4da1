#!/usr/bin/env bash
# package-vscode.sh [OUT.vsix]: packs editors/vscode into an installable
# .vsix. The packaging tool and the language client come from the npm
# registry into editors/vscode/node_modules (never installed globally);
# without npm the script says so and does nothing.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-$PWD/build/ruvel.vsix}
case $out in /*) ;; *) out=$PWD/$out ;; esac
if ! command -v npm >/dev/null 2>&1; then
  echo "package-vscode: npm が見つからないので .vsix は作りません (apt install npm)"
  exit 0
fi
mkdir -p "$(dirname "$out")"
cd editors/vscode
if [ -f package-lock.json ]; then
  npm ci --no-audit --no-fund
else
  npm install --no-audit --no-fund
fi
npx --no-install vsce package --skip-license --allow-missing-repository --out "$out"
echo "package-vscode: $out"
