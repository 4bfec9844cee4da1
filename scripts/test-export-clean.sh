#!/usr/bin/env bash
# test-export-clean.sh [BUILD]: an exported game on a clean Debian 12.
#  1. A bookworm minbase is made with debootstrap once and kept in
#     ~/.cache/ruvel/bookworm-minbase ($XDG_CACHE_HOME when set).
#  2. The bundled game is exported with BUILD/ruvel (default build/).
#  3. In a fresh copy of the minbase (chroot) the export's start.sh must
#     refuse to start and name the packages it needs with the apt command;
#     then exactly those packages are installed with apt (no recommended
#     ones), and the game runs headless for 60 frames: start.sh must exit
#     with 0 and save the same screenshot the build machine saves.
# Needs root (chroot, mounts) and the Debian mirror of /etc/apt/sources.list*;
# scripts/setup-export-test.sh installs debootstrap. Takes minutes the
# first time; the continuous check does not run it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
say() { echo "test-export-clean: $*"; }
die() { echo "test-export-clean: FAILED: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || die "run as root (chroot and mounts need it)"
command -v debootstrap >/dev/null || die "debootstrap is missing: run scripts/setup-export-test.sh"
[ -x "$build/ruvel" ] || die "$build/ruvel is missing: run scripts/build.sh first"

# The mirror the machine's own package lists use (security updates apart).
mirror=$(grep -hs -E '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list |
         grep -v security | sed -E 's/^URIs: *//; s/^deb (\[[^]]*\] )?//' | awk '{print $1; exit}' || true)
mirror=${RUVEL_DEBIAN_MIRROR:-${mirror:-http://deb.debian.org/debian}}

cache=${XDG_CACHE_HOME:-$HOME/.cache}/ruvel
base=$cache/bookworm-minbase
if [ ! -x "$base/usr/bin/apt-get" ]; then
  say "making a Debian 12 minbase from $mirror (once)"
  rm -rf "$base.tmp"
  mkdir -p "$cache"
  debootstrap --variant=minbase bookworm "$base.tmp" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
    die "debootstrap failed; see $cache/debootstrap.log"
  rm -rf "$base"
  mv "$base.tmp" "$base"
fi

work=$(mktemp -d)
root=$work/root
unmount_all() {
  for m in "$root/dev" "$root/proc"; do
    if mountpoint -q "$m" 2>/dev/null; then umount "$m" || umount -l "$m"; fi
  done
}
cleanup() {
  unmount_all
  # Never remove a tree that still has the machine's /dev mounted in it.
  if ! grep -q " $work/" /proc/mounts; then rm -rf "$work"; fi
}
trap cleanup EXIT

say "exporting the bundled game with $build/ruvel"
"$build/ruvel" --export "$build/Usr" "$work/game" >"$work/export.log" 2>&1 || die "the export failed: $(tail -5 "$work/export.log")"
packages=$(sed -n 's/^packages="\(.*\)"$/\1/p' "$work/game/start.sh")
[ -n "$packages" ] || die "start.sh names no packages"
for p in $packages; do grep -qw -- "$p" "$work/game/README.txt" || die "README.txt does not name $p"; done
say "the export needs: $packages"
# The picture the build machine draws, to compare with the clean system's.
"$work/game/start.sh" --headless --fixed-clock --frames 60 --screenshot "$work/host.png" >/dev/null 2>&1 ||
  die "the export does not run on this machine"

cp -a "$base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount --bind /dev "$root/dev"
mount -t proc proc "$root/proc"
cp -a "$work/game" "$root/game"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

if in_root /game/start.sh --headless --frames 1 >"$work/refused.log" 2>&1; then
  die "start.sh started without the packages it needs"
fi
grep -q "sudo apt install" "$work/refused.log" || die "start.sh did not say how to install: $(cat "$work/refused.log")"
for p in $packages; do grep -qw -- "$p" "$work/refused.log" || die "start.sh did not name the missing $p"; done
say "without the packages start.sh says: $(tail -n1 "$work/refused.log")"

say "installing exactly those packages in the clean system"
in_root apt-get update -qq >"$work/apt.log" 2>&1 || die "apt-get update failed: $(tail -5 "$work/apt.log")"
# shellcheck disable=SC2086
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $packages >>"$work/apt.log" 2>&1 ||
  die "apt-get install failed: $(tail -5 "$work/apt.log")"

say "running the game headless in the clean system"
set +e
in_root /game/start.sh --headless --fixed-clock --frames 60 --screenshot /game/clean.png >"$work/run.log" 2>&1
code=$?
set -e
cat "$work/run.log"
[ "$code" = 0 ] || die "start.sh exited with $code"
[ -s "$root/game/clean.png" ] || die "no screenshot"
[ "$(head -c 8 "$root/game/clean.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || die "the screenshot is not a PNG"
cp "$root/game/clean.png" "${RUVEL_CLEAN_SHOT:-$cache/export-clean.png}"
cmp -s "$root/game/clean.png" "$work/host.png" || die "the clean system drew another picture than this machine"
say "exit code 0; the screenshot ($(stat -c %s "$root/game/clean.png") bytes, kept in ${RUVEL_CLEAN_SHOT:-$cache/export-clean.png}) equals this machine's"
say "passed"
