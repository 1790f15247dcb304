#!/usr/bin/env bash
# Builds and runs every benchmark and prints its tables:
#  1. calls, writes and waits of whole journeys on the simulation, compared
#     with bench/baseline.json (the script exits 1 when a figure grew);
#  2. wall time of the x86_64 DLL under 64-bit Wine against plain hosts;
#  3. the raw "FileVersion" scan, natively and under Wine;
#  4. the real DLL's time split by qelsys trace (exits 1 over the goal).
# Usage: bench/run.sh [--runs N] [--accept] [--counts-only] [--scan-sizes 1,16,128]
#   --runs N        Wine runs to take the median of (default 5)
#   --accept        record the journey counts as the new baseline
#   --counts-only   only the journey counts (seconds, no Wine)
# Builds under ${QEL_BUILD_DIR:-build}/bench.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${QEL_BUILD_DIR:-$root/build}/bench")
runs=5
accept=""
counts_only=0
scan_sizes=1,16,128
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --accept) accept=--accept; shift ;;
    --counts-only) counts_only=1; shift ;;
    --scan-sizes) scan_sizes=$2; shift 2 ;;
    *) echo "usage: $0 [--runs N] [--accept] [--counts-only] [--scan-sizes LIST]" >&2; exit 2 ;;
  esac
done
mkdir -p "$build"

echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)"
echo "Commit: $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)"

cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Release >"$build/native.configure.log"
targets=(journey_counts)
[ "$counts_only" -eq 1 ] || targets+=(version_scan)
cmake --build "$build/native" --target "${targets[@]}" >"$build/native.build.log" ||
  { cat "$build/native.build.log"; exit 2; }

echo
echo "== Journeys on the simulation (deterministic)"
status=0
"$build/native/bench/journey_counts" --baseline "$root/bench/baseline.json" \
  --json "$build/journey_counts.json" $accept || status=$?
"$build/native/bench/journey_counts" --details >"$build/journey_details.txt"
[ "$counts_only" -eq 0 ] || exit "$status"

echo
echo "== Raw version scan, native"
"$build/native/bench/version_scan" --sizes "$scan_sizes" --dir "$build" | sed 's/^/  /'

echo
echo "== The x86_64 DLL under Wine"
cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" \
  >"$build/win64.configure.log"
cmake --build "$build/win64" --target bench_wine qelsys >"$build/win64.build.log" ||
  { cat "$build/win64.build.log"; exit 2; }
template=$build/wine-template
if [ ! -f "$template/system.reg" ]; then
  QEL_ARCH=x86_64 bash "$root/tools/wine-run.sh" "$template" cmd /c exit >/dev/null 2>&1 || true
fi
WINEPREFIX=$template /usr/lib/wine/wineserver -k 2>/dev/null || true
WINEPREFIX=$template /usr/lib/wine/wineserver -w 2>/dev/null || true
bash "$root/bench/wine-measure.sh" "$build/win64/bin" "$template" "$build/wine-runs" "$runs" \
  "$build/journey_details.txt" "$scan_sizes"

echo
echo "== Where the real DLL's time goes, by qelsys trace"
bash "$root/bench/trace-split.sh" "$build/win64/bin" "$build/trace-split" "$runs" || status=1
exit "$status"
