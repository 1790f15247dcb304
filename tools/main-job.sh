#!/usr/bin/env bash
# The first thing to run: builds the DLL and qelsys, installs the shared
# components into a fresh Wine prefix with 'qelsys install', then prints
# 'qelsys status'.
#
# Usage: main-job.sh [--windows winxp|win98|nt40|win31] [--arch x86_64|i686]
#   --windows: the Windows version Wine reports; also QEL_WINDOWS. Default winxp.
#   --arch: the build; also QEL_ARCH. Default i686, the product, under
#   32-bit Wine (emulated on a kernel without 32-bit support); x86_64 under
#   64-bit Wine.
#   The build and the prefix go under QEL_BUILD_DIR (default build/).
# Exit status: that of 'qelsys install' (see 'qelsys --help'); under win31,
# where the library refuses the platform, 0 when it did exactly that.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=${QEL_WINDOWS:-winxp}
arch=${QEL_ARCH:-i686}
while [ $# -gt 0 ]; do
  case $1 in
    --windows) windows=${2:-}; shift 2 || shift ;;
    --windows=*) windows=${1#--windows=}; shift ;;
    --arch) arch=${2:-}; shift 2 || shift ;;
    --arch=*) arch=${1#--arch=}; shift ;;
    -h | --help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "main-job.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
case $windows in
  winxp | win98 | nt40 | win31) ;;
  *) echo "main-job.sh: Windows version '$windows' is not one of winxp, win98, nt40, win31" >&2; exit 2 ;;
esac
case $arch in
  x86_64) build=${QEL_BUILD_DIR:-$root/build}/win64 ;;
  i686) build=${QEL_BUILD_DIR:-$root/build}/win32 ;;
  *) echo "main-job.sh: architecture '$arch' is not one of x86_64, i686" >&2; exit 2 ;;
esac
export QEL_ARCH=$arch

echo "== building the $arch DLL and qelsys in $build"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" >/dev/null
cmake --build "$build" --target QelC14BA qelsys >/dev/null

# A fresh prefix each run, copied from one made once (the tests share it).
prefix=$build/main-job-$windows
echo "== making a fresh Wine prefix for $windows in $prefix"
bash "$root/tools/wine-personality.sh" "$build/qelsys-tests/template" "$prefix" "$windows"
export WINEPREFIX=$prefix
source "$root/tools/wine-prefix.sh"
# One wineserver for the whole job, so the service runs on between the commands.
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wineserver" -p </dev/null >/dev/null 2>&1
"$wine" cmd /c exit </dev/null >/dev/null 2>&1  # Wine's own processes, detached from this output

cd "$build/bin"
echo "== qelsys install"
set +e
"$wine" qelsys.exe install
status=$?
set -e
echo "== qelsys status"
"$wine" qelsys.exe status
echo "== qelsys install exited with $status. To look again (services restart with Wine):"
echo "   WINEPREFIX=$prefix $wine $build/bin/qelsys.exe status"
if [ "$windows" = win31 ] && [ "$status" -eq 4 ]; then
  echo "== as it should on Windows 3.1, the library refused the platform"
  status=0
fi
exit "$status"
