#!/usr/bin/env bash
# Makes a Wine prefix that reports the given Windows version: a copy of a
# template prefix (created on first use) with HKCU\Software\Wine "Version" set.
# Usage: wine-personality.sh TEMPLATE PREFIX PERSONALITY
#   PERSONALITY: win31, win95, win98, nt40, win2k, winxp, win7, win10, ...
# QEL_ARCH picks the kind of prefix (wine-prefix.sh). The service manager
# waits 120 s for a service to start: under user-mode emulation a service
# process takes longer to start than Wine's 10 s; Windows waits 30 s.
set -euo pipefail
template=$(realpath -m "$1")
prefix=$(realpath -m "$2")
personality=$3
source "$(dirname "$0")/wine-prefix.sh"
mkdir -p "$(dirname "$prefix")"
make_prefix_once "$template" "$template.log"

# A Wine left running in an old copy would outlive its files.
if [ -d "$prefix" ]; then
  WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true
  WINEPREFIX="$prefix" "$wineserver" -w 2>/dev/null || true
  rm -rf "$prefix"
fi
cp -a "$template" "$prefix"
stamp=$(date +%s)
printf '\n[Software\\\\Wine] %s\n"Version"="%s"\n' "$stamp" "$personality" >>"$prefix/user.reg"
# Wine's service manager reads this as text, Windows as a DWORD.
printf '\n[System\\\\CurrentControlSet\\\\Control] %s\n"ServicesPipeTimeout"="120000"\n' \
  "$stamp" >>"$prefix/system.reg"

# Windows 9x and NT 4 came without ShFolder.dll; Wine's placeholder would
# make a program see one.
case $personality in
  win95 | win98 | winme | nt351 | nt40) rm -f "$prefix/drive_c/windows/system32/shfolder.dll" ;;
esac
