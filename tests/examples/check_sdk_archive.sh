#!/usr/bin/env bash
# The SDK archive of a Windows build holds what a setup author needs, and its
# guide holds: its makensis commands work as written, a host linked against
# lib/QelC14BA.lib by Microsoft's rules imports just what the DLL exports, and
# the WiX v4 fragment says what the v3 one does.
# Usage: check_sdk_archive.sh BUILD_DIR
set -euo pipefail
out=$1/sdk-test
rm -rf "$out"
(cd "$1" && cpack -G ZIP -B "$out" >"$out.log" 2>&1) || { cat "$out.log"; exit 1; }
archive=$(echo "$out"/*.zip)
python3 -m zipfile -e "$archive" "$out/unpacked"
cd "$out"/unpacked/*
echo "${archive##*/}: $(find . -type f | wc -l) files"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
for f in bin/{QelC14BA.dll,qelsys.exe} lib/{libQelC14BA.dll.a,QelC14BA.lib} include/qelsys.h \
  share/QelSys/tracked_codes.tsv lib/cmake/QelSys/QelSys{Config,ConfigVersion,Targets}.cmake \
  examples/{README.md,nsis/QelSys{Setup.nsi,.nsh,Codes.nsh},inno/QelSys{Setup,Codes}.iss} \
  examples/msi-custom-action/{qelsys_action.c,qelsys_codes.h,QelSys{,.v4}.wxs,QelSysAction.dll}
do [ -f "$f" ] || fail "the archive lacks $f"; done
grep '^makensis ' examples/README.md | bash -e >"$out/makensis.log" 2>&1 && [ -s LumasettSetup.exe ] ||
  fail "the guide's makensis command:"$'\n'"$(cat "$out/makensis.log")"
# The host has no Windows headers: only the types qelsys.h needs.
printf 'typedef unsigned long DWORD;\ntypedef unsigned short WORD;\n#define WINAPI __stdcall\n' >"$out/windows.h"
names() { llvm-readobj "$1" "$2" 2>&1 | sed -n -E "s/^ *$3: ([^ ]+).*/\1/p" | sort | tr '\n' ' '; }
exports=$(names --coff-exports bin/QelC14BA.dll Name) arch=${archive%.zip}
printf '#include "qelsys.h"\nvoid *used[] = {%s};\nint start(void) { return used[0] != 0; }\n' \
  "$(tr ' ' , <<<"$exports")" >"$out/host.c"
clang "--target=${arch##*-}-pc-windows-msvc" -fuse-ld=lld -nostdlib -Wl,/entry:start,/subsystem:console \
  -I "$out" -I include "$out/host.c" lib/QelC14BA.lib -o "$out/host.exe" || fail "linking with lib/QelC14BA.lib"
imports=$(names --coff-imports "$out/host.exe" Symbol)
[ -n "$exports" ] && [ "$imports" = "$exports" ] || fail "the host imports [$imports], the DLL exports [$exports]"
# The v4 fragment is the v3 one with v4's names, conditions in attributes.
python3 - examples/msi-custom-action/QelSys{,.v4}.wxs <<'PY' || fail "the WiX v4 fragment is not the v3 one"
import re, sys, xml.etree.ElementTree as ET
v3, v4 = (open(path).read() for path in sys.argv[1:])
v3 = re.sub(r'>([^<]+)</Custom>', lambda m: ' Condition="%s" />' % m[1].replace('"', "&quot;"), v3.replace(
    "BinaryKey=", "BinaryRef=").replace("schemas.microsoft.com/wix/2006/wi", "wixtoolset.org/schemas/v4/wxs"))
sys.exit(ET.canonicalize(v3, strip_text=True) != ET.canonicalize(v4, strip_text=True) or "Condition=" not in v3)
PY
echo "$failures check(s) failed"
[ "$failures" -eq 0 ]
