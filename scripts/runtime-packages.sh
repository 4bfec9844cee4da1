#!/usr/bin/env bash
# runtime-packages.sh PROGRAM [OUT]: the Debian packages a machine needs to
# run PROGRAM, one a line, written to OUT (or stdout). Computed from what the
# program really loads on this machine:
#  - the libraries the dynamic loader resolves for the program itself;
#  - the libraries the program opens itself with dlopen (every versioned
#    "libNAME.so.N" name written in the program's file) with their own
#    dependencies;
#  - the data files it opens from the system: the IPAGothic font through
#    fontconfig, and the first General MIDI soundfont of its list present here.
# Each resolved file is mapped to its package with dpkg -S; packages that
# every Debian system has (Essential, of priority "required", or needed by
# one of those: a minbase) are left out.
set -euo pipefail
program=$1
out=${2:-}
[ -x "$program" ] || { echo "runtime-packages: $program is not a program" >&2; exit 1; }
command -v dpkg >/dev/null || { echo "runtime-packages: dpkg is needed" >&2; exit 1; }

# ldd_files FILE: the absolute paths the loader resolves for FILE.
ldd_files() {
  ldd "$1" | awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// {print $1}'
}
# soname_file NAME: where the loader finds NAME on this machine (its cache).
soname_file() {
  # awk stops at the first match; ldconfig's broken pipe is not a failure.
  { /sbin/ldconfig -p || true; } | awk -v n="$1" '$1 == n && /x86-64|64bit|x86_64/ {print $NF; exit}
                                     $1 == n {f = $NF} END {if (f) print f}' | head -n1
}

files=()
mapfile -t -O ${#files[@]} files < <(ldd_files "$program")
while read -r soname; do
  f=$(soname_file "$soname")
  if [ -z "$f" ]; then
    echo "runtime-packages: the program loads $soname, which is not installed here" >&2
    exit 1
  fi
  files+=("$f")
  mapfile -t -O ${#files[@]} files < <(ldd_files "$f")
done < <(strings -n 6 "$program" | grep -E '^lib[A-Za-z0-9_+-]+(-[0-9.]+)?\.so\.[0-9]+$' | sort -u)

font=$(fc-match -f '%{file}' IPAGothic 2>/dev/null || true)
[ -n "$font" ] && [ -f "$font" ] && files+=("$font")
while read -r sf; do
  if [ -f "$sf" ]; then files+=("$sf"); break; fi
done < <(strings -n 6 "$program" | grep -E '^/usr/share/sounds/sf2/[^ ]+\.sf2$')

mapfile -t files < <(printf '%s\n' "${files[@]}" | sort -u)

# dpkg knows each file by the path its package installed; with /lib merged
# into /usr/lib the loader may name the other one, so each is asked for in
# every spelling, in one call.
variants() {
  local f=$1 r
  r=$(readlink -f "$f")
  printf '%s\n' "$f" "$r"
  case $f in
    /usr/lib/*) echo "${f#/usr}" ;;
    /lib/*) echo "/usr$f" ;;
  esac
}
mapfile -t queries < <(for f in "${files[@]}"; do variants "$f"; done | sort -u)
owners=$(dpkg -S "${queries[@]}" 2>/dev/null | grep -v '^diversion' || true)
# Every file must belong to some package, or the list would be short.
for f in "${files[@]}"; do
  found=0
  while read -r v; do
    if awk -v v="$v" 'substr($0, length($0) - length(v) - 1) == ": " v {f = 1} END {exit !f}' <<<"$owners"; then
      found=1
      break
    fi
  done < <(variants "$f")
  if [ $found = 0 ]; then
    echo "runtime-packages: $f belongs to no Debian package" >&2
    exit 1
  fi
done
# "pkg:arch, pkg2:arch: /path": the names before the path, without arch.
packages=$(sed 's/: \/.*$//' <<<"$owners" | tr ',' '\n' | sed 's/:.*//; s/^ *//; s/ *$//' | sort -u)

# What every Debian system has: the Essential and "required" packages and
# all they depend on (followed through this machine's installed packages).
base=$(dpkg-query -W -f='${Package}\t${Essential}\t${Priority}\t${Pre-Depends}, ${Depends}\t${Status}\n' |
  awk -F'\t' '$5 ~ /installed$/ {
      deps[$1] = $4
      if ($2 == "yes" || $3 == "required") { inbase[$1] = 1; todo[++n] = $1 }
    }
    END {
      for (i = 1; i <= n; i++) {
        k = split(deps[todo[i]], parts, ",")
        for (j = 1; j <= k; j++) {
          m = split(parts[j], alts, "|")
          for (a = 1; a <= m; a++) {
            name = alts[a]; sub(/^ +/, "", name); sub(/[ (:].*$/, "", name)
            if (name in deps) {
              if (!(name in inbase)) { inbase[name] = 1; todo[++n] = name }
              break
            }
          }
        }
      }
      for (p in inbase) print p
    }')
list=()
for p in $packages; do
  grep -qxF -- "$p" <<<"$base" || list+=("$p")
done

if [ -n "$out" ]; then
  printf '%s\n' "${list[@]}" >"$out.tmp"
  mv "$out.tmp" "$out"
else
  printf '%s\n' "${list[@]}"
fi
