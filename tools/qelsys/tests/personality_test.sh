#!/usr/bin/env bash
# On a Windows the library does not support, qelsys reports the refusal and
# status shows nothing to install. The supported versions are the journeys'.
source "$(dirname "$0")/wine_session.sh"
start_session personality_win31 win31

qelsys install
expect_status 4 "install on a Windows the library does not support names the refusal" \
  "site 0x1E4, code 1100 UNSUPPORTED_PLATFORM"
qelsys errors --json
check_json error 0x1E4 BuildComponents
status_is unsupported
