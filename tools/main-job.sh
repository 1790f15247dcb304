#!/usr/bin/env bash
# Builds the x86_64 DLL and the host program, then installs the shared
# components into a Wine Windows prefix under the build folder and shows what
# the library reports.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QEL_BUILD_DIR:-$root/build}/win64
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --target QelC14BA qelhost >/dev/null
cd "$build/bin"
bash "$root/tools/wine-run.sh" "$build/wineprefix" qelhost.exe "$@"
