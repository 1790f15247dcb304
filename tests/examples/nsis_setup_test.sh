#!/usr/bin/env bash
# Builds the NSIS example; unless build-only, runs it silently under Wine, reading its log. On XP
# it installs, asks for a restart with the library copy held, uninstalls at once; on Win 3.1 it fails.
# Usage: nsis_setup_test.sh TARGET DLL CODES SCRIPT OUTFILE [build-only|unsupported]
set -euo pipefail
target=$1 dll=$2 codes=$3 script=$4 setup=$5
mkdir -p "$(dirname "$setup")"
makensis -V2 -WX "-DTARGET=$target" "-DQELSYS_DLL=$dll" "-DQELSYS_CODES=$codes" \
  "-DOUTFILE=$setup" "$script"
[ "${6:-}" = build-only ] && exit 0
source "$(dirname "$0")/../../tools/qelsys/tests/wine_session.sh"
product='C:\Lumasett'  # no space: Wine would quote _?=, which NSIS then ignores
# run PROGRAM ARGS...: its exit status in $rc, the setup's log so far in $out.
run() { run_in . "$wine" "$@"; out=$(cat "$WINEPREFIX"/drive_c/users/*/Temp/LumasettSetup.log); }
if [ "${6:-}" = unsupported ]; then start_session nsis-win31 win31; else start_session nsis winxp; fi
run "$setup" /S "/D=$product"
if [ "${6:-}" = unsupported ]; then
  expect_status 2 "the setup on an unsupported Windows" \
    "tracked 0x01E4044C: BuildComponents: this Windows version is not supported"
  expect "it wrote no uninstaller" [ ! -e "$(unix_path "$product")/Uninstall.exe" ]
  exit 0
fi
expect_status 0 "the setup, run silently" "QelSysInstall returned 1, code 2003"
status_is installed nt5
library=$(json_value '["folders"]["install"]')QELC14BA.DLL
cp "$QEL_BIN/QELC11BA.VXD" "$(unix_path "$library")" && hold_file "$library"  # older, and held
run "$setup" /S "/D=$product"
expect_status $((3010 % 256)) "the setup with the library copy held" \
  "tracked 0x020F03E9: FileComponent.Deploy: restart Windows" "Restart Windows to finish."
release
run "$(unix_path "$product")/Uninstall.exe" /S "_?=$product"
expect_status 0 "the uninstaller, run silently" "QelSysUnInstall returned 1, code 2004"
expect "it ran in place, so it is left to its caller" [ -f "$(unix_path "$product")/Uninstall.exe" ]
status_is uninstalled
