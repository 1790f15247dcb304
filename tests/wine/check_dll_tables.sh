#!/usr/bin/env bash
# The DLL exports exactly the names of its module definition, undecorated, and
# imports from Windows system libraries only.
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

allowed='^(KERNEL32|USER32|ADVAPI32|VERSION|msvcrt)\.dll$'
status=0
for lib in $("$objdump" -p "$dll" | awk '/DLL Name:/ {print $3}'); do
  if ! [[ $lib =~ $allowed ]]; then
    echo "imports a library that is not part of Windows: $lib"
    status=1
  fi
done
echo "imports: $("$objdump" -p "$dll" | awk '/DLL Name:/ {print $3}' | tr '\n' ' ')"
exit $status
