#!/usr/bin/env bash
# Install, status and uninstall under another Windows version.
# Usage: personality_test.sh PERSONALITY FAMILY (9x, nt4, or unsupported)
source "$(dirname "$0")/wine_session.sh"
start_session "personality_$1" "$1"

if [ "$2" = unsupported ]; then
  qelsys install
  expect_status 4 "install on a Windows the library does not support"
  expect_text "site 0x1E4, code 1100 UNSUPPORTED_PLATFORM" "install names the refusal"
  qelsys errors --json
  check_json error 0x1E4 BuildComponents
  qelsys status --json
  check_json unsupported
  exit 0
fi

qelsys install
expect_status 0 "install"
qelsys status --json
check_json installed "$2"
set_name=$(json_value '["platform"]["componentSet"]')
qelsys status
expect_text "component set: $set_name" "text: the component set"
qelsys uninstall
expect_status 0 "uninstall"
qelsys status --json
check_json removed
