#!/usr/bin/env bash
# wine-prefix.sh [prepare|i386|kill|path]
#
# The Wine prefix that the build and the Win32 tests share, and the helpers
# wine-run.sh uses (this file is sourced by it).
#
#   prepare  make and prepare the prefix if it is not ready yet (default)
#   i386     also make it ready for 32-bit programs run under qemu-i386
#   kill     end this prefix's wineserver and every Wine process in it
#   path     print the prefix's path
#
# HORONE_WINE_DPI (e.g. 144) gives a newly prepared prefix that many pixels
# per inch; use a prefix of its own for it.
#
# The prefix is HORONE_WINEPREFIX, else WINEPREFIX, else <repo>/build/wineprefix.
# Preparing it, once: wineboot -i (without the Mono/Gecko installers and
# without winemenubuilder, which would write .desktop files outside the
# prefix); windows not handed to a window manager (see below); the Japanese
# UI fonts "ＭＳ Ｐゴシック" and "ＭＳ ゴシック" mapped to the
# installed IPA Gothic fonts; Wine's crash dialog and its automatic debugger
# off, so that a crashing program just ends with its exception code instead
# of waiting for somebody to close a dialog. A marker file inside the prefix
# records that this was done; a prefix without it is (re)prepared. Several
# callers at once are serialised with flock on <prefix>.lock.

# Safe to source more than once.
if [ -z "${HORONE_WINE_PREFIX_SH:-}" ]; then
HORONE_WINE_PREFIX_SH=1

horone_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HORONE_WINE64=${HORONE_WINE64:-/usr/lib/wine/wine64}
HORONE_WINE32=${HORONE_WINE32:-/usr/lib/wine/wine}
HORONE_WINESERVER=${HORONE_WINESERVER:-/usr/lib/wine/wineserver}
# Where Debian keeps the 32-bit builtin DLLs and programs (wine32:i386).
HORONE_WINE_I386_DLLDIR=${HORONE_WINE_I386_DLLDIR:-/usr/lib/i386-linux-gnu/wine}
# Bump when the preparation below changes: prefixes with an older marker are
# prepared again (wineboot and the settings; nothing is deleted).
HORONE_PREFIX_MARK=.horone-prefix-v3
HORONE_I386_MARK=.horone-i386-v1

export WINEPREFIX=${HORONE_WINEPREFIX:-${WINEPREFIX:-$horone_repo/build/wineprefix}}
export WINEDEBUG=${HORONE_WINEDEBUG:--all}
export LANG=${HORONE_LANG:-ja_JP.UTF-8}
# LC_ALL beats LANG, and Wine takes its code pages from the locale.
export LC_ALL=$LANG

horone_log() { echo "wine-prefix: $*" >&2; }

# Prints i386, x86_64 or unknown for a Windows executable (or anything else).
horone_pe_machine() {
  local f=$1 off sig mach
  if [ ! -f "$f" ] || [ "$(head -c 2 "$f" 2>/dev/null)" != MZ ]; then
    echo unknown; return
  fi
  off=$(od -An -t u4 -j 60 -N 4 "$f" | tr -d ' ')
  sig=$(od -An -t x1 -j "$off" -N 4 "$f" | tr -d ' ')
  mach=$(od -An -t x2 -j $((off + 4)) -N 2 "$f" | tr -d ' ')
  if [ "$sig" != 50450000 ]; then echo unknown; return; fi
  case "$mach" in
    014c) echo i386 ;;
    8664) echo x86_64 ;;
    *) echo unknown ;;
  esac
}

# True when the kernel runs Wine's 32-bit loader (a 32-bit Linux program).
horone_native_i386_works() {
  if [ -z "${horone_i386_checked:-}" ]; then
    if "$HORONE_WINE32" --version >/dev/null 2>&1; then
      horone_i386_checked=yes
    else
      horone_i386_checked=no
    fi
  fi
  [ "$horone_i386_checked" = yes ]
}

# Writes the prefix's settings as a .reg file (UTF-16LE, as regedit wants for
# names outside ASCII).
horone_write_settings_reg() {
  local out=$1 pgothic=IPAPGothic gothic=IPAGothic families
  if command -v fc-list >/dev/null 2>&1; then
    families=$(fc-list : family 2>/dev/null || true)
    if ! grep -q 'IPAGothic' <<<"$families"; then
      horone_log "warning: no IPA Gothic font installed (fonts-ipafont-gothic); Japanese text will fall back"
    elif ! grep -q 'IPAPGothic' <<<"$families"; then
      pgothic=IPAGothic
    fi
  fi
  local subst="\"ＭＳ Ｐゴシック\"=\"$pgothic\"
\"ＭＳ ゴシック\"=\"$gothic\"
\"MS PGothic\"=\"$pgothic\"
\"MS Gothic\"=\"$gothic\"
\"MS UI Gothic\"=\"$pgothic\"
\"ＭＳ Ｐ明朝\"=\"IPAPMincho\"
\"ＭＳ 明朝\"=\"IPAMincho\""
  # No debugger: "false" names no program, so an unhandled exception ends the
  # process at once (exit status: the exception code's low byte, e.g. 5).
  local aedebug='"Auto"="1"
"Debugger"="false"'
  {
    echo 'Windows Registry Editor Version 5.00'
    echo
    for view in "" 'Wow6432Node\'; do
      echo "[HKEY_LOCAL_MACHINE\\Software\\${view}Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]"
      echo "$subst"
      echo
      echo "[HKEY_LOCAL_MACHINE\\Software\\${view}Microsoft\\Windows NT\\CurrentVersion\\AeDebug]"
      echo "$aedebug"
      echo
    done
    echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
    echo '"ShowCrashDialog"=dword:00000000'
    echo
    # Unmanaged windows: there is no window manager under Xvfb, and for a
    # managed window Wine waits 2 s for one whenever the window is hidden or
    # destroyed. Unmanaged, Wine also draws the captions itself.
    echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
    echo '"Managed"="N"'
    echo
    if [ -n "${HORONE_WINE_DPI:-}" ]; then
      # The screen's pixels per inch, as a user's display setting would be.
      echo '[HKEY_CURRENT_USER\Control Panel\Desktop]'
      printf '"LogPixels"=dword:%08x\n' "$HORONE_WINE_DPI"
      echo
    fi
    echo '[HKEY_CURRENT_USER\Software\Wine\DllOverrides]'
    echo '"winemenubuilder.exe"=""'
    echo
  } | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$out"
}

