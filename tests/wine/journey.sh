#!/usr/bin/env bash
# Runs one journey of the library under Wine on one Windows personality, in a
# prefix of its own: the phases of the journey host, one process each, with
# Wine restarted between them where the journey needs a restart.
# Usage: journey.sh JOURNEY PERSONALITY WORK_DIR OLD_BIN_DIR NEW_BIN_DIR
#   JOURNEY: lifecycle, upgrade, in-use, uninstall-string, contention
#   OLD_BIN_DIR holds QelC14BA.dll, its payloads and qeljourney.exe;
#   NEW_BIN_DIR a build of the DLL with newer payloads, or for contention
#   the second product's build.
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

# Waits up to two minutes for the marker file $1; shows the log $2 if it
# does not come.
await() {
  for _ in $(seq 600); do
    [ -f "$1" ] && return 0
    sleep 0.2
  done
  cat "$2"
  echo "$1 did not appear"
  return 1
}

# Another program holds the file open with share mode 0 until Wine stops.
hold() {
  local marker=$prefix.held
  rm -f "$marker"
  "$wine" "$old/qeljourney.exe" hold "$1" "$(windows_path "$marker")" \
    >"$prefix.hold.log" 2>&1 </dev/null &
  await "$marker" "$prefix.hold.log"
}

# Another installer owns the installer mutex until release_mutex.
markers=$prefix/drive_c
hold_mutex() {
  rm -f "$markers"/mutex.* "$markers"/contend-*
  "$wine" "$old/qeljourney.exe" hold-mutex "$personality" >"$prefix.hold-mutex.log" 2>&1 </dev/null &
  await "$markers/mutex.held" "$prefix.hold-mutex.log"
}
release_mutex() { touch "$markers/mutex.release"; }

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
    # The uninstaller's message box then fails at once instead of waiting.
    unset DISPLAY WAYLAND_DISPLAY
    phase fresh-install
    phase run-uninstall-string
    restart
    phase after-restart-removed
    ;;
  contention)
    hold_mutex
    QEL_TEST_MUTEX_WAIT_MS=3000 phase install-mutex-held
    # Both products wait for the held mutex; once both are waiting it is let
    # go and they install one after the other.
    phase contend-studio &
    studio=$!
    phase contend-viewer &
    viewer=$!
    await "$markers/contend-studio.ready" "$prefix.contend-studio.log"
    await "$markers/contend-viewer.ready" "$prefix.contend-viewer.log"
    sleep 2
    release_mutex
    rc=0
    wait "$studio" || rc=1
    wait "$viewer" || rc=1
    [ "$rc" -eq 0 ]
    phase after-contention
    ;;
  *)
    echo "unknown journey $journey"
    exit 2
    ;;
esac
stop_wine
wait
rm -rf "$prefix"
