#!/usr/bin/env bash
# The DLL carries each payload program as a "BINARY" resource under its id,
# byte-for-byte the size of the built file, plus a string table and a version.
# Usage: check_dll_resources.sh OBJDUMP DLL PAYLOAD_DIR
set -euo pipefail
objdump=$1 dll=$2 dir=$3

listing=$("$objdump" -p "$dll" | sed -n '/The .rsrc Resource Directory section/,/^$/p')
binary=$(awk '
  /^[0-9a-f]+   Entry:/ { inBinary = ($0 ~ /BINARY/); next }
  inBinary && /^[0-9a-f]+     Entry: ID:/ { id = $4; sub(/,$/, "", id); next }
  inBinary && /Leaf:/ && id != "" { sub(/,$/, "", $6); print id, $6; id = "" }
' <<<"$listing" | while read -r id size; do echo "$((id)) $((size))"; done | sort -n)

expected=""
for entry in 102:QELC11BA.VXD 112:QELC13BA.EXE 114:QELC15BA.SYS 115:ShFolder.dll 10001:QELC11BA.EXE; do
  id=${entry%%:*} file=$dir/${entry#*:}
  expected+="$id $(stat -c %s "$file")"$'\n'
done
expected=$(sort -n <<<"${expected%$'\n'}")
if [ "$binary" != "$expected" ]; then
  echo "BINARY resources (id size) differ from the payload files:"
  diff <(echo "$expected") <(echo "$binary") || true
  exit 1
fi
echo "BINARY resources: $(tr '\n' ' ' <<<"$binary")"

for type in 0x000006 0x000010; do  # string table, version
  grep -q "^[0-9a-f]*   Entry: ID: $type" <<<"$listing" || { echo "no resource of type $type"; exit 1; }
done
echo "string table and version resource present"
