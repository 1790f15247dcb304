#!/usr/bin/env bash
# Builds every configuration and runs all tests: the native tests plain and
# under AddressSanitizer/UndefinedBehaviorSanitizer, bounded fuzz runs, and
# the real DLL for i686 and x86_64 (the latter loaded under Wine).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QEL_BUILD_DIR:-$root/build}
passed=0
failed=0
status=0

run_config() {
  local name=$1
  shift
  echo "== $name"
  cmake -S "$root" -B "$build/$name" -G Ninja "$@" >"$build/$name.configure.log" 2>&1 ||
    { cat "$build/$name.configure.log"; return 1; }
  local started=$SECONDS
  cmake --build "$build/$name" || return 1
  local built=$SECONDS
  local log="$build/$name.ctest.log"
  local rc=0
  (cd "$build/$name" && ctest --output-on-failure -j2 "${ctest_options[@]}") 2>&1 | tee "$log" || rc=$?
  times+=("$name: build $((built - started)) s, tests $((SECONDS - built)) s")
  local line
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$line" ]; then
    echo "$name: ctest ran no test"
    return 1
  fi
  local f t
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
  return "$rc"
}

times=()
ctest_options=()
mkdir -p "$build"
run_config native -DCMAKE_BUILD_TYPE=Debug || status=1
run_config sanitize -DCMAKE_BUILD_TYPE=Debug -DQEL_SANITIZE=ON || status=1
CC=clang CXX=clang++ run_config fuzz -DCMAKE_BUILD_TYPE=Debug -DQEL_FUZZ=ON || status=1
# Under Wine through qemu-i386 a test has, rarely, stopped making progress
# (twice in CI, in different journeys; 29 repeats of one under load never
# did): one that times out runs once more, and both runs show in the log.
# A failure is not retried.
ctest_options=(--repeat after-timeout:2)
run_config win32 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" || status=1
run_config win64 -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-w64-mingw32.cmake" || status=1

printf 'time %s\n' "${times[@]}" "all: $SECONDS s"
echo "all builds: $passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$status" -eq 0 ]
