#!/usr/bin/env bash
# Makes the Windows prefix that the Wine tests of qelsys copy: once per build.
# Usage: make_template.sh PREFIX
set -euo pipefail
prefix=$(realpath -m "$1")
[ -f "$prefix/system.reg" ] && exit 0
rm -rf "$prefix.tmp"
mkdir -p "$prefix.tmp"
export WINEPREFIX="$prefix.tmp" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w || true
[ -f "$prefix.tmp/system.reg" ] || { echo "wineboot made no prefix"; exit 1; }
rm -rf "$prefix"
mv "$prefix.tmp" "$prefix"
