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
source "$(dirname "$0")/wine-prefix.sh"
make_prefix_once "$WINEPREFIX" /dev/null
exec "$wine" "$@"
