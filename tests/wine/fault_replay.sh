#!/usr/bin/env bash
# The real DLL under Wine (XP): a fresh install and the last uninstall, each in
# a fresh copy of the prefix, with call K refused (error 5) by qelsys trace --fail;
# then a restart and a clean install must put everything in place.
# Usage: fault_replay.sh [SAMPLES [JOURNEYS]]
#   SAMPLES: calls per journey, or "all"; JOURNEYS: "install", "uninstall" or both (default)
source "$(dirname "$0")/../../tools/qelsys/tests/wine_session.sh"
samples=${1:-5} journeys=${2:-install uninstall}
start_session "fault_replay_${journeys// /_}" winxp
stop_wine
fresh=$WINEPREFIX.fresh installed=$WINEPREFIX.installed
mv "$WINEPREFIX" "$fresh"
trap 'rm -rf "$fresh" "$installed" "$WINEPREFIX".*.jsonl; end_session' EXIT

# use BASE: a fresh copy of BASE as the prefix, with Wine started in it.
use() { stop_wine; rm -rf "$WINEPREFIX"; cp -a "$1" "$WINEPREFIX"; boot; }

# calls COMMAND: how many calls the library makes for COMMAND, unfailed; keeps the trace.
calls() {
  qelsys trace "$1" --json --output 'C:\trace.jsonl'
  cp "$WINEPREFIX/drive_c/trace.jsonl" "$WINEPREFIX.$1.jsonl"
  tail -n 1 "$WINEPREFIX.$1.jsonl" | python3 -c 'import json, sys; print(json.load(sys.stdin)["calls"])'
}

# real_call COMMAND K: call K, or the call a lookup at K is for (the native
# sweep fails lookups; here the sample is a Windows call).
real_call() {
  python3 -c 'import json, sys
calls = [json.loads(l) for l in open(sys.argv[1]).read().splitlines()[:-1]]
k = int(sys.argv[2])
while k < len(calls) and calls[k - 1]["function"] in ("GetModuleHandleA", "GetProcAddress"): k += 1
print(k)' "$WINEPREFIX.$1.jsonl" "$2"
}

use "$fresh"
install_calls=$(calls install)
stop_wine
cp -a "$WINEPREFIX" "$installed"
uninstall_calls=0
if [[ " $journeys " == *" uninstall "* ]]; then
  use "$installed"
  uninstall_calls=$(calls uninstall)
fi
echo "install: $install_calls calls, uninstall: $uninstall_calls calls"

replay() {
  echo "== $1 with call $3 failing"
  use "$2"
  qelsys trace "$1" --json --output 'C:\trace.jsonl' --fail "$3=5"
  status_is replayed "$1" "$WINEPREFIX/drive_c/trace.jsonl"
  stop_wine; boot
  call install 1
  status_is installed nt5
}

# Every call, or SAMPLES calls spread evenly over the journey.
for journey in "install $fresh $install_calls" "uninstall $installed $uninstall_calls"; do
  set -- $journey
  [[ " $journeys " == *" $1 "* ]] || continue
  [ "$samples" = all ] && step=1 || step=$(( ($3 + samples - 1) / samples ))
  for call in $(seq 1 "$step" "$3"); do replay "$1" "$2" "$(real_call "$1" "$call")"; done
done
