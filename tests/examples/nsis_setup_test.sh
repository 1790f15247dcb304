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
product='C:\Program Files\Lumasett Studio'
if [ "${6:-}" = unsupported ]; then
  start_session nsis-win31 win31
  run_in . "$wine" "$setup" /S
  expect_status 2 "the setup on an unsupported Windows"
  expect "it wrote no uninstaller" [ ! -e "$(unix_path "$product")/Uninstall.exe" ]
  exit 0
fi

start_session nsis winxp
run_in . "$wine" "$setup" /S
expect_status 0 "the setup, run silently"
status_is installed nt5
check_json products 1
uninstaller=$(unix_path "$product")/Uninstall.exe
expect "the setup wrote $product\Uninstall.exe" [ -f "$uninstaller" ]
# _? runs the uninstaller in place, so Wine returns its exit status.
run_in . "$wine" "$uninstaller" /S "_?=$product"
expect_status 0 "the uninstaller, run silently"
status_is uninstalled
