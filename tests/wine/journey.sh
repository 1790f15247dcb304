#!/usr/bin/env bash
# One journey of the real DLL under Wine on one Windows personality: qelsys
# makes each call as a setup program would and reads the machine back.
# Usage: journey.sh JOURNEY PERSONALITY (JOURNEY: one of the cases below; wow64:
# the i686 library in a 64-bit prefix). Environment as for the qelsys tests, and
# QEL_NEWER (a build with newer payloads), QEL_SECOND (the second product's build).
source "$(dirname "$0")/../../tools/qelsys/tests/wine_session.sh"
journey=$1
start_session "journey_${journey}_$2" "$2"
case $2 in win98) family=9x ;; nt40) family=nt4 ;; winxp) family=nt5 ;; *) family=unsupported ;; esac
[ "$journey" = wow64 ] && family=unsupported
nt() { [ "$family" != 9x ]; }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
newer=(--dll "$(windows_path "$QEL_NEWER/QelC14BA.dll")")
second=(--dll "$(windows_path "$QEL_SECOND/QelC14BA.dll")")
install_folder='C:\Program Files\Common Files\Ostravik Shared\Lumasett\Install\'
program="${install_folder}QELC13BA.EXE"
products='HKLM\SOFTWARE\Ostravik\Lumasett\InstalledProducts\KV00220+'

# Without a display a program's message box fails at once.
helper() { (cd "$QEL_BIN" && env -u DISPLAY -u WAYLAND_DISPLAY "$wine" qeljourney.exe "$@" 2>&1 | tr -d '\r'); }
# expect_helper WANTED WHAT ARGS...: qeljourney ARGS prints WANTED.
expect_helper() { local got; got=$(helper "${@:3}"); expect "$2: $got (expected $1)" [ "$got" = "$1" ]; }
service_process() { helper service-process OrbanetQelC11BA; }
restart() { echo "== restart"; stop_wine; boot; }
# Staged replacements: GetTempFileNameA names with the library's prefix,
# anywhere on drive C.
staged_files() { find "$WINEPREFIX/drive_c" -iname 'C14*.TMP'; }

# Automatic services start with the machine; give them the time they take.
wait_installed() {
  for _ in $(seq 60); do
    qelsys status --json "${dll[@]}"
    python3 "$here/json_checks.py" installed "$family" <<<"$out" >/dev/null && break
    sleep 1
  done
  status_is installed "$family"
}

fresh_install() { status_is removed; call install 1 2003; status_is installed "$family"; }

if [ "$family" = unsupported ]; then
  site=$([ "$journey" = wow64 ] && echo 0x605 || echo 0x1E4)
  qelsys install
  expect_status 4 "install names the refusal" "site $site, code 1100 UNSUPPORTED_PLATFORM"
  qelsys errors --json
  check_json error $site BuildComponents
  status_is unsupported
  expect "status tells WOW64 exactly under WOW64" \
    [ "$(json_value '["platform"]["wow64"]')" = "$([ "$journey" = wow64 ] && echo True || echo False)" ]
  # The program beside the library reports what the library reported.
  qelsys_program=$(windows_path "$QEL_BIN/QELC13BA.EXE")
  expect_helper 1100 "the uninstaller program's exit status" run "$qelsys_program" "$qelsys_program /uninstall"
  status_is removed
  # Nothing written, in either registry view or file system view.
  stop_wine
  written=$(find "$WINEPREFIX/drive_c" -iname 'QELC1*'; grep -iE 'QelC1[0-9]Ba|Lumasett' "$WINEPREFIX/system.reg" || true)
  expect "nothing of the components was written: $written" [ -z "$written" ]
  exit 0
fi

