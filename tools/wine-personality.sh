#!/usr/bin/env bash
# Makes a Wine prefix that reports the given Windows version: a copy of a
# template prefix (created on first use) with HKCU\Software\Wine "Version" set.
# Usage: wine-personality.sh TEMPLATE PREFIX PERSONALITY
#   PERSONALITY: win31, win95, win98, nt40, win2k, winxp, win7, win10, ...
set -euo pipefail
template=$(realpath -m "$1")
prefix=$(realpath -m "$2")
personality=$3
server=/usr/lib/wine/wineserver
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer prompts

source "$(dirname "$0")/wine-prefix.sh"
mkdir -p "$(dirname "$prefix")"
make_prefix_once "$template" "$template.log"

# A Wine left running in an old copy would outlive its files.
if [ -d "$prefix" ]; then
  WINEPREFIX="$prefix" "$server" -k 2>/dev/null || true
  WINEPREFIX="$prefix" "$server" -w 2>/dev/null || true
  rm -rf "$prefix"
fi
cp -a "$template" "$prefix"
printf '\n[Software\\\\Wine] %s\n"Version"="%s"\n' "$(date +%s)" "$personality" >>"$prefix/user.reg"

# Windows 9x and NT 4 came without ShFolder.dll; Wine's placeholder would
# make a program see one.
case $personality in
  win95 | win98 | winme | nt351 | nt40) rm -f "$prefix/drive_c/windows/system32/shfolder.dll" ;;
esac
