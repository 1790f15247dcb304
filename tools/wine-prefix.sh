# Sourced by the Wine scripts. make_prefix_once PREFIX LOG: creates the Wine
# prefix PREFIX unless it exists; callers running in parallel wait for the
# one that creates it, and a prefix is only used once complete.
make_prefix_once() {
  local prefix=$1 log=$2
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      rm -rf "$prefix.new"
      mkdir -p "$prefix.new"
      WINEPREFIX="$prefix.new" /usr/lib/wine/wine64 wineboot --init >"$log" 2>&1 </dev/null || true
      WINEPREFIX="$prefix.new" /usr/lib/wine/wineserver -w || true
      rm -rf "$prefix"
      mv "$prefix.new" "$prefix"
    fi
  ) 9>"$prefix.lock"
}