case $journey in
  lifecycle)
    fresh_install
    if nt; then expect_helper 2 "kernel driver device names open" devices; fi
    before=$(nt && service_process || true)
    call install 1 2002
    status_is installed "$family"
    if nt; then expect "the current service keeps its process $before" \
      [ "${before:-0}" != 0 -a "$(service_process)" = "$before" ]; fi
    # Another product of the family, registered as its own library would.
    wine_reg add "$products\\A1B2C3D4" /v "Lumasett Viewer" /d Installed
    # Nothing is removed, so no component reports an outcome.
    call uninstall 1 0
    status_is installed-for-another "$family" A1B2C3D4
    wine_reg delete "$products\\A1B2C3D4" /f
    # The library copy is removed last.
    call uninstall 1 2004
    status_is uninstalled
    if nt; then expect_helper 0 "kernel driver device names open" devices; fi
    ;;
  upgrade)
    fresh_install
    before=$(nt && service_process || true)
    dll=("${newer[@]}")
    status_is outdated
    # The uninstaller program, handled last, is newer too and not in use. Wine
    # cannot load the VxD stand-in, so on 9x it is replaced at once as well.
    call install 1 2001
    status_is installed "$family"
    if nt; then
      after=$(service_process)
      expect "the service was started again: process $after, was $before" \
        [ -n "$after" -a "$after" != "$before" ]
    fi
    ;;
  in-use)
    fresh_install
    dll=("${newer[@]}")
    hold_file "$program"
    # The program is in use but has no required version: accepted (2006), its
    # replacement staged and scheduled (0x1F3). The held file's version cannot
    # be read (0xC9) whenever it is asked for: in preparation (then 0x10F),
    # before replacing it (then 0x189) and before writing.
    call install 1 2006 0x1F3/1001 0xC9/1002 0x189/1002 0xC9/1002 0x10F/1002 0xC9/1002
    staged=$(staged_files)
    expect "one staged file: $staged" [ "$(wc -l <<<"$staged")" = 1 -a -n "$staged" ]
    expect "it holds the newer program" cmp -s "$staged" "$QEL_NEWER/QELC13BA.EXE"
    status_is replaces "$program" "$(nt && echo PendingFileRenameOperations || echo WININIT.INI)"
    check_json products 1
    check_json in-use-count null
    restart
    expect "no staged file is left: $(staged_files)" [ -z "$(staged_files)" ]
    wait_installed
    call install 1 2002
    ;;
  library-loaded)
    fresh_install
    # An outdated library copy (the uninstaller program's image serves, being
    # older), loaded by another process.
    library="${install_folder}QELC14BA.DLL"
    cp "$QEL_BIN/QELC13BA.EXE" "$(unix_path "$library")"
    hold loaded.marker qeljourney.exe load "$library" 'C:\loaded.marker'
    # Opening it alone succeeds, so it looks replaceable; every copy onto it
    # fails, and with no required version the install still succeeds.
    call install 1 2002 0x211/1003
    status_is kept "library copy" 2.20.0
    restart
    status_is kept "library copy" 2.20.0
    # Nothing holds it now; the program, handled last, is current.
    call install 1 2002
    status_is installed "$family"
    ;;
  uninstall-string|vxd-loaded)
    fresh_install
    # The program runs from the install folder and has loaded the library
    # copy there: neither can be deleted while it runs. ("installed" checked
    # that the entry's command is the unquoted path, with spaces, and /uninstall.)
    loaded=()
    if [ "$journey" = vxd-loaded ]; then
      # A VxD that Windows has loaded and that may not be stopped: a loadable
      # image in the stand-in's place, which the uninstall's "is it loaded?"
      # open loads. Run as Add/Remove Programs runs it, since qelsys would
      # find the refusing stand-in beside itself first.
      loaded=("$(json_value '["components"][0]["path"]')")
      cp "$QEL_BIN/ShFolder.dll" "$(unix_path "${loaded[0]}")"
    fi
    command=$(json_value '["uninstallEntry"]["uninstallString"]')
    expect_helper 1001 "the uninstaller program's exit status" run "$program" "$command"
    status_is deletes-itself "${loaded[@]}" "$program" "${install_folder}QELC14BA.DLL"
    restart
    status_is uninstalled
    ;;
  service-will-not-stop)
    fresh_install
    # The running service becomes a build of the same version that never
    # takes a stop; the newer one waits for the restart.
    service=$(unix_path "$(json_value '["components"][0]["path"]')")
    stop_wine
    cp "$QEL_BIN/QELC11BA-NOSTOP.EXE" "$service"
    boot
    wait_installed
    dll=("${newer[@]}")
    call install 1 2001 0x1F3/1001 0x1FD/1006
    expect "the newer program is staged beside the running one: $(staged_files)" \
      [ "$(staged_files | xargs -r dirname)" = "$(dirname "$service")" ]
    expect "the running program is the one that will not stop" cmp -s "$QEL_BIN/QELC11BA-NOSTOP.EXE" "$service"
    restart
    wait_installed
    expect "nothing staged is left" [ -z "$(staged_files)" ]
    ;;
  contention)
    mutex=$([ "$family" = nt5 ] && echo 'Global\' || true)7399BC44-90CF-4372-8B56-416B8513B378
    hold mutex.marker qeljourney.exe hold-mutex "$mutex" 'C:\mutex.marker'
    # The second product's build lets the environment shorten the wait.
    dll=("${second[@]}")
    started=$SECONDS
    QEL_TEST_MUTEX_WAIT_MS=3000 call install 0 1002 0x22E/1002
    expect "the install waited out its time: $((SECONDS - started)) s" [ $((SECONDS - started)) -ge 3 ]
    QEL_TEST_MUTEX_WAIT_MS=3000 call uninstall 0 1002 0x27A/1002
    dll=()
    status_is removed
    # Both products wait for the held mutex; once both are still waiting well
    # after an install's own time, it is let go and they install in turn.
    (cd "$QEL_BIN" && exec "$wine" qelsys.exe install) >"$WINEPREFIX.studio" 2>&1 & studio=$!
    (cd "$QEL_BIN" && exec "$wine" qelsys.exe install "${second[@]}") >"$WINEPREFIX.viewer" 2>&1 & viewer=$!
    sleep 8
    expect "both installs wait for the mutex" kill -0 "$studio" "$viewer"
    release
    wait "$studio" "$viewer" || true
    outcomes=$(grep -ho 'Last outcome: 200[23]' "$WINEPREFIX.studio" "$WINEPREFIX.viewer" | sort | tr '\n' ,)
    [ "$outcomes" = "Last outcome: 2002,Last outcome: 2003," ] &&
      pass "one install found nothing, the other found it current" ||
      fail "outcomes: $outcomes"$'\n'"$(cat "$WINEPREFIX.studio" "$WINEPREFIX.viewer")"
    status_is installed "$family"
    check_json products 2
    ;;
  *)
    fail "unknown journey $journey"
    ;;
esac
