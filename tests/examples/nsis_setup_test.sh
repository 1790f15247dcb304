#!/usr/bin/env bash
# Builds the NSIS example with makensis; unless told build-only, runs it
# silently under Wine: on XP its install leaves every component current and
# its uninstaller removes them again; on Windows 3.1, which the library does
# not support, the setup fails.
# Usage: nsis_setup_test.sh TARGET DLL CODES SCRIPT OUTFILE [build-only|unsupported]
set -euo pipefail
target=$1 dll=$2 codes=$3 script=$4 setup=$5
rm -f "$setup"
mkdir -p "$(dirname "$setup")"
makensis -V2 -WX "-DTARGET=$target" "-DQELSYS_DLL=$dll" "-DQELSYS_CODES=$codes" \
  "-DOUTFILE=$setup" "$script"
[ -f "$setup" ] || { echo "makensis made no $setup"; exit 1; }
echo "ok: makensis built $(basename "$setup") for $target"
[ "${6:-}" = build-only ] && exit 0

source "$(dirname "$0")/../../tools/qelsys/tests/wine_session.sh"
run() {
  set +e
  out=$("$wine" "$@" 2>&1)
  rc=$?
  set -e
}

if [ "${6:-}" = unsupported ]; then
  start_session nsis-win31 win31
  run "$setup" /S
  expect_status 2 "the setup on an unsupported Windows"
  [ ! -e "$(unix_path 'C:\Program Files\Lumasett Studio')/Uninstall.exe" ] &&
    pass "it wrote no uninstaller" || fail "it wrote an uninstaller"
  exit 0
fi

start_session nsis winxp
run "$setup" /S
expect_status 0 "the setup, run silently"
qelsys status --json
check_json installed nt5
check_json products 1

product='C:\Program Files\Lumasett Studio'
[ -f "$(unix_path "$product")/Uninstall.exe" ] && pass "the setup wrote its uninstaller" ||
  fail "no Uninstall.exe in $product"
# _? runs the uninstaller in place, so Wine returns its exit status.
run "$(unix_path "$product")/Uninstall.exe" /S "_?=$product"
expect_status 0 "the uninstaller, run silently"
qelsys status --json
check_json uninstalled
