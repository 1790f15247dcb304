# Sourced by the Wine scripts. QEL_ARCH (i686, the default, or x86_64) picks
# Wine's loader and the kind of prefix: a 32-bit prefix for the i686 build, a
# 64-bit one (which also runs 32-bit programs, under WOW64) for x86_64.
case ${QEL_ARCH:-i686} in
  i686) wine=/usr/lib/wine/wine; export WINEARCH=win32 ;;
  x86_64) wine=/usr/lib/wine/wine64; export WINEARCH=win64 ;;
  *) echo "QEL_ARCH must be i686 or x86_64, not '$QEL_ARCH'" >&2; exit 2 ;;
esac
# The 64-bit server serves 32-bit programs too, and runs without emulation.
wineserver=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}  # no Mono or Gecko installer prompts

# make_prefix_once PREFIX LOG: creates the Wine prefix PREFIX unless it
# exists; callers running in parallel wait for the one that creates it, and a
# prefix is only used once complete.
make_prefix_once() {
  local prefix=$1 log=$2
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      rm -rf "$prefix.new"
      mkdir -p "$prefix.new"
      WINEPREFIX="$prefix.new" "$wine" wineboot --init >"$log" 2>&1 </dev/null || true
      # Copying a prefix whose server still runs starts wineboot again in
      # the copy, without end.
      WINEPREFIX="$prefix.new" "$wineserver" -w || true
      grep -q "^#arch=$WINEARCH" "$prefix.new/system.reg" ||
        { echo "wineboot made no $WINEARCH prefix in $prefix.new:"; cat "$log"; exit 1; } >&2
      rm -rf "$prefix"
      mv "$prefix.new" "$prefix"
    fi
  ) 9>"$prefix.lock"
}
