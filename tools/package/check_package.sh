#!/usr/bin/env bash
# Installs a build into a fresh tree, then configures and builds the host
# project of tools/package/host against it with the same toolchain; with
# "run", runs the host under Wine.
# Usage: check_package.sh BUILD TOOLCHAIN WORK [run]
set -euo pipefail
build=$1 toolchain=$2 work=$3 run=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$work/root" >"$work/install.log"
for f in bin/QelC14BA.dll lib/libQelC14BA.dll.a include/qelsys.h lib/cmake/QelSys/QelSysConfig.cmake \
         share/QelSys/tracked_codes.tsv bin/qelsys.exe; do
  [ -f "$work/root/$f" ] || { echo "not installed: $f"; exit 1; }
done
cmake -S "$here/host" -B "$work/host" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_PREFIX_PATH="$work/root"
cmake --build "$work/host"
[ -f "$work/host/QelC14BA.dll" ] || { echo "the DLL was not placed beside the host"; exit 1; }
[ -f "$work/host/tracked_codes.tsv" ] || { echo "QelSys_TRACKED_CODES is not set"; exit 1; }
if [ "$run" = run ]; then
  export WINEPREFIX="$work/wineprefix"
  trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
  output=$(cd "$work/host" && bash "$here/../wine-run.sh" "$WINEPREFIX" qelsys_host.exe </dev/null 2>&1)
  echo "$output"
  grep -q 'branding 0xB241A000 "Lumasett Studio", last error 0, tracked 0' <<<"$output"
fi
