#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian 12 machine.
set -euo pipefail
packages=(cmake ninja-build g++ make libgtest-dev libgmock-dev googletest
          clang libclang-rt-14-dev mingw-w64 binutils-mingw-w64 wine64 python3 nsis)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
