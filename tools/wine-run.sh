#!/usr/bin/env bash
# Runs a Windows program under 64-bit Wine in the given prefix, creating the
# prefix on first use. Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -euo pipefail
export WINEPREFIX=$(realpath -m "$1")
shift
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts
wine=/usr/lib/wine/wine64
# Tests sharing a prefix start in parallel: one of them creates it.
mkdir -p "$WINEPREFIX"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$wine" wineboot --init >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w || true
fi
flock -u 9
exec 9>&-
exec "$wine" "$@"
