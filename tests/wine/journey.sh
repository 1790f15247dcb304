#!/usr/bin/env bash
# One journey of the real DLL under Wine on one Windows personality, in a
# prefix of its own. qelsys makes each call as a setup program would and reads
# the machine back; Wine is restarted where the journey needs a restart.
# Usage: journey.sh JOURNEY PERSONALITY
#   JOURNEY: lifecycle, upgrade, in-use, uninstall-string, contention
# Environment as for the qelsys tests, and QEL_NEWER (a build of the DLL with
# newer payloads) and QEL_SECOND (the second product's build).
source "$(dirname "$0")/../../tools/qelsys/tests/wine_session.sh"
journey=$1
personality=$2
start_session "journey_${journey}_$personality" "$personality"
case $personality in
  win98) family=9x ;;
  nt40) family=nt4 ;;
  winxp) family=nt5 ;;
  *) family=unsupported ;;
esac
nt() { [ "$family" != 9x ]; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
newer=(--dll "$(windows_path "$QEL_NEWER/QelC14BA.dll")")
second=(--dll "$(windows_path "$QEL_SECOND/QelC14BA.dll")")
install_folder='C:\Program Files\Common Files\Ostravik Shared\Lumasett\Install\'
program="${install_folder}QELC13BA.EXE"
products='HKLM\SOFTWARE\Ostravik\Lumasett\InstalledProducts\KV00220+'

# call COMMAND RESULT LAST_ERROR [SITE/CODE...] [-- QELSYS_OPTIONS...]: the
# library's answer to one install or uninstall, its tracked codes newest first.
call() {
  local command=$1 expected=("${@:2}") options=()
  local at
  for at in "${!expected[@]}"; do
    if [ "${expected[$at]}" = -- ]; then
      options=("${expected[@]:$((at + 1))}")
      expected=("${expected[@]:0:$at}")
      break
    fi
  done
  qelsys "$command" "${options[@]}"
  qelsys errors --json
  check_json run "$command" "${expected[@]}"
}

wine_reg() { "$wine" reg "$@" >/dev/null 2>&1 || fail "reg $*"; }
helper() { (cd "$QEL_BIN" && "$wine" qeljourney.exe "$@" 2>&1 | tr -d '\r'); }
service_process() { helper service-process OrbanetQelC11BA; }
# expect_devices N: N of the kernel driver's two device names open.
expect_devices() {
  local opened
  opened=$(helper devices)
  [ "$opened" = "$1" ] && pass "$1 device names open" || fail "$opened device names open, expected $1"
}

restart() {
  echo "== restart"
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  [ -n "${holder:-}" ] && { wait "$holder" || true; holder=""; }
  boot
}

# Staged replacements: GetTempFileNameA names with the library's prefix,
# anywhere on drive C.
staged_files() { find "$WINEPREFIX/drive_c" -iname 'C14*.TMP'; }

fresh_install() {
  qelsys status --json
  check_json removed
  call install 1 2003
  qelsys status --json
  check_json installed "$family"
}

if [ "$family" = unsupported ]; then
  # The program beside the library reports what the library reported.
  qelsys status --json
  check_json unsupported
  qelsys_program=$(windows_path "$QEL_BIN/QELC13BA.EXE")
  out=$(helper run "$qelsys_program" "$qelsys_program /uninstall")
  [ "$out" = 1100 ] && pass "the uninstaller program exits with 1100" || fail "uninstaller program: $out"
  qelsys status --json
  check_json removed
  exit 0
fi

case $journey in
  lifecycle)
    fresh_install
    if nt; then expect_devices 2; fi
    before=$(nt && service_process || true)
    call install 1 2002
    qelsys status --json
    check_json installed "$family"
    if nt; then
      [ "${before:-0}" != 0 ] && [ "$(service_process)" = "$before" ] && pass "the current service keeps running" ||
        fail "the service was restarted"
    fi
    # Another product of the family, registered as its own library would.
    wine_reg add "$products\\A1B2C3D4" /v "Lumasett Viewer" /d Installed
    # Nothing is removed, so no component reports an outcome.
    call uninstall 1 0
    qelsys status --json
    check_json installed-for-another "$family" A1B2C3D4
    wine_reg delete "$products\\A1B2C3D4" /f
    # The library copy is removed last.
    call uninstall 1 2004
    qelsys status --json
    check_json uninstalled
    if nt; then expect_devices 0; fi
    ;;
  upgrade)
    fresh_install
    before=$(nt && service_process || true)
    qelsys status --json "${newer[@]}"
    check_json outdated
    # The uninstaller program, handled last, is newer too and not in use. Wine
    # cannot load the VxD stand-in, so on 9x it is replaced at once as well.
    call install 1 2001 -- "${newer[@]}"
    qelsys status --json "${newer[@]}"
    check_json installed "$family"
    if nt; then
      after=$(service_process)
      [ -n "$after" ] && [ "$after" != "$before" ] && pass "the service was stopped and started again" ||
        fail "the service process is $after, was $before"
    fi
    ;;
  in-use)
    fresh_install
    hold_file "$program"
    # The program is in use but has no required version: accepted (2006), its
    # replacement staged and scheduled (0x1F3). The held file's version cannot
    # be read (0xC9) whenever it is asked for: in preparation (then 0x10F),
    # before replacing it (then 0x189) and before writing.
    call install 1 2006 0x1F3/1001 0xC9/1002 0x189/1002 0xC9/1002 0x10F/1002 0xC9/1002 -- "${newer[@]}"
    staged=$(staged_files)
    [ "$(wc -l <<<"$staged")" = 1 ] && [ -n "$staged" ] && pass "one staged file: $staged" ||
      fail "staged files: $staged"
    cmp -s "$staged" "$QEL_NEWER/QELC13BA.EXE" && pass "it holds the newer program" ||
      fail "$staged is not the newer program"
    qelsys status --json "${newer[@]}"
    check_json replaces "$program" "$(nt && echo PendingFileRenameOperations || echo WININIT.INI)"
    check_json products 1
    check_json in-use-count null
    restart
    [ -z "$(staged_files)" ] && pass "no staged file is left" || fail "left: $(staged_files)"
    if nt; then
      # Automatic services start with the machine; give them the time they take.
      for _ in $(seq 60); do
        qelsys status --json "${newer[@]}"
        python3 "$here/json_checks.py" installed "$family" <<<"$out" >/dev/null && break
        sleep 1
      done
    fi
    qelsys status --json "${newer[@]}"
    check_json installed "$family"
    call install 1 2002 -- "${newer[@]}"
    ;;
  library-loaded)
    fresh_install
    # An outdated library copy (the uninstaller program's image serves, being
    # older), loaded by another process.
    library="${install_folder}QELC14BA.DLL"
    cp "$QEL_BIN/QELC13BA.EXE" "$(unix_path "$library")"
    marker=$WINEPREFIX/drive_c/loaded.marker
    (cd "$QEL_BIN" && exec "$wine" qeljourney.exe load "$library" 'C:\loaded.marker') >/dev/null 2>&1 &
    holder=$!
    for _ in $(seq 100); do [ -f "$marker" ] && break; sleep 0.2; done
    [ -f "$marker" ] || fail "the library copy could not be loaded"
    # Opening it alone succeeds, so it looks replaceable; every copy onto it
    # fails, and with no required version the install still succeeds.
    call install 1 2002 0x211/1003
    qelsys status --json
    check_json kept "library copy" 2.20.0
    restart
    qelsys status --json
    check_json kept "library copy" 2.20.0
    # Nothing holds it now; the program, handled last, is current.
    call install 1 2002
    qelsys status --json
    check_json installed "$family"
    ;;
  uninstall-string)
    fresh_install
    # The program runs from the install folder and has loaded the library
    # copy there: neither can be deleted while it runs.
    command=$(json_value '["uninstallEntry"]["uninstallString"]')
    [[ $command != \"* && $command == *' '*' /uninstall' ]] &&
      pass "the entry's command is the unquoted path with spaces" || fail "UninstallString $command"
    # Without a display the program's message box fails at once.
    out=$(unset DISPLAY WAYLAND_DISPLAY; helper run "$program" "$command")
    [ "$out" = 1001 ] && pass "the uninstaller program exits with 1001" || fail "uninstaller program: $out"
    qelsys status --json
    check_json deletes-itself "$program" "${install_folder}QELC14BA.DLL"
    restart
    qelsys status --json
    check_json uninstalled
    ;;
  contention)
    markers=$WINEPREFIX/drive_c
    mutex=$([ "$family" = nt5 ] && echo 'Global\' || true)7399BC44-90CF-4372-8B56-416B8513B378
    (cd "$QEL_BIN" && exec "$wine" qeljourney.exe hold-mutex "$mutex" 'C:\') >/dev/null 2>&1 &
    for _ in $(seq 100); do [ -f "$markers/mutex.held" ] && break; sleep 0.2; done
    [ -f "$markers/mutex.held" ] || fail "the mutex could not be held"
    # The second product's build lets the environment shorten the wait.
    started=$SECONDS
    QEL_TEST_MUTEX_WAIT_MS=3000 call install 0 1002 0x22E/1002 -- "${second[@]}"
    [ $((SECONDS - started)) -ge 3 ] && pass "the install waited out its time" ||
      fail "the install returned after $((SECONDS - started)) s"
    QEL_TEST_MUTEX_WAIT_MS=3000 call uninstall 0 1002 0x27A/1002 -- "${second[@]}"
    qelsys status --json
    check_json removed
    # Both products wait for the held mutex; once both are still waiting well
    # after an install's own time, it is let go and they install in turn.
    (cd "$QEL_BIN" && exec "$wine" qelsys.exe install) >"$WINEPREFIX.studio" 2>&1 &
    studio=$!
    (cd "$QEL_BIN" && exec "$wine" qelsys.exe install "${second[@]}") >"$WINEPREFIX.viewer" 2>&1 &
    viewer=$!
    sleep 8
    kill -0 "$studio" && kill -0 "$viewer" && pass "both installs wait for the mutex" ||
      fail "an install did not wait"
    touch "$markers/mutex.release"
    wait "$studio" || true
    wait "$viewer" || true
    outcomes=$(grep -ho 'Last outcome: 200[23]' "$WINEPREFIX.studio" "$WINEPREFIX.viewer" | sort | tr '\n' ,)
    [ "$outcomes" = "Last outcome: 2002,Last outcome: 2003," ] &&
      pass "one install found nothing, the other found it current" ||
      fail "outcomes: $outcomes"$'\n'"$(cat "$WINEPREFIX.studio" "$WINEPREFIX.viewer")"
    qelsys status --json
    check_json installed "$family"
    check_json products 2
    ;;
  *)
    fail "unknown journey $journey"
    ;;
esac
