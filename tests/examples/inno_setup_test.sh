#!/usr/bin/env bash
# Compiles the Inno Setup example with Inno Setup 6.4.1's ISCC under Wine, runs the setup
# and its uninstaller silently on Windows 7 (Inno Setup 6 needs it) and reads the log.
# Needs an X server (xvfb-run): even a silent setup makes its wizard's windows. wow64: in
# a 64-bit prefix (QEL_ARCH=x86_64) the i686 library refuses, and nothing is copied.
# Usage: inno_setup_test.sh SCRIPT CODES LIBRARY WORK [wow64]
set -euo pipefail
script=$1 codes=$2 library=$3 work=$4
iscc=/opt/innosetup-6.4.1/bin/ISCC.exe  # from tools/install-deps.sh
source "$(dirname "$0")/../../tools/qelsys/tests/wine_session.sh"
start_session "inno${5:+-$5}" win7
mkdir -p "$work" && cp "$script" "$codes" "$library" "$work/"
run_in "$work" "$wine" "$iscc" /Q "$(basename "$script")"
expect_status 0 "ISCC compiles the example"
cp "$work/Output/LumasettSetup.exe" "$WINEPREFIX/drive_c/"
# setup PROGRAM: run silently; its log in $out.
log() { out=$(tr -d '\r' <"$WINEPREFIX/drive_c/setup.log"); }
setup() { run_in . "$wine" "$1" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART '/LOG=C:\setup.log'; log; }
setup 'C:\LumasettSetup.exe'
if [ "${5:-}" = wow64 ]; then
  expect_status 7 "the 32-bit setup on 64-bit Windows stops in its preparation" \
    "QelSys: QelSysInstall returned 0, code 1100" "0605044C: BuildComponents" \
    "Lumasett Studio does not support this version of Windows."
  expect "and copies nothing" [ ! -e "$WINEPREFIX/drive_c/Program Files (x86)/Lumasett Studio" ]
  exit 0
fi
expect_status 0 "the setup, run silently" "QelSys: QelSysInstall returned 1, code 2003"
status_is installed nt5
copy=$(json_value '["folders"]["install"]')QELC14BA.DLL
cp "$QEL_BIN/QELC11BA.VXD" "$(unix_path "$copy")" && hold_file "$copy"  # older, and held
setup 'C:\LumasettSetup.exe'
expect_status 0 "the setup with the library copy held: a restart, though the call succeeded" \
  "QelSys: QelSysInstall returned 1, code 2002" "020F03E9: FileComponent.Deploy: restart Windows" \
  "Need to restart Windows? Yes"
release
setup 'C:\Program Files\Lumasett Studio\unins000.exe'
# The uninstaller copies itself to Temp and returns; its log is written there.
for _ in $(seq 60); do grep -qs 'Log closed' "$WINEPREFIX/drive_c/setup.log" && break; sleep 1; done
log
expect_text "QelSys: QelSysUnInstall returned 1, code 2004" "the uninstaller, run silently"
status_is uninstalled
