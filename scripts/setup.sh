#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need on Debian 12.
# Idempotent: packages already present are skipped, the locale is generated once.
set -euo pipefail

need=(cmake ninja-build g++ clang libclang-rt-14-dev llvm-14 googletest
      g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
      wine wine64 fonts-wine xvfb xauth x11-utils imagemagick
      fonts-ipafont-gothic fonts-ipafont-mincho locales zip unzip procps e2fsprogs faketime)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# Wine runs the x86_64 build: machines of this project's kind run 64-bit
# user code only (a 32-bit ELF such as wine32's loader fails with ENOEXEC),
# so the i686 release is built and inspected but not run here.
missing=()
for p in "${need[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The posix thread model gives std::thread/std::mutex in mingw's libstdc++.
for t in i686-w64-mingw32 x86_64-w64-mingw32; do
  if [ "$(readlink -f "$(command -v $t-g++)")" != "$(readlink -f /usr/bin/$t-g++-posix)" ]; then
    $SUDO update-alternatives --set $t-g++ /usr/bin/$t-g++-posix >/dev/null
    $SUDO update-alternatives --set $t-gcc /usr/bin/$t-gcc-posix >/dev/null
  fi
done

# A Japanese locale makes Wine's ANSI code page 932, as on Japanese Windows.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
echo "setup: ok"
