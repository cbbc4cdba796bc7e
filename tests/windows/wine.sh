#!/usr/bin/env bash
# The Windows release checked under Wine: zubrender.exe writes the same PNG frames and the same WAV
# soundtrack as the Linux build; a video on standard output (zubrender.exe, zubclip.exe) is byte for
# byte the file written by name; zubdemo.exe started as a double-click starts it (in the release folder,
# no arguments) finds its data beside it, plays under Xvfb and ends on Escape with the exit line in its
# redirected output and status 0; started from a console it writes there; double-clicked, a fatal error
# (no data, a broken music.dat) is shown in a message box; zubrender.exe --quiet still reports one.
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
require "wine checks" "scripts/build-windows.sh installs it" "$wine" Xvfb xdotool xwd script
# Xvfb first: Wine's desktop process outlives a program by a few seconds, and one started without a
# display would leave the next program unable to open a window.
start_xvfb 68 800x600x24 "$work/xvfb.log"
# Wine's own settings folder, kept in build-windows/; no dialogs, no debug chatter.
export WINEPREFIX="$source/build-windows/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { echo "wine checks: wineboot failed"; cat "$work/wineboot.log"; exit 1; }
# shellcheck disable=SC1003 # tr's own escape: '\\' is one backslash
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

# 2. A video on standard output, through a pipe, is the file written by name: standard output starts in
# text mode on Windows, which would put a CR before every LF byte.
same_video() {
  if [ -s "$3" ] && cmp -s "$2" "$3"; then
    echo "ok: $1 through a pipe equals the file ($(stat -c %s "$3") bytes)"
  else
    fail "$1 through a pipe differs from the file: $(cmp "$2" "$3" 2>&1 | head -n 1)"
  fi
}
(cd "$release" && "$wine" "$release/zubrender.exe" --quiet --no-progress --to 1 --y4m - 2>"$work/y4m.log" | cat >"$work/piped.y4m"
  "$wine" "$release/zubrender.exe" --quiet --no-progress --to 1 --y4m "$(winpath "$work/named.y4m")" 2>>"$work/y4m.log")
same_video "zubrender.exe --y4m -" "$work/piped.y4m" "$work/named.y4m"
clip='data\dat\guns.mpg'
(cd "$release" && "$wine" "$release/zubclip.exe" --quiet --y4m - "$clip" 2>"$work/clip.log" | cat >"$work/piped-clip.y4m"
  "$wine" "$release/zubclip.exe" --quiet --y4m "$(winpath "$work/named-clip.y4m")" "$clip" 2>>"$work/clip.log"
  "$wine" "$release/zubclip.exe" --quiet --yuv - "$clip" 2>>"$work/clip.log" | cat >"$work/piped-clip.yuv"
  "$wine" "$release/zubclip.exe" --quiet --yuv "$(winpath "$work/named-clip.yuv")" "$clip" 2>>"$work/clip.log")
same_video "zubclip.exe --y4m -" "$work/piped-clip.y4m" "$work/named-clip.y4m"
same_video "zubclip.exe --yuv -" "$work/piped-clip.yuv" "$work/named-clip.yuv"

