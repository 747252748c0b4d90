#!/usr/bin/env bash
# wine-run.sh PROGRAM [ARGS...]
#
# Runs a Windows program under Wine the way the build and the Win32 tests
# expect, and exits with the program's own exit code. CMake uses it as
# CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs every Win32 test through it.
#
#   prefix   HORONE_WINEPREFIX, else WINEPREFIX, else <repo>/build/wineprefix.
#            Made and prepared once (see scripts/wine-prefix.sh); calls that
#            race are serialised with flock.
#   locale   LANG/LC_ALL = HORONE_LANG, else ja_JP.UTF-8 (ANSI code page 932).
#   logging  WINEDEBUG = HORONE_WINEDEBUG, else -all.
#   display  DISPLAY must be set: run the tests inside one
#              xvfb-run -a -s "-screen 0 1280x1024x24" ctest ...
#
# 32-bit programs. Wine's i386 loader is a 32-bit Linux program. Some kernels
# (ia32 emulation off, as on the PVM virtual machines seen here) cannot run any
# 32-bit x86 code at all, not even Wine's WoW64 mode. wine-run.sh checks that
# once and then, for an i386 PROGRAM:
#   HORONE_WINE_I386=native (default)  run it natively; on such a kernel, stop
#                                      with exit code 125 and say why;
#   HORONE_WINE_I386=qemu              run the i386 Wine loader under qemu-i386
#                                      (Debian package qemu-user) through a
#                                      binfmt_misc handler registered inside a
#                                      private user+mount namespace, so nothing
#                                      on the machine changes. Works, but every
#                                      32-bit process takes about a minute to
#                                      start, and ReadProcessMemory /
#                                      WriteProcessMemory between 32-bit
#                                      processes are off by qemu's guest base
#                                      (the support library avoids them).
# x86_64 programs always run natively with the 64-bit loader.
set -euo pipefail

if [ $# -lt 1 ]; then
  echo "usage: wine-run.sh PROGRAM [ARGS...]" >&2
  exit 2
fi

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-prefix.sh
. "$here/wine-prefix.sh"

if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run.sh: no X display (DISPLAY is unset). Run the Win32 tests inside" >&2
  echo "  xvfb-run -a -s \"-screen 0 1280x1024x24\" ctest --preset ..." >&2
  exit 2
fi

program=$1
shift

machine=$(horone_pe_machine "$program")
case "$machine" in
  i386)
    horone_i386_mode=${HORONE_WINE_I386:-native}
    if horone_native_i386_works; then
      horone_wine_prepare
      exec "$HORONE_WINE32" "$program" "$@"
    fi
    if [ "$horone_i386_mode" != qemu ]; then
      cat >&2 <<EOF
wine-run.sh: $program is a 32-bit (i386) program, but this machine's kernel
  cannot run 32-bit x86 code (ia32 emulation is off: see 'dmesg'), so Wine
  cannot start it. Either build and test the x86_64 flavour
  (cmake --preset mingw64), or set HORONE_WINE_I386=qemu to run Wine's i386
  loader under qemu-i386 (apt-get install qemu-user; slow: about a minute
  for each 32-bit process to start).
EOF
      exit 125
    fi
    horone_wine_prepare
    horone_wine_prepare_i386_qemu
    # For the test support library: stretch its waits, and reach other
    # processes' memory through shared sections (ReadProcessMemory and
    # WriteProcessMemory miss by qemu's guest base there).
    export WINTEST_TIMEOUT_SCALE=${WINTEST_TIMEOUT_SCALE:-10}
    export WINTEST_REMOTE_MEMORY=${WINTEST_REMOTE_MEMORY:-section}
    horone_exec_in_i386_namespace "$HORONE_WINE32" "$program" "$@"
    ;;
  *)
    horone_wine_prepare
    if [ "${HORONE_WINE_I386:-native}" = qemu ] && ! horone_native_i386_works; then
      # A 64-bit program (a test driver) whose children are 32-bit: the
      # whole tree runs where 32-bit programs go to qemu-i386.
      horone_wine_prepare_i386_qemu
      export WINTEST_TIMEOUT_SCALE=${WINTEST_TIMEOUT_SCALE:-10}
      export WINTEST_REMOTE_MEMORY=${WINTEST_REMOTE_MEMORY:-section}
      horone_exec_in_i386_namespace "$HORONE_WINE64" "$program" "$@"
    fi
    exec "$HORONE_WINE64" "$program" "$@"
    ;;
esac
