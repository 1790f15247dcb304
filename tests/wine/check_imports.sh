#!/usr/bin/env bash
# Every given program imports from Windows system libraries only.
# Usage: check_imports.sh OBJDUMP FILE...
set -euo pipefail
objdump=$1
shift
allowed='^(KERNEL32|USER32|ADVAPI32|VERSION|SHELL32|msvcrt)\.dll$|^ntoskrnl\.exe$'
status=0
for file in "$@"; do
  libs=$("$objdump" -p "$file" | awk '/DLL Name:/ {print $3}')
  for lib in $libs; do
    [[ $lib =~ $allowed ]] || { echo "$(basename "$file") imports $lib, which is not part of Windows"; status=1; }
  done
  echo "$(basename "$file"): $(tr '\n' ' ' <<<"$libs")"
done
exit $status
