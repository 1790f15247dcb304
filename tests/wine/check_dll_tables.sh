#!/usr/bin/env bash
# The DLL exports exactly the names of its module definition, undecorated
# (check_targets.py checks its imports).
set -euo pipefail
objdump=$1 dll=$2 def=$3

expected=$(grep -E '^[[:space:]]+[A-Za-z_]' "$def" | tr -d ' \r' | sort)
exported=$("$objdump" -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && /^[ \t]*\[/ {print $NF; next} on {on=0}' | sort)
if [ "$expected" != "$exported" ]; then
  echo "export names differ from $def:"
  diff <(echo "$expected") <(echo "$exported") || true
  exit 1
fi
echo "exports: $(echo "$exported" | tr '\n' ' ')"

# The shortened mutex wait belongs to the Wine test build only.
if grep -q QEL_TEST_MUTEX_WAIT_MS "$dll"; then
  echo "the shipped DLL reads QEL_TEST_MUTEX_WAIT_MS"
  exit 1
fi
