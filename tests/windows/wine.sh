#!/usr/bin/env bash
# The Windows release checked under Wine: zubrender.exe writes the same PNG frames and the same WAV
# soundtrack as the Linux build, and zubdemo.exe opens its window under Xvfb, shows the first scene
# and ends on Escape with the exit line and status 0.
# Usage: tests/windows/wine.sh LINUX_BUILD_DIR [RELEASE_DIR]  (default release: dist/zubdemo-windows-x64)
set -u
source=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
release=$(cd "${2:-$source/dist/zubdemo-windows-x64}" && pwd)
work="$source/build-windows/wine-check"
rm -rf "$work"
mkdir -p "$work"
. "$source/tests/e2e/lib.sh"
wine_done() {
  [ -n "$demo_pid" ] && kill $demo_pid 2>/dev/null
  [ -n "${WINEPREFIX:-}" ] && "$wineserver" -k >/dev/null 2>&1
  [ -n "$xvfb_pid" ] && kill $xvfb_pid 2>/dev/null
}
trap wine_done EXIT

wine=$(command -v wine || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
require "wine checks" "scripts/build-windows.sh installs it" "$wine" Xvfb xdotool xwd
# Xvfb first: Wine's desktop process outlives a program by a few seconds, and one started without a
# display would leave the next program unable to open a window.
start_xvfb 68 800x600x24 "$work/xvfb.log"
# Wine's own settings folder, kept in build-windows/; no dialogs, no debug chatter.
export WINEPREFIX="$source/build-windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { echo "wine checks: wineboot failed"; cat "$work/wineboot.log"; exit 1; }
winpath() { echo "Z:$1" | tr / '\\'; }

# 1. The same bytes: every 30th frame of the whole timeline, and the soundtrack.
render_args=(--quiet --no-progress --from 0 --to 274 --every 30)
(cd "$source/data" && "$build/zubrender" "${render_args[@]}" --out "$work/linux" --audio "$work/linux.wav") \
  >"$work/render-linux.log" 2>&1 || { fail "Linux zubrender"; cat "$work/render-linux.log"; }
(cd "$release/data" && "$wine" "$release/zubrender.exe" "${render_args[@]}" --out "$(winpath "$work/windows")" \
  --audio "$(winpath "$work/windows.wav")") >"$work/render-windows.log" 2>&1 \
  || { fail "zubrender.exe under Wine"; cat "$work/render-windows.log"; }
(cd "$work/linux" && sha256sum -- *.png) >"$work/linux.sums" 2>/dev/null
(cd "$work/windows" && sha256sum -- *.png) >"$work/windows.sums" 2>/dev/null
frames=$(wc -l <"$work/linux.sums")
if [ "$frames" -lt 270 ]; then
  fail "Linux zubrender wrote only $frames frames"
elif ! diff "$work/linux.sums" "$work/windows.sums" >"$work/frames.diff"; then
  fail "frames differ: $(grep -c '^>' "$work/frames.diff") of $frames (first: $(grep -m1 '^<' "$work/frames.diff" | cut -c67-))"
else
  echo "ok: $frames PNG frames identical"
fi
if cmp -s "$work/linux.wav" "$work/windows.wav" && [ -s "$work/linux.wav" ]; then
  echo "ok: soundtrack identical ($(stat -c %s "$work/linux.wav") bytes)"
else
  fail "soundtracks differ: $(cmp "$work/linux.wav" "$work/windows.wav" 2>&1 | head -n 1)"
fi

# 2. The real window, with SDL's silent audio driver (Xvfb has no sound device).
(cd "$release/data" && SDL_AUDIODRIVER=dummy exec "$wine" "$release/zubdemo.exe" --no-warning >"$work/out.txt" 2>"$work/err.txt") &
demo_pid=$!
await_demo_window 300
if [ -z "$window" ]; then
  fail "zubdemo.exe: no window appeared"
  cat "$work/err.txt"
else
  sleep 2
  # Non-black pixels in a screenshot of the window: the first scene is showing.
  xwd -silent -id "$window" >"$work/window.xwd"
  header_size=$(od -An -tu4 --endian=big -j 0 -N 4 "$work/window.xwd" | tr -d ' ')
  ncolors=$(od -An -tu4 --endian=big -j 76 -N 4 "$work/window.xwd" | tr -d ' ')
  lit=$(tail -c +$((header_size + ncolors * 12 + 1)) "$work/window.xwd" | tr -d '\000' | wc -c)
  [ "$lit" -gt 0 ] && echo "ok: the window shows the first scene ($lit non-zero screenshot bytes)" \
    || fail "zubdemo.exe: the window is black"
  xdotool mousemove --window "$window" 10 10 >/dev/null 2>&1
  xdotool windowfocus "$window" >/dev/null 2>&1
  xdotool key Escape
  for _ in $(seq 150); do kill -0 $demo_pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $demo_pid 2>/dev/null; then
    fail "zubdemo.exe still running 15 s after Escape"
  else
    wait $demo_pid
    status=$?
    demo_pid=
    last=$(tail -n 1 "$work/out.txt" | tr -d '\r')
    [ $status -eq 0 ] || fail "zubdemo.exe: exit status $status"
    [ "$last" = "key has been hit, exiting..." ] || fail "zubdemo.exe: last line is '$last'"
    [ $status -eq 0 ] && [ "$last" = "key has been hit, exiting..." ] && echo "ok: Escape ends zubdemo.exe with the exit line, status 0"
  fi
fi

finish Wine "details in $work"
