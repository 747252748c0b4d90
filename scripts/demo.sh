#!/usr/bin/env bash
# Sets everything up, builds, and runs ホロネ beside the stand-in game client
# under Wine. On a desktop (DISPLAY set) it runs until you close ホロネ. Without
# a display it runs under Xvfb, saves a screenshot once the demo chat has
# arrived, prints its path and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

bash scripts/setup.sh
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64 --target horone gameclient

# The program's folder: the settings file and the two list files live here.
demo=$repo/build/demo
mkdir -p "$demo"
cp build/mingw64/src/win32/horone.exe build/mingw64/src/win32/HOROHK.DLL build/mingw64/standins/gameclient.exe "$demo/"
[ -f "$demo/userlist.txt" ] || printf 'mjfan\r\nhanako\r\n' >"$demo/userlist.txt"
[ -f "$demo/msglist.txt" ] || printf 'よろしくお願いします\r\nおつかれさまでした\r\n' >"$demo/msglist.txt"

export HORONE_WINEPREFIX=${HORONE_WINEPREFIX:-$repo/build/wineprefix64}
headless=0
if [ -z "${DISPLAY:-}" ]; then
  headless=1
  display=:$(( 90 + RANDOM % 100 ))
  Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=$display
  sleep 1
fi
bash scripts/wine-prefix.sh prepare

cleanup() {
  bash "$repo/scripts/wine-prefix.sh" kill
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

cd "$demo"
cp "$repo/demo/gameclient-demo.txt" .
bash "$repo/scripts/wine-run.sh" gameclient.exe --script gameclient-demo.txt --journal gameclient-journal.txt &
sleep 2
if [ "$headless" = 1 ]; then
  bash "$repo/scripts/wine-run.sh" horone.exe &
  sleep 15
  shot=$demo/screenshot.png
  import -window root "$shot"
  echo "screenshot: $shot"
else
  bash "$repo/scripts/wine-run.sh" horone.exe
fi
