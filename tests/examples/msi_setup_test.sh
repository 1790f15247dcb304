#!/usr/bin/env bash
# Builds a small product around the Windows Installer example's fragment with wixl and
# runs it silently under Wine's msiexec: on XP the install, then the removal with the
# library copy held (a reboot asked for); on Windows 3.1 the action fails and the install
# is rolled back. Wine runs a rollback action where it is scheduled, without its data,
# and not at a rollback: the fragment's rollback of the components is not checked here.
# Usage: msi_setup_test.sh FRAGMENT ACTION_DLL LIBRARY WORK [unsupported]
set -euo pipefail
fragment=$1 action=$2 library=$3 work=$4
mkdir -p "$work" && cp "$action" "$library" "$work/"
# The package of the build's architecture (QEL_ARCH), for the matching prefix.
x64=$([ "${QEL_ARCH:-i686}" = x86_64 ] && echo 1 || true)
python3 - "$fragment" "$(dirname "$0")/msi_product.wxs" "$x64" >"$work/product.wxs" <<'PY'
import re, string, sys
actions = re.search(r'<Fragment Id="QelSysActions">(.*)</Fragment>', open(sys.argv[1]).read(), re.S)[1]
x64 = sys.argv[3] == "1"
print(string.Template(open(sys.argv[2]).read()).substitute(actions=actions, platform='Platform="x64" ' * x64,
      folder="ProgramFiles64Folder" if x64 else "ProgramFilesFolder", win64=' Win64="yes"' * x64))
PY
(cd "$work" && wixl ${x64:+-a x64} -o product.msi product.wxs)
source "$(dirname "$0")/../../tools/qelsys/tests/wine_session.sh"
# msiexec ACTION: its exit status in $rc, the QelSys lines of its log in $out.
msiexec() {
  run_in . "$wine" msiexec "$1" 'C:\product.msi' /qn /l*v 'C:\msi.log'
  out=$(grep -a 'QelSys: ' "$WINEPREFIX/drive_c/msi.log" | tr -d '\r' || true)
}
if [ "${5:-}" = unsupported ]; then start_session msi-win31 win31; else start_session msi winxp; fi
cp "$work/product.msi" "$WINEPREFIX/drive_c/"
msiexec /i
if [ "${5:-}" = unsupported ]; then
  expect_status $((1603 % 256)) "the package on an unsupported Windows fails" \
    "QelSys: QelSysInstall returned 0, code 1100" "QelSys: tracked 0x01E4044C"
  expect "and is rolled back" [ ! -e "$WINEPREFIX/drive_c/Program Files/Lumasett Studio/QelC14BA.dll" ]
  status_is removed
  exit 0
fi
expect_status 0 "the package, installed silently" "QelSys: QelSysInstall returned 1, code 2003"
status_is installed nt5
copy=$(json_value '["folders"]["install"]')QELC14BA.DLL
hold_file "$copy"
msiexec /x
expect_status $((3010 % 256)) "the package removed with the library copy held: a reboot is asked for" \
  "QelSys: QelSysUnInstall returned 0, code 1001" "QelSys: tracked 0x"
release
status_is pending QELC14BA.DLL
