# Sourced by the Wine tests of qelsys. Each test gets a fresh Windows prefix
# copied from a template and one wineserver that lives as long as the test,
# so that the service keeps running between commands.
# Environment: QEL_BIN (qelsys.exe, QelC14BA.dll, hold_file.exe), QEL_TEMPLATE
# (the template prefix, made on first use), QEL_WORK (a folder for the prefixes).
set -euo pipefail
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
failures=0
out=""
rc=0

# start_session NAME PERSONALITY
start_session() {
  export WINEPREFIX="$QEL_WORK/$1"
  trap end_session EXIT
  bash "$here/../../wine-personality.sh" "$QEL_TEMPLATE" "$WINEPREFIX" "$2"
  boot
}

# Starts a wineserver that stays until end_session, and Wine's own processes
# with it. They outlive the command that starts them and keep its output
# open, so that command must write nowhere that a caller waits on.
boot() {
  "$wineserver" -p </dev/null >/dev/null 2>&1
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1
}

end_session() {
  local status=$?
  [ -n "${holder:-}" ] && release_file
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  echo "$failures check(s) failed"
  [ "$failures" -eq 0 ] && exit "$status"
  exit 1
}

# Runs qelsys.exe; leaves its output (stdout and stderr, without CR) in $out
# and its exit status in $rc.
qelsys() {
  set +e
  out=$(cd "$QEL_BIN" && "$wine" qelsys.exe "$@" 2>&1)
  rc=$?
  set -e
  out=${out//$'\r'/}
}

fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

pass() { echo "ok: $*"; }

# expect_status N WHAT
expect_status() {
  if [ "$rc" -eq "$1" ]; then pass "$2 (exit $rc)"; else fail "$2: exit $rc, expected $1"$'\n'"$out"; fi
}

# expect_text TEXT WHAT: the last output holds TEXT.
expect_text() {
  if grep -qF -- "$1" <<<"$out"; then pass "$2"; else fail "$2: no \"$1\" in"$'\n'"$out"; fi
}

# check_json KIND [ARGS...]: the last output passes json_checks.py KIND.
check_json() {
  local result
  if result=$(python3 "$here/json_checks.py" "$@" <<<"$out" 2>&1); then
    pass "JSON: $*"
  else
    fail "JSON: $*"$'\n'"$result"
  fi
}

# hold_file WINDOWS-PATH: another Windows process opens the file with share
# mode 0 and keeps it open until release_file.
hold_file() {
  marker_unix="$WINEPREFIX/drive_c/qelsys-held.marker"
  rm -f "$marker_unix"
  (cd "$QEL_BIN" && exec "$wine" hold_file.exe "$1" 'C:\qelsys-held.marker') &
  holder=$!
  for _ in $(seq 100); do
    [ -f "$marker_unix" ] && return 0
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.2
  done
  fail "$1 could not be held"
  return 1
}

release_file() {
  rm -f "$marker_unix"
  wait "$holder" || true
  holder=""
}

# The registry and files of the prefix, without what Wine itself changes at
# every start; flushes the registry by stopping the wineserver.
snapshot() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  (cd "$WINEPREFIX" &&
    sed -E 's/^(\[.*\]) [0-9]+$/\1/; /^#time=/d; /^;;/d; /^#arch/d; /"DriverDateData"/d' \
      system.reg user.reg userdef.reg &&
    find drive_c -printf '%p %s %T@\n' | sort)
  boot
}

# json_value EXPRESSION: a value of the last JSON output, e.g. '["folders"]["install"]'.
json_value() {
  python3 -c "import json, sys; print(json.load(sys.stdin)$1)" <<<"$out"
}

# A Windows path inside the prefix, as a Unix path.
unix_path() {
  local path=${1#[Cc]:\\}
  echo "$WINEPREFIX/drive_c/${path//\\//}"
}