# 3. The real window, started as a double-click starts it: the release folder as the working folder, no
# arguments (a key dismisses the notice); its output redirected to a file. SDL's silent audio driver: Xvfb
# has no sound device.
(cd "$release" && SDL_AUDIODRIVER=dummy exec "$wine" "$release/zubdemo.exe" >"$work/out.txt" 2>"$work/err.txt") &
demo_pid=$!
for _ in $(seq 300); do
  window=$(xdotool search --name "ZUB demo" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
if [ -n "$window" ]; then
  sleep 1
  xdotool mousemove --window "$window" 10 10 >/dev/null 2>&1
  xdotool windowfocus "$window" >/dev/null 2>&1
  xdotool key space
fi
await_demo_window 300
if [ -z "$window" ]; then
  fail "zubdemo.exe: no window appeared"
  cat "$work/err.txt"
elif ! grep -q "start running the demo" "$work/out.txt"; then
  fail "zubdemo.exe: the demo did not start: $(tr -d '\r' <"$work/err.txt" | tail -n 3)"
else
  sleep 2
  # Non-black pixels in a screenshot of the window: the first scene is showing.
  xwd -silent -id "$window" >"$work/window.xwd"
  header_size=$(od -An -tu4 --endian=big -j 0 -N 4 "$work/window.xwd" | tr -d ' ')
  ncolors=$(od -An -tu4 --endian=big -j 76 -N 4 "$work/window.xwd" | tr -d ' ')
  lit=$(tail -c +$((header_size + ncolors * 12 + 1)) "$work/window.xwd" | tr -d '\000' | wc -c)
  [ "$lit" -gt 0 ] && echo "ok: started in the release folder, the window shows the first scene ($lit non-zero screenshot bytes)" \
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
    [ $status -eq 0 ] && [ "$last" = "key has been hit, exiting..." ] &&
      echo "ok: Escape ends zubdemo.exe with the exit line in the redirected output, status 0"
  fi
fi

# 4. Started from a console: zubdemo.exe, a GUI program, gets no standard handles from `start` and writes
# to the console it attaches to (here Wine's console on a pseudo-terminal, whose transcript has an escape
# sequence around every character and none for a space).
console_run() {
  (cd "$release" && script -qec "$wine cmd /c start /wait zubdemo.exe $1" "$work/console.txt" </dev/null >/dev/null 2>&1)
  local status=$?
  shown=$(sed 's/\x1b\[[0-9;?]*[A-Za-z]//g; s/\r//g; s/ //g' "$work/console.txt")
  return $status
}
version=$("$build/zubdemo" --version | tr -d ' ')
console_run --version
status=$?
if [ $status -eq 0 ] && grep -qxF "$version" <<<"$shown"; then
  console_run --frobnicate
  status=$?
  if [ $status -eq 2 ] && grep -qF "zubdemo:unknownoption'--frobnicate'" <<<"$shown"; then
    echo "ok: from a console, zubdemo.exe's standard output and standard error reach it"
  else
    fail "zubdemo.exe --frobnicate from a console: status $status, the console shows '$shown'"
  fi
else
  fail "zubdemo.exe --version from a console: status $status, the console shows '$shown'"
fi

# 5. Double-clicked (started by the shell: no standard handles, no console), a fatal error is shown in a
# message box, over the demo's window, and the program ends when it is dismissed: without its data (the
# lookup's message), and with a broken music.dat (a fatal error once the window is open). Wine's trace of
# the text it draws shows what the box says.
box_check() {
  local folder=$1 expected=$2 what=$3
  shift 3
  (cd "$folder" && SDL_AUDIODRIVER=dummy WINEDEBUG=+text exec "$wine" start /wait /unix "$folder/zubdemo.exe" "$@" \
    >/dev/null 2>"$work/box.trace") &
  demo_pid=$!
  local box="" shown=1 covered=0 status
  for _ in $(seq 300); do
    box=$(xdotool search --onlyvisible --name "^zubdemo$" 2>/dev/null | head -n 1)
    [ -n "$box" ] && break
    kill -0 $demo_pid 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$box" ]; then
    fail "zubdemo.exe $what: no message box"
    return
  fi
  sleep 1
  grep -aqF "$expected" "$work/box.trace" && kill -0 $demo_pid 2>/dev/null && shown=0
  [ -n "$(xdotool search --onlyvisible --name "ZUB demo" 2>/dev/null)" ] && covered=1
  xdotool windowfocus "$box" >/dev/null 2>&1
  xdotool key Return
  for _ in $(seq 100); do kill -0 $demo_pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $demo_pid 2>/dev/null; then
    fail "zubdemo.exe $what: still running 10 s after its message box was dismissed"
    return
  fi
  wait $demo_pid
  status=$?
  demo_pid=
  if [ $shown -eq 0 ] && [ $covered -eq 0 ] && [ $status -eq 1 ]; then
    echo "ok: double-clicked $what, zubdemo.exe shows why in a message box, status 1"
  else
    fail "zubdemo.exe $what: status $status;$( [ $shown -eq 0 ] || echo " the box did not show '$expected';")$( [ $covered -eq 0 ] || echo " the demo's window stayed over it")"
  fi
}
mkdir -p "$work/alone" "$work/broken"
cp "$release/zubdemo.exe" "$work/alone/"
# The first place looked is the working folder (Wine's trace writes a backslash as two).
box_check "$work/alone" "cannot find the demo's data (music.dat and dat/): looked in $(winpath "$work/alone" | sed 's/\\/\\\\/g')," \
  "without its data"
cp -r "$release/zubdemo.exe" "$release/data" "$work/broken/"
head -c 1000 "$release/data/music.dat" >"$work/broken/data/music.dat"
box_check "$work/broken" "MIDAS error: cannot load music.dat" "with a broken music.dat" --no-warning
# 6. Silenced, a console program still reports a fatal error on standard error: --quiet points standard
# output at NUL, which Windows' C library counts as a terminal.
(cd "$work/broken/data" && "$wine" "$release/zubrender.exe" --quiet --no-progress --to 1 --out frames \
  >"$work/quiet.out" 2>"$work/quiet.err")
status=$?
[ $status -eq 1 ] && grep -q "MIDAS error: cannot load music.dat" "$work/quiet.err" &&
  echo "ok: zubrender.exe --quiet with a broken music.dat says why on standard error, status 1" ||
  fail "zubrender.exe --quiet with a broken music.dat: status $status, standard error '$(cat "$work/quiet.err")'"

finish Wine "details in $work"
