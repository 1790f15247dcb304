# Sourced by the Wine tests. Each gets a fresh prefix copied from a template and one
# wineserver for its whole run, so that the service keeps running between commands.
# Environment: QEL_BIN (qelsys.exe, QelC14BA.dll, hold_file.exe), QEL_TEMPLATE (the
# template prefix, made on first use), QEL_WORK (for the prefixes), QEL_ARCH (i686|x86_64).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../wine-prefix.sh"
failures=0 out="" rc=0
dll=()     # qelsys options naming another library, for call and status_is
holder=""  # the process that hold started

# start_session NAME PERSONALITY
start_session() {
  export WINEPREFIX="$QEL_WORK/$1"
  trap end_session EXIT
  bash "$here/../../wine-personality.sh" "$QEL_TEMPLATE" "$WINEPREFIX" "$2"
  boot
}

# A wineserver that stays until end_session, and Wine's own processes: they
# keep the output of what starts them open, so that must go nowhere waited on.
boot() {
  "$wineserver" -p </dev/null >/dev/null 2>&1
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1
}

# Ends every Windows process of the prefix and flushes its registry.
stop_wine() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  if [ -n "$holder" ]; then wait "$holder" || true; holder=""; fi
}

end_session() {
  local status=$?
  stop_wine
  rm -rf "$WINEPREFIX"
  echo "$failures check(s) failed"
  exit $((failures > 0 ? 1 : status))
}

# run_in FOLDER COMMAND...: COMMAND's output (stdout and stderr, no CR) in $out, its status in $rc.
run_in() { rc=0; out=$(cd "$1" && "${@:2}" 2>&1) || rc=$?; out=${out//$'\r'/}; }
qelsys() { run_in "$QEL_BIN" "$wine" qelsys.exe "$@"; }

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
# expect WHAT COMMAND...: COMMAND succeeds.
expect() { if "${@:2}"; then pass "$1"; else fail "$1"; fi; }

# expect_status N WHAT [TEXT...]: the last command exited with N, its output holds each TEXT.
expect_status() {
  if [ "$rc" -eq "$1" ]; then pass "$2 (exit $rc)"; else fail "$2: exit $rc, expected $1"$'\n'"$out"; fi
  local text
  for text in "${@:3}"; do expect_text "$text" "$2"; done
}

# expect_text TEXT WHAT: the last output holds TEXT.
expect_text() {
  if grep -qF -- "$1" <<<"$out"; then pass "$2"; else fail "$2: no \"$1\" in"$'\n'"$out"; fi
}

# check_json KIND [ARGS...]: the last output passes json_checks.py KIND.
check_json() {
  local result; result=$(python3 "$here/json_checks.py" "$@" <<<"$out" 2>&1) && pass "JSON: $*" || fail "JSON: $*"$'\n'"$result"
}

# status_is KIND [ARGS...]: qelsys status --json exits with 0 and passes json_checks.py KIND.
status_is() {
  qelsys status --json "${dll[@]}"
  [ "$rc" -eq 0 ] || fail "status exited with $rc"
  check_json "$@"
}

# call COMMAND RESULT LAST_ERROR [SITE/CODE...]: qelsys COMMAND, then the
# library's answer: its result, last error and tracked codes newest first.
call() {
  qelsys "$1" "${dll[@]}"
  qelsys errors --json
  check_json run "$@"
}

# hold MARKER PROGRAM ARGS...: starts PROGRAM under Wine as $holder and waits
# until it has made C:\MARKER, its sign that it holds what it was asked to.
hold() {
  marker=$WINEPREFIX/drive_c/$1; rm -f "$marker"
  (cd "$QEL_BIN" && exec "$wine" "${@:2}") &
  holder=$!
  for _ in $(seq 100); do
    [ -f "$marker" ] && return 0
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.2
  done
  fail "${*:2} did not hold"
  return 1
}

# hold_file WINDOWS-PATH: another Windows process opens the file with share
# mode 0 and keeps it open until release.
hold_file() { hold qelsys-held.marker hold_file.exe "$1" 'C:\qelsys-held.marker'; }

# Ends what hold started: it lets go once its marker is gone.
release() { rm -f "$marker"; wait "$holder" || true; holder=""; }

# The registry and files of the prefix, without what Wine itself changes at
# every start; flushes the registry by stopping the wineserver.
snapshot() {
  stop_wine
  (cd "$WINEPREFIX" &&
    sed -E 's/^(\[.*\]) [0-9]+$/\1/; /^#time=/d; /^;;/d; /^#arch/d; /"DriverDateData"/d' \
      system.reg user.reg userdef.reg &&
    find drive_c -printf '%p %s %T@\n' | sort)
  boot
}

# json_value EXPRESSION: a value of the last JSON output, e.g. '["folders"]["install"]'.
json_value() { python3 -c "import json, sys; print(json.load(sys.stdin)$1)" <<<"$out"; }

# wine_reg ARGS...: Wine's reg.exe, which must succeed.
wine_reg() { "$wine" reg "$@" >/dev/null 2>&1 || fail "reg $*"; }

# A Windows path inside the prefix, as a Unix path.
unix_path() { local path=${1#[Cc]:\\}; echo "$WINEPREFIX/drive_c/${path//\\//}"; }
