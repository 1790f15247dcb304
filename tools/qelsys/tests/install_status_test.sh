#!/usr/bin/env bash
# On Windows XP: after an install, status reports every component present and
# current and the service running with the version it answers; status itself
# changes nothing; an uninstall takes everything away again.
source "$(dirname "$0")/wine_session.sh"
start_session install_status winxp

qelsys status --json
expect_status 0 "status before the install"
check_json removed

qelsys install
expect_status 0 "install"
expect_text "Result: succeeded (QelSysInstall returned 1)" "install reports success"
qelsys errors --json
check_json succeeded install

qelsys status --json
expect_status 0 "status --json after the install"
check_json installed nt5
answer=$(json_value '["serviceAnswer"]')

qelsys status
expect_text "OrbanetQelC11BA  registered, running, automatic start, own process" "text: the service runs"
expect_text "QelC15BA         registered, running, automatic start, kernel driver" "text: the driver runs"
expect_text "Version answered on the service's pipe: $answer" "text: the version the service answers"
expect_text "  B241A000  Lumasett Studio" "text: the product is registered"

before=$(snapshot)
qelsys status --json
after=$(snapshot)
if [ "$before" = "$after" ]; then
  pass "status changed neither the registry nor a file"
else
  fail "status changed the machine:"$'\n'"$(diff <(echo "$before") <(echo "$after") | head -20)"
fi

qelsys status --check
expect_status 0 "status --check on a complete install"
expect_text "Verdict: consistent: installed, 1 product registered" "the verdict"
# Windows reads only a REG_MULTI_SZ value; another type is not "none".
manager='HKLM\System\CurrentControlSet\Control\Session Manager'
"$wine" reg add "$manager" /v PendingFileRenameOperations /t REG_SZ /d x /f >/dev/null 2>&1
qelsys status --check
expect_status 6 "a PendingFileRenameOperations value of the wrong type"
expect_text "unreadable, the value is of type 1, not REG_MULTI_SZ (7)" "status names the type"
"$wine" reg delete "$manager" /v PendingFileRenameOperations /f >/dev/null 2>&1
qelsys status --json
program=$(json_value '["components"][-1]["path"]')
mv "$(unix_path "$program")" "$WINEPREFIX/program.saved"
qelsys status --check
expect_status 6 "status --check with a component file gone"
expect_text "Verdict: needs repair: $program is missing while 1 product is registered" "the reason"
mv "$WINEPREFIX/program.saved" "$(unix_path "$program")"
echo "not a library" >"$WINEPREFIX/drive_c/text.dll"
qelsys status --dll 'C:\text.dll'
expect_text 'Library: C:\text.dll (not a library this qelsys can read)' "a file that is no DLL"

qelsys uninstall
expect_status 0 "uninstall"
qelsys errors --json
check_json succeeded uninstall
qelsys status --json
check_json uninstalled
