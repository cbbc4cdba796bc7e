#!/usr/bin/env bash
# End to end: zubdemo as a desktop program under Xvfb with a window manager (openbox) on a
# 1920 x 1080 screen: true fullscreen covering the screen with no frame, the processor time and the
# memory it takes while playing and after jumps back, the --stats figures (the time to the first frame among them),
# --window=WxH, Alt+Enter and F11 switching, --no-sound with an audio driver that cannot open, the
# data lookup from /, and --help, --version and an unknown option.
# Usage: desktop.sh BUILD_DIR SOURCE_DIR
set -u
. "$(dirname "$0")/lib.sh"
e2e_start "$@"
demo="$build/zubdemo"

require e2e "scripts/install-deps.sh installs it" Xvfb xdotool openbox xwininfo xprop xev

# ---- conventions, no display needed ----
(cd / && env -u DISPLAY "$demo" --help >"$work/out.txt" 2>"$work/err.txt")
status=$?
[ $status -eq 0 ] && grep -q "^Usage: zubdemo" "$work/out.txt" && grep -q "flashes" "$work/out.txt" && ok "--help" ||
  fail "--help: status $status, output '$(head -n 2 "$work/out.txt")'"
version=$(sed -n 's/^project(zubdemo VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
for program in zubdemo zubrender zubclip zubassets; do
  out=$("$build/$program" --version 2>&1)
  [ "$out" = "$program $version" ] && ok "$program --version" || fail "$program --version printed '$out'"
done
"$demo" --fullscreen >"$work/out.txt" 2>"$work/err.txt"
status=$?
[ $status -eq 2 ] && grep -q "unknown option '--fullscreen'" "$work/err.txt" && ok "unknown option" ||
  fail "unknown option: status $status, '$(cat "$work/err.txt")'"

# Run from / the pack is nowhere: status 1, and standard error says where it looked and what to do.
(cd / && "$demo" >"$work/out.txt" 2>"$work/err.txt")
status=$?
[ $status -eq 1 ] && grep -q "cannot find the demo's data.*looked in /, .*/data and .*share/zubdemo.*--data DIR" "$work/err.txt" &&
  ok "no data from /" || fail "no data from /: status $status, '$(cat "$work/err.txt")'"

# ---- a virtual screen with a window manager ----
start_xvfb 62 1920x1080x24 "$work/xvfb.log" || { echo "e2e: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
# The check window comes before openbox handles map requests; a window mapped in between is never
# shown, and SDL waits for it forever. A probe window is mapped until openbox has framed one; a
# probe mapped too early is replaced. A fresh machine may first build its font cache, so openbox
# is given up to a minute.
framed=
for _ in $(seq 30); do
  kill -0 $wm_pid 2>/dev/null || break
  xev -name zubprobe -geometry 20x20 >/dev/null 2>&1 &
  probe_pid=$!
  for _ in $(seq 20); do
    probe=$(xdotool search --name zubprobe 2>/dev/null | head -n 1)
    [ -n "$probe" ] && xprop -id "$probe" _NET_FRAME_EXTENTS 2>/dev/null | grep -q "=" && framed=1 && break
    sleep 0.1
  done
  kill $probe_pid 2>/dev/null
  wait $probe_pid 2>/dev/null
  [ -n "$framed" ] && break
done
[ -n "$framed" ] || { echo "e2e: openbox did not take charge of the screen"; cat "$work/openbox.log"; exit 1; }
root_geometry=$(xwininfo -root | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')

# Starts the demo with the given options from /, the data given with --data; sets $demo_pid and
# $window once the first frame is about to be drawn.
start_demo() {
  local name=$1
  shift
  (cd / && exec "$demo" --no-warning --data "$source/data" "$@" >"$work/out.txt" 2>"$work/err.txt") &
  demo_pid=$!
  await_demo_window 150 $demo_pid
  if [ -z "$window" ] || ! grep -q "start running the demo" "$work/out.txt"; then
    fail "$name: no window appeared, or the demo did not start"
    window=
    cat "$work/err.txt"
    kill -9 $demo_pid 2>/dev/null
    wait $demo_pid 2>/dev/null
    demo_pid=
  fi
  sleep 1
}

# Client area as WxH+X+Y (absolute), and the frame the window manager drew around it (l, r, t, b).
geometry() { xwininfo -id "$window" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h "+" x "+" y}'; }
frame() { xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.* = //p'; }

# Waits until the geometry is $2 (up to 5 s); true when it is.
await_geometry() {
  for _ in $(seq 50); do [ "$(geometry)" = "$1" ] && return 0; sleep 0.1; done
  return 1
}

stop_demo() {
  local name=$1 status
  # Pressed as a user would, to the focused window: an event sent to the window itself would have
  # its key-up arrive after the window is gone, and the X error that follows can end the demo first.
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null
  xdotool key Escape
  for _ in $(seq 100); do kill -0 $demo_pid 2>/dev/null || break; sleep 0.1; done
  if kill -0 $demo_pid 2>/dev/null; then
    fail "$name: demo still running after Escape"
    kill -9 $demo_pid
  fi
  wait $demo_pid
  status=$?
  demo_pid=
  [ $status -eq 0 ] || { fail "$name: exit status $status"; tail -n 8 "$work/out.txt" "$work/err.txt"; }
  [ "$(tail -n 1 "$work/out.txt")" = "key has been hit, exiting..." ] || fail "$name: last line '$(tail -n 1 "$work/out.txt")'"
}

# Processor time (user + system) of a process in clock ticks.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# Fullscreen by default: exactly the screen, no frame; then 10 s of playing within 10% of one core.
SDL_AUDIODRIVER=dummy start_demo fullscreen --stats
if [ -n "$window" ]; then
  g=$(geometry)
  [ "$g" = "$root_geometry+0+0" ] && ok "fullscreen covers the screen ($g)" || fail "fullscreen geometry $g, screen $root_geometry"
  f=$(frame)
  [ -z "$f" ] || [ "$f" = "0, 0, 0, 0" ] && ok "fullscreen has no frame" || fail "fullscreen frame extents '$f'"
  hz=$(getconf CLK_TCK)
  before=$(cpu_ticks $demo_pid)
  sleep 10
  after=$(cpu_ticks $demo_pid)
  percent=$(( (after - before) * 100 / (hz * 10) ))
  echo "cpu: $((after - before)) ticks of $hz per second over 10 s: ${percent}% of one core"
  [ $percent -le 10 ] && ok "fullscreen playing takes ${percent}% of one core" || fail "fullscreen playing takes ${percent}% of one core (10% allowed)"
  # The most it has held resident, start-up included, playing fullscreen at 1920 x 1080.
  peak=$(awk '/^VmHWM:/ {print $2}' "/proc/$demo_pid/status")
  echo "memory: VmHWM $peak kB"
  [ -n "$peak" ] && [ "$peak" -le 61440 ] && ok "fullscreen at $root_geometry holds at most $((peak / 1024)) MB" ||
    fail "fullscreen at $root_geometry holds ${peak:-?} kB resident at its peak (60 MB allowed)"
  stop_demo fullscreen
  cat "$work/err.txt"
  shown=$(sed -n 's/.*frames shown: //p' "$work/err.txt")
  late=$(sed -n 's/.*frames late.*: //p' "$work/err.txt")
  count=$(sed -n 's/.*pacer frame count: //p' "$work/err.txt")
  gap=$(sed -n 's/.*worst gap between two presents: \([0-9]*\) ms/\1/p' "$work/err.txt")
  # Measured by the demo from the process's start; a loaded machine is given far more than a quiet
  # one takes (about 0.2 s).
  first=$(sed -n 's/^zubdemo stats: first frame presented \([0-9]*\.[0-9]*\) s after the process started$/\1/p' "$work/err.txt")
  # Over at least 11 s at 30 frames per second; every frame the pacer granted was shown.
  if [ -n "$shown" ] && [ "$shown" -ge 200 ] && [ "$shown" = "$count" ] && [ "$late" -le "$shown" ] &&
    [ "$gap" -ge 30 ] && grep -q "CPU time: .* of one core" "$work/err.txt" && [ -n "$first" ] &&
    awk -v s="$first" 'BEGIN {exit !(s > 0 && s < 5)}'; then
    ok "--stats figures"
  else
    fail "--stats figures are not sane"
  fi
fi

# Each jump back builds the timeline anew and frees the old one: eight of them must leave the demo
# holding what it held before them, within the 60 MB it plays in (the old timelines' memory once
# stayed with the process: 45 MB became 84).
resident() { awk '/^VmRSS:/ {print $2}' "/proc/$demo_pid/status"; }
SDL_AUDIODRIVER=dummy start_demo jumps --start 4
if [ -n "$window" ]; then
  before=$(resident)
  timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null
  for _ in 1 2 3 4; do
    for key in Left Left Right Right; do
      xdotool key $key
      sleep 0.6
    done
  done
  after=$(resident)
  echo "memory: VmRSS $before kB before eight jumps back, $after kB after them"
  [ -n "$after" ] && [ "$after" -le 61440 ] && [ $((after - before)) -le 4096 ] &&
    ok "eight jumps back leave $((after / 1024)) MB resident, as before them" ||
    fail "eight jumps back: ${before:-?} kB resident before them, ${after:-?} kB after (4 MB more and 60 MB at most allowed)"
  kill -0 $demo_pid 2>/dev/null && stop_demo jumps || fail "the jumps ended the demo"
fi

# A window of the asked client size, with a frame; Alt+Enter and F11 switch and switch back.
SDL_AUDIODRIVER=dummy start_demo window --window=640x480
if [ -n "$window" ]; then
  g=$(geometry)
  [ "${g%%+*}" = 640x480 ] && ok "--window=640x480 gives $g" || fail "--window=640x480 gives $g"
  f=$(frame)
  [ -n "$f" ] && [ "$f" != "0, 0, 0, 0" ] && ok "the window has a frame ($f)" || fail "the window has no frame"
  xdotool windowfocus "$window" 2>/dev/null
  for keys in alt+Return F11; do
    xdotool key --window "$window" $keys
    await_geometry "$root_geometry+0+0" && ok "$keys: fullscreen" || fail "$keys: geometry $(geometry), not fullscreen"
    xdotool key --window "$window" $keys
    for _ in $(seq 50); do [ "$(geometry | cut -d+ -f1)" = 640x480 ] && break; sleep 0.1; done
    [ "$(geometry | cut -d+ -f1)" = 640x480 ] && ok "$keys: back to the window" || fail "$keys: back gives $(geometry)"
  done
  kill -0 $demo_pid 2>/dev/null || fail "switching ended the demo"
  stop_demo window
fi

# An audio driver that cannot open: the demo plays on silently and says so in one line on standard
# error, without the sound libraries' own noise ...
SDL_AUDIODRIVER=no_such_driver start_demo "no audio device" --window
if [ -n "$window" ]; then
  stop_demo "no audio device"
  [ "$(wc -l <"$work/err.txt")" -eq 1 ] && grep -q "^zubdemo: no sound: .*; playing on without it$" "$work/err.txt" &&
    ok "no audio device: plays on silently, one line on standard error" ||
    fail "no audio device: standard error was '$(cat "$work/err.txt")'"
fi
# ... while a module that cannot be read still stops it with the MIDAS report.
mkdir -p "$work/brokenpack"
cp -r "$source/data/dat" "$work/brokenpack/"
printf 'not a module' >"$work/brokenpack/music.dat"
(cd / && SDL_AUDIODRIVER=no_such_driver "$demo" --no-warning --data "$work/brokenpack" --window >"$work/out.txt" 2>"$work/err.txt")
status=$?
[ $status -eq 1 ] && grep -q "^MIDAS error: cannot load music.dat" "$work/out.txt" &&
  ok "a broken music.dat still fails with the MIDAS report" || fail "broken music.dat: status $status, '$(tail -n 1 "$work/out.txt")'"
# --no-sound plays without a device.
SDL_AUDIODRIVER=no_such_driver start_demo no-sound --no-sound --window
[ -n "$window" ] && stop_demo "--no-sound" && ok "--no-sound with no audio device plays and ends on Escape"

finish e2e
