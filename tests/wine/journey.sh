#!/usr/bin/env bash
# Runs one journey of the library under Wine on one Windows personality, in a
# prefix of its own: the phases of the journey host, one process each, with
# Wine restarted between them where the journey needs a restart.
# Usage: journey.sh JOURNEY PERSONALITY WORK_DIR OLD_BIN_DIR NEW_BIN_DIR
#   JOURNEY: lifecycle, upgrade, in-use, uninstall-string
#   OLD_BIN_DIR holds QelC14BA.dll, its payloads and qeljourney.exe;
#   NEW_BIN_DIR a build of the DLL with newer payloads.
set -euo pipefail
journey=$1
personality=$2
work=$(realpath -m "$3")
old=$(realpath "$4")
new=$(realpath "$5")
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$work/$journey-$personality
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

bash "$root/tools/wine-personality.sh" "$work/template" "$prefix" "$personality"
export WINEPREFIX=$prefix
rm -f "$prefix".*.log

stop_wine() {
  "$server" -k 2>/dev/null || true
  "$server" -w 2>/dev/null || true
}
trap stop_wine EXIT

# Each new wineserver starts like a booting machine: restart-time renames
# are carried out and automatic services start. The server stays up for the
# journey; processes started from a phase (services, drivers) inherit its
# output, so every phase writes to a file.
start_wine() { "$server" -p >/dev/null 2>&1 </dev/null; }
restart() {
  echo "== restart"
  stop_wine
  start_wine
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

phase() {
  local log=$prefix.$1.log started=$SECONDS rc=0
  "$wine" "$old/qeljourney.exe" "$1" "$personality" "$(windows_path "$old")" \
    "$(windows_path "$new")" >"$log" 2>&1 </dev/null || rc=$?
  echo "== $journey on $personality: $1 ($((SECONDS - started)) s)"
  cat "$log"
  return "$rc"
}

# Another program holds the file open with share mode 0 until Wine stops.
hold() {
  local marker=$prefix.held
  rm -f "$marker"
  "$wine" "$old/qeljourney.exe" hold "$1" "$(windows_path "$marker")" \
    >"$prefix.hold.log" 2>&1 </dev/null &
  for _ in $(seq 300); do
    [ -f "$marker" ] && return 0
    sleep 0.2
  done
  cat "$prefix.hold.log"
  echo "the file was not held"
  return 1
}

program='C:\Program Files\Common Files\Ostravik Shared\Lumasett\Install\QELC13BA.EXE'
start_wine
case $journey in
  lifecycle)
    phase fresh-install
    phase install-again
    phase uninstall-shared
    phase uninstall-last
    ;;
  upgrade)
    phase fresh-install
    phase upgrade
    ;;
  in-use)
    phase fresh-install
    # The unsupported platform installs nothing that could be held.
    [ "$personality" = win31 ] || hold "$program"
    phase install-held
    restart
    phase after-restart-current
    ;;
  uninstall-string)
    phase fresh-install
    phase run-uninstall-string
    restart
    phase after-restart-removed
    ;;
  *)
    echo "unknown journey $journey"
    exit 2
    ;;
esac
stop_wine
wait
rm -rf "$prefix"
