#!/usr/bin/env bash
# On Windows XP: qelsys trace shows the library's Windows calls in order,
# with nothing left open, writes no file when everything is current, and
# fails the call it is told to. Wine offers a performance counter and every
# function on every personality; a real Windows 95 may show 0 ms throughout.
source "$(dirname "$0")/wine_session.sh"
start_session trace winxp

qelsys trace install --json
expect_status 0 "trace of a fresh install"
check_json trace CreateMutexA fwrite "CreateServiceA OrbanetQelC11BA" "CreateServiceA QelC15BA" \
  CopyFileA "RegSetValueExA DisplayName" ReleaseMutex

qelsys trace install --output 'C:\trace.txt'
expect_status 0 "trace of the install again: the result still goes to the console" "Result: succeeded"
trace=$(tr -d '\r' <"$WINEPREFIX/drive_c/trace.txt")
! grep -qE '^ *[0-9]+ (fopen|fwrite|CopyFileA|MoveFileExA) ' <<<"$trace" &&
  grep -q '^Left open by the library: 0$' <<<"$trace" &&
  pass "nothing written, nothing left open when all is current" || fail "$trace"

qelsys uninstall
expect_status 0 "uninstall"
qelsys trace install --fail 1:CreateServiceA=5
# The refused call is shown with the error it was given; the library records the refusal.
expect_status 1 "an install whose first CreateServiceA is refused" \
  "CreateServiceA service=\"OrbanetQelC11BA\"" "(injected failure, last error 5)" \
  "site 0x438, code 1007 ACCESS_DENIED"
