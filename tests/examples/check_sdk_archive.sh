#!/usr/bin/env bash
# The SDK archive of a Windows build holds what a setup author needs.
# Usage: check_sdk_archive.sh BUILD_DIR
set -euo pipefail
build=$1
out=$build/sdk-test
rm -rf "$out"
(cd "$build" && cpack -G ZIP -B "$out" >"$out.log" 2>&1) || { cat "$out.log"; exit 1; }
python3 - "$out"/*.zip <<'PY'
import sys, zipfile
have = {name.split("/", 1)[-1] for name in zipfile.ZipFile(sys.argv[1]).namelist()}  # below the top folder
want = """bin/QelC14BA.dll bin/qelsys.exe lib/libQelC14BA.dll.a include/qelsys.h share/QelSys/tracked_codes.tsv
    lib/cmake/QelSys/QelSysConfig.cmake lib/cmake/QelSys/QelSysConfigVersion.cmake
    lib/cmake/QelSys/QelSysTargets.cmake examples/README.md
    examples/nsis/QelSysSetup.nsi examples/nsis/QelSysCodes.nsh examples/inno/QelSysSetup.iss
    examples/inno/QelSysCodes.iss examples/msi-custom-action/qelsys_action.c
    examples/msi-custom-action/qelsys_codes.h examples/msi-custom-action/QelSys.wxs
    examples/msi-custom-action/QelSysAction.dll""".split()
missing = [w for w in want if w not in have]
print("%s: %d files" % (sys.argv[1].rsplit("/", 1)[-1], len(have)))
for m in missing:
    print("FAILED: the archive lacks", m)
sys.exit(1 if missing else 0)
PY
