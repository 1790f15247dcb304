#!/usr/bin/env bash
# Makes the Windows prefix that the Wine tests of qelsys copy: once per build.
# Usage: make_template.sh PREFIX
set -euo pipefail
prefix=$(realpath -m "$1")
[ -f "$prefix/system.reg" ] && exit 0
# Made aside and moved in whole, so that a run beside this one never copies half a prefix.
scratch="$prefix.making.$$"
rm -rf "$scratch"
mkdir -p "$scratch"
export WINEPREFIX="$scratch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot --init </dev/null >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w || true
[ -f "$scratch/system.reg" ] || { echo "wineboot made no prefix"; rm -rf "$scratch"; exit 1; }
[ -f "$prefix/system.reg" ] && { rm -rf "$scratch"; exit 0; }
rm -rf "$prefix"
mv "$scratch" "$prefix"
