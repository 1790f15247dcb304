#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian 12 machine, and
# makes 32-bit Windows programs run: Wine's 32-bit loader beside the 64-bit
# one, and, where the kernel cannot execute 32-bit programs, user-mode
# emulation of them by qemu-i386. Safe to run again: it changes only what is
# missing.
set -euo pipefail
die() { echo "install-deps.sh: $*" >&2; exit 1; }
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
apt_install() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "$@"
}
missing() { local p; for p in "$@"; do dpkg -s "$p" >/dev/null 2>&1 || echo "$p"; done; }

packages=(cmake ninja-build g++ make libgtest-dev libgmock-dev googletest
          clang libclang-rt-14-dev llvm lld mingw-w64 binutils-mingw-w64 wine64 python3 nsis wixl
          binutils file xvfb xauth)
updated=0
need=$(missing "${packages[@]}")
if [ -n "$need" ]; then
  $sudo apt-get update -q
  updated=1
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q $need
fi

# Wine's 32-bit loader, for the i686 build (the product).
if ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -q
  updated=1
  apt_install wine32:i386
fi

# Can this kernel execute a 32-bit x86 program? A tiny static one tells.
probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
printf '.globl _start\n_start: movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$probe_dir/p.s"
as --32 -o "$probe_dir/p.o" "$probe_dir/p.s" && ld -m elf_i386 -o "$probe_dir/p" "$probe_dir/p.o" ||
  die "cannot assemble the 32-bit probe program (binutils)"
runs_32bit() { "$probe_dir/p" 2>/dev/null; }

if ! runs_32bit; then
  # Bookworm's qemu 7.2 ignores MAP_FIXED_NOREPLACE, so Wine cannot reserve
  # its address ranges there; the backported qemu 10 can.
  qemu=/usr/bin/qemu-i386
  if ! "$qemu" --version 2>/dev/null | grep -qE 'version ([1-9][0-9]|[89])\.'; then
    list=/etc/apt/sources.list.d/bookworm-backports.list
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      echo 'deb http://deb.debian.org/debian bookworm-backports main' | $sudo tee "$list" >/dev/null
    fi
    $sudo apt-get update -q
    apt_install -t bookworm-backports qemu-user
    "$qemu" --version | grep -qE 'version ([1-9][0-9]|[89])\.' ||
      die "qemu-user from bookworm-backports did not bring qemu-i386 8 or later"
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  [ -d "$binfmt" ] || die "this kernel has no binfmt_misc: 32-bit programs cannot be handed to qemu-i386"
  if [ ! -e "$binfmt/register" ]; then
    $sudo mount -t binfmt_misc binfmt_misc "$binfmt" ||
      die "cannot mount binfmt_misc (needs root)"
  fi
  # The i386 ELF magic, handed to qemu-i386; F opens the interpreter now, so
  # it also works inside other mount namespaces.
  if [ ! -e "$binfmt/qemu-i386" ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf ':qemu-i386:M::%s:%s:%s:F' "$magic" "$mask" "$qemu" | $sudo tee "$binfmt/register" >/dev/null ||
      die "cannot register qemu-i386 with binfmt_misc (needs root)"
  fi
  runs_32bit || die "32-bit programs still do not run after registering qemu-i386"
fi
[ -x /usr/lib/wine/wine ] || die "Wine's 32-bit loader /usr/lib/wine/wine is missing"

# Inno Setup's compiler, as the npm registry publishes it (a 32-bit Windows
# program, run under Wine), checked against the tarball it was tried with.
inno=/opt/innosetup-6.4.1
if [ ! -f "$inno/bin/ISCC.exe" ]; then
  tarball=$(mktemp)
  python3 -c 'import sys, urllib.request; sys.stdout.buffer.write(urllib.request.urlopen(sys.argv[1], timeout=120).read())' \
    https://registry.npmjs.org/innosetup/-/innosetup-6.4.1.tgz >"$tarball" ||
    die "cannot fetch Inno Setup 6.4.1 from the npm registry"
  echo "fc36b763a729c8964416552d733f4864ac4a4934d0a6569e20c2feb4c29b9684  $tarball" | sha256sum -c --quiet ||
    die "the Inno Setup tarball is not the one this script was tried with"
  $sudo mkdir -p "$inno" && $sudo tar -xzf "$tarball" -C "$inno" --strip-components=1 package/bin
  rm -f "$tarball"
fi
