#!/usr/bin/env bash
# How long the README's test command takes on a fresh clone of this
# checkout's HEAD: each configuration's build and tests, and the whole.
# Exits 1 when the whole exceeds the goal (README, Goals).
# Usage: bench/test-time.sh [GOAL_SECONDS]   (default 1200)
set -euo pipefail
goal=${1:-1200}
root=$(cd "$(dirname "$0")/.." && pwd)
clone=$(mktemp -d /tmp/qel-test-time.XXXXXX)
trap 'rm -rf "$clone"' EXIT
git clone -q "$root" "$clone"
cd "$clone"
cmd=$(sed -n '/<!-- test-command -->/,/<!-- \/test-command -->/p' README.md | grep -E '^\s*bash' | head -n 1)
set +e
eval "$cmd" >"$clone.log" 2>&1
status=$?
set -e
grep -E '^time |^all builds:' "$clone.log"
echo "log: $clone.log"
total=$(sed -n 's/^time all: \([0-9]*\) s$/\1/p' "$clone.log")
[ "$status" -eq 0 ] || { echo "the test command failed (exit $status)"; exit 1; }
[ "${total:-$goal}" -le "$goal" ] || { echo "over the goal of $goal s"; exit 1; }
