#!/usr/bin/env bash
# On XP: qelsys trace (the calls in order, nothing left open or written when all
# is current, a call failed on request); status, which changes nothing; and
# status --check telling a complete install from a broken one. (The JSON before
# the install and after the uninstall: wine_journey_lifecycle_winxp.) Wine has
# every function and a performance counter everywhere; a real Windows 95 may show 0 ms.
source "$(dirname "$0")/wine_session.sh"
start_session install_status winxp

qelsys trace install --json
expect_status 0 "trace of a fresh install"
check_json trace CreateMutexA fwrite "CreateServiceA OrbanetQelC11BA" "CreateServiceA QelC15BA" \
  CopyFileA "RegSetValueExA DisplayName" ReleaseMutex
status_is installed nt5
answer=$(json_value '["serviceAnswer"]')

# All is current, so no MoveFileExA comes to be refused.
qelsys trace install --output 'C:\trace.txt' --fail 1:MoveFileExA=5
expect_status 8 "trace of the install again: the result still goes to the console" \
  "Result: succeeded (QelSysInstall returned 1)" "nothing was injected"
trace=$(tr -d '\r' <"$WINEPREFIX/drive_c/trace.txt")
! grep -qE '^ *[0-9]+ (fopen|fwrite|CopyFileA|MoveFileExA) ' <<<"$trace" &&
  grep -q '^Left open by the library: 0$' <<<"$trace" && grep -q '^Fault not injected' <<<"$trace" &&
  pass "nothing written, nothing left open when all is current" || fail "$trace"

qelsys status
expect_text "OrbanetQelC11BA  registered, running, automatic start, own process" "text: the service runs"
expect_text "QelC15BA         registered, running, automatic start, kernel driver" "text: the driver runs"
expect_text "Version answered on the service's pipe: $answer" "text: the version the service answers"
expect_text "  B241A000  Lumasett Studio" "text: the product is registered"

before=$(snapshot)
qelsys status --json
after=$(snapshot)
[ "$before" = "$after" ] && pass "status changed neither the registry nor a file" ||
  fail "status changed the machine:"$'\n'"$(diff <(echo "$before") <(echo "$after") | head -20)"

qelsys status --check
expect_status 0 "status --check on a complete install" "Verdict: consistent: installed, 1 product registered"
# Windows reads only a REG_MULTI_SZ value; another type is not "none".
manager='HKLM\System\CurrentControlSet\Control\Session Manager'
wine_reg add "$manager" /v PendingFileRenameOperations /t REG_SZ /d x /f
qelsys status --check
expect_status 6 "a PendingFileRenameOperations value of the wrong type is named" \
  "unreadable, the value is of type 1, not REG_MULTI_SZ (7)"
wine_reg delete "$manager" /v PendingFileRenameOperations /f
qelsys status --json
program=$(json_value '["components"][-1]["path"]')
mv "$(unix_path "$program")" "$WINEPREFIX/program.saved"
qelsys status --check
expect_status 6 "status --check with a component file gone" \
  "Verdict: needs repair: $program is missing while 1 product is registered"
mv "$WINEPREFIX/program.saved" "$(unix_path "$program")"

# Registrations an install rewrites: each broken one needs repair, and an
# install repairs it. Most telling first, so that one left unrepaired would
# show in the next case's verdict instead.
services='HKLM\System\CurrentControlSet\Services'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QelC13Ba'
qelsys status --json
service_path=$(json_value '["components"][0]["path"]')
other='C:\windows\system32\hostname.exe'  # a program that is there, but no service
while IFS='|' read -r break reason; do
  eval "$break"
  qelsys status --check
  expect_status 6 "status --check after: $break" "Verdict: needs repair: $reason"
  qelsys install
  expect_status 0 "install repairs it"
done <<EOF2
"$wine" sc stop OrbanetQelC11BA >/dev/null; "$wine" sc delete OrbanetQelC11BA >/dev/null|the service OrbanetQelC11BA is not registered
wine_reg add "$services\OrbanetQelC11BA" /v ImagePath /d "$other" /f; stop_wine; boot|the service OrbanetQelC11BA runs $other, not $service_path
wine_reg delete "$entry" /v UninstallString /f|the Add/Remove Programs entry has no UninstallString
wine_reg add "$entry" /v UninstallString /d "$other" /f|the Add/Remove Programs entry runs $other, not $program /uninstall
wine_reg delete "$entry" /v VersionMajor /f|the Add/Remove Programs entry has no version: it was not written whole
EOF2
qelsys status --check
expect_status 0 "repaired" "Verdict: consistent: installed, 1 product registered"
echo "not a library" >"$WINEPREFIX/drive_c/text.dll"
qelsys status --dll 'C:\text.dll'
expect_text 'Library: C:\text.dll (not a library this qelsys can read)' "a file that is no DLL"

qelsys uninstall
expect_status 0 "uninstall"
qelsys trace install --output 'C:\no such folder\trace.txt'
expect_status 7 "a trace file that cannot be written" "could not be written"
qelsys trace install --fail 1:CreateServiceA=5
# The refused call is shown with the error it was given; the library records the refusal.
expect_status 1 "an install whose first CreateServiceA is refused" \
  "CreateServiceA service=\"OrbanetQelC11BA\"" "(injected failure, last error 5)" \
  "site 0x438, code 1007 ACCESS_DENIED"
