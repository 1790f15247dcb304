#!/usr/bin/env bash
# Runs a Windows program under Wine (QEL_ARCH, see wine-prefix.sh) in the
# given prefix, creating the prefix on first use.
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
set -euo pipefail
export WINEPREFIX=$(realpath -m "$1")
shift
source "$(dirname "$0")/wine-prefix.sh"
# Tests sharing a prefix start in parallel: one of them creates it.
make_prefix_once "$WINEPREFIX" /dev/null
exec "$wine" "$@"
