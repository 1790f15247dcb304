#!/usr/bin/env bash
# A file another Windows process holds with share mode 0 is replaced (upgrade) or
# deleted (uninstall) at the next restart; 'qelsys errors' names the operations with
# their advice.
source "$(dirname "$0")/wine_session.sh"
start_session held_file winxp

qelsys install
expect_status 0 "first install"
qelsys status --json
install=$(json_value '["folders"]["install"]')
library="${install}QELC14BA.DLL" uninstaller="${install}QELC13BA.EXE"

# An older library copy: the device driver stand-in carries an older version.
cp "$QEL_BIN/QELC11BA.VXD" "$(unix_path "$library")"
hold_file "$library"
qelsys install
# Replaced at the restart (0x20F/1001) while the call succeeds: exit 3 all the same.
expect_status 3 "the upgrade goes ahead with the library copy held" \
  "Result: succeeded, with 6 failures recorded (QelSysInstall returned 1)" "site 0x20F, code 1001 RESTART_NEEDED"
qelsys errors
expect_status 0 "errors: the held file, the operation and the advice" \
  "site 0x10F, code 1002 IN_USE" \
  "operation: FileComponent.CanProceed (checking that a file can be replaced)" \
  "advice:    a file is held by another program; close it or restart, then run setup again."
qelsys errors --json
check_json error 0x10F FileComponent.CanProceed
check_json error 0x20F FileComponent.Deploy
status_is pending QELC14BA.DLL
qelsys status --check
expect_status 3 "status --check: a restart is pending"
release

hold_file "$uninstaller"
qelsys uninstall
expect_status 3 "the uninstall finishes at the next restart" "Public code: 1001 RESTART_NEEDED"
qelsys errors
expect_status 0 "errors: the file not deleted, the operation and the advice" \
  "site 0x253, code 1001 RESTART_NEEDED" \
  "operation: FileComponent.Remove (removing a file)" \
  "advice:    a file is held by another program; restart Windows to finish removing it."
qelsys errors --json
check_json error 0x253 FileComponent.Remove
status_is pending QELC13BA.EXE
check_json products 0
release
