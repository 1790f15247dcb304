#!/usr/bin/env bash
# The command line of qelsys: usage errors, a missing library, and
# errors and branding before any install.
source "$(dirname "$0")/wine_session.sh"
start_session cli winxp

qelsys frobnicate
expect_status 2 "an unknown command, named" "unknown command frobnicate"
qelsys install --json
expect_status 2 "--json with install"

qelsys errors
expect_status 0 "errors says nothing ran" "No install or uninstall has been run by qelsys for this user yet."
qelsys errors --json
check_json nothing-recorded

# A record with a value of the wrong type is damaged, not "no run yet" nor
# a run of unknown time.
printf '%s\r\n' REGEDIT4 '' '[HKEY_CURRENT_USER\Software\QelSys\LastRun]' '"Command"="install"' \
  '"Library"="C:\\QelC14BA.dll"' '"Result"=dword:00000001' '"LastError"=dword:000007d3' \
  '"TrackedErrors"=hex:' '"Time"=dword:00000001' >"$WINEPREFIX/drive_c/run.reg"
"$wine" regedit /s 'C:\run.reg' >/dev/null 2>&1
qelsys errors
expect_status 0 "a damaged record is said to be damaged" "The record of the last run"
wine_reg delete 'HKCU\Software\QelSys\LastRun' /f

qelsys branding
expect_status 0 "branding names the product" "Branding code: B241A000" "Product name: Lumasett Studio"

# A relative --dll counts from the current folder, even where the same
# relative path also exists beside qelsys.exe (where LoadLibraryA looks first).
work=$(dirname "$QEL_BIN")
for dir in "$work/qelsys-relative" "$QEL_BIN/qelsys-relative"; do
  mkdir -p "$dir" && cp "$QEL_BIN/QelC14BA.dll" "$dir/QelC14BA.dll"; done
run_in "$work" "$wine" "$QEL_BIN/qelsys.exe" --dll 'qelsys-relative\QelC14BA.dll' branding
expect_status 0 "the relative --dll counts from the current folder" \
  "$(basename "$work")\qelsys-relative\QelC14BA.dll"
rm -rf "$work/qelsys-relative" "$QEL_BIN/qelsys-relative"

# A library cut off inside its string table keeps a resource directory that
# points past the end of the file: status reads around it instead of crashing.
python3 - "$QEL_BIN/QelC14BA.dll" "$QEL_BIN/qelsys-cut.dll" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", d, 0x3C)[0]
count, optional = struct.unpack_from("<H", d, pe + 6)[0], struct.unpack_from("<H", d, pe + 20)[0]
for i in range(count):
    name, _, rva, _, raw = struct.unpack_from("<8sIIII", d, pe + 24 + optional + 40 * i)
    if name.rstrip(b"\0") == b".rsrc":
        break
def entries(offset):
    named, ids = struct.unpack_from("<HH", d, raw + offset + 12)
    return [struct.unpack_from("<II", d, raw + offset + 16 + 8 * i) for i in range(named + ids)]
block = entries(dict(entries(0))[6] & 0x7FFFFFFF)[0][1] & 0x7FFFFFFF   # RT_STRING, first block
data_rva = struct.unpack_from("<I", d, raw + entries(block)[0][1])[0]
open(sys.argv[2], "wb").write(d[:data_rva - rva + raw + 8])
PY
qelsys --dll qelsys-cut.dll status
expect_status 0 "status of a truncated library does not read the cut-off string table" 'branding ? "?"'
# A failed load names its cause; branding runs nothing of a library that does load.
python3 - "$QEL_BIN/QelC14BA.dll" "$QEL_BIN/qelsys-x64.dll" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], "rb").read())
struct.pack_into("<H", d, struct.unpack_from("<I", d, 0x3C)[0] + 4, 0x8664)
open(sys.argv[2], "wb").write(d)
PY
echo "not a library" >"$QEL_BIN/qelsys-text.dll"
while IFS='|' read -r file cause; do
  qelsys --dll "$file" branding
  expect_status 5 "a library that $cause" "$file could not be loaded: it $cause"
done <<EOF
qelsys-cut.dll|is damaged
qelsys-text.dll|is not a DLL
qelsys-x64.dll|is built for x86_64, and this qelsys for i686: use the qelsys of the same build
EOF
qelsys --dll qelsys-x64.dll status
expect_text "built for x86_64: this qelsys (i686) cannot install or uninstall with it" "status of another build's library"
rm -f "$QEL_BIN"/qelsys-{cut,x64,text}.dll

qelsys --dll 'C:\nowhere\QelC14BA.dll' install
expect_status 5 "install with a library that is not there names it" \
  "C:\\nowhere\\QelC14BA.dll was not found"
deep=$(printf 'folder-of-forty-characters-in-its-name-%02d\\' $(seq 7))
mkdir -p "$(unix_path "C:\\$deep")" && cp "$QEL_BIN/QelC14BA.dll" "$(unix_path "C:\\$deep")"
qelsys --dll "C:\\${deep}QelC14BA.dll" status
expect_text "QelC14BA.dll (a path longer than Windows opens)" "a library path over 259 characters"