# Runs a Wine command during preparation: quiet, logged, and without the lock's
# file descriptor (a wineserver started here would otherwise keep the lock).
horone_prep_run() {
  local log=$1; shift
  echo "+ $*" >>"$log"
  WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" "$@" >>"$log" 2>&1 9>&-
}

horone_wine_prepare() {
  [ -f "$WINEPREFIX/$HORONE_PREFIX_MARK" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    exec 9>"$WINEPREFIX.lock"
    flock 9
    [ -f "$WINEPREFIX/$HORONE_PREFIX_MARK" ] && exit 0
    local start=$SECONDS log="$WINEPREFIX.log"
    : >"$log"
    horone_log "preparing $WINEPREFIX (log: $log)"
    local arch=()
    [ -e "$WINEPREFIX/system.reg" ] || arch=(env WINEARCH=win64)
    if ! horone_prep_run "$log" "${arch[@]}" "$HORONE_WINE64" wineboot -i; then
      horone_log "wineboot failed; see $log"; tail -n 20 "$log" >&2; exit 1
    fi
    local reg="$WINEPREFIX/drive_c/horone-settings.reg"
    horone_write_settings_reg "$reg"
    if ! horone_prep_run "$log" "$HORONE_WINE64" regedit /S 'C:\horone-settings.reg'; then
      horone_log "regedit failed; see $log"; exit 1
    fi
    rm -f "$reg"
    # Let the wineserver write the registry to disk before the marker says so.
    horone_prep_run "$log" timeout 60 "$HORONE_WINESERVER" -w || true
    date >"$WINEPREFIX/$HORONE_PREFIX_MARK"
    horone_log "prefix ready in $((SECONDS - start)) s"
  )
}

# Runs "$@" in a private user+mount namespace in which binfmt_misc sends
# 32-bit x86 Linux programs to qemu-i386. Nothing outside that namespace
# sees the handler (binfmt_misc instances per user namespace: Linux >= 6.7).
horone_exec_in_i386_namespace() {
  if ! command -v qemu-i386 >/dev/null 2>&1; then
    horone_log "HORONE_WINE_I386=qemu needs qemu-i386 (apt-get install qemu-user)"
    exit 125
  fi
  local map=--map-root-user
  [ "$(id -u)" -eq 0 ] || map=--map-current-user
  # shellcheck disable=SC2016
  exec unshare --user "$map" --mount --propagation private bash -c '
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
      { echo "wine-run.sh: cannot mount a private binfmt_misc (needs Linux >= 6.7)" >&2; exit 125; }
    printf "%s" ":horone-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$(command -v qemu-i386):F" \
      >/proc/sys/fs/binfmt_misc/register ||
      { echo "wine-run.sh: cannot register qemu-i386 with binfmt_misc" >&2; exit 125; }
    exec "$@"' horone-i386 "$@"
}

# Makes the prefix's 32-bit side (syswow64) under qemu-i386, once: the 64-bit
# wineboot installs it by running 32-bit programs, which the namespace lets
# run. Two things a plain "wineboot -u" lacks on a prefix made without them:
# the 64-bit loader must find the 32-bit builtins (WINEDLLPATH), and 32-bit
# programs may load builtin DLLs that have no file in syswow64 yet only in
# bootstrap mode (WINEBOOTSTRAPMODE, which Wine sets itself when it makes a
# prefix).
horone_wine_prepare_i386_qemu() {
  [ -f "$WINEPREFIX/$HORONE_I386_MARK" ] && return 0
  (
    exec 9>"$WINEPREFIX.lock"
    flock 9
    [ -f "$WINEPREFIX/$HORONE_I386_MARK" ] && exit 0
    local start=$SECONDS log="$WINEPREFIX.log"
    horone_log "preparing the 32-bit side of $WINEPREFIX under qemu-i386 (minutes)"
    if ! ( horone_exec_in_i386_namespace env WINEBOOTSTRAPMODE=1 WINEDLLPATH="$HORONE_WINE_I386_DLLDIR" \
             WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
             "$HORONE_WINE64" wineboot -u ) >>"$log" 2>&1 9>&-; then
      horone_log "32-bit wineboot failed; see $log"; exit 1
    fi
    if [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
      horone_log "32-bit wineboot made no syswow64; see $log"; exit 1
    fi
    date >"$WINEPREFIX/$HORONE_I386_MARK"
    horone_log "32-bit side ready in $((SECONDS - start)) s"
  )
}

fi # HORONE_WINE_PREFIX_SH

# Run as a command rather than sourced.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  case "${1:-prepare}" in
    prepare) horone_wine_prepare ;;
    i386) horone_wine_prepare; horone_native_i386_works || horone_wine_prepare_i386_qemu ;;
    kill) "$HORONE_WINESERVER" -k 2>/dev/null || true ;;
    path) echo "$WINEPREFIX" ;;
    *) echo "usage: wine-prefix.sh [prepare|i386|kill|path]" >&2; exit 2 ;;
  esac
fi
