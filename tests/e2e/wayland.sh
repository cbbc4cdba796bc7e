#!/usr/bin/env bash
# End to end: zubdemo on a Wayland display alone (no X display given), fullscreen and in a window:
# it plays at its rate and ends cleanly. The compositor is weston, drawing with the processor into a
# window of a virtual X server, as a desktop without a GPU does; there the demo once stopped at its
# first frame, asking for window pixels that Wayland does not keep.
# Usage: wayland.sh BUILD_DIR SOURCE_DIR
set -u
. "$(dirname "$0")/lib.sh"
e2e_start "$@"
demo="$build/zubdemo"

require e2e "scripts/install-deps.sh installs it" Xvfb xdotool weston
start_xvfb $((190 + $$ % 100)) 1024x768x24 "$work/xvfb.log" || { echo "e2e: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
socket=zubdemo-e2e
weston --backend=x11-backend.so --socket=$socket --width=800 --height=600 --use-pixman >"$work/weston.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/$socket" ] && break; sleep 0.1; done
[ -S "$XDG_RUNTIME_DIR/$socket" ] || { echo "e2e: weston did not start"; cat "$work/weston.log"; exit 1; }

for mode in fullscreen window; do
  options=(--no-warning --stats --data "$source/data")
  [ $mode = window ] && options+=(--window)
  env -u DISPLAY WAYLAND_DISPLAY=$socket SDL_AUDIODRIVER=dummy "$demo" "${options[@]}" >"$work/out.txt" 2>"$work/err.txt" &
  demo_pid=$!
  for _ in $(seq 100); do grep -q "start running the demo" "$work/out.txt" && break; sleep 0.1; done
  sleep 3
  kill -s INT $demo_pid 2>/dev/null
  wait $demo_pid
  status=$?
  demo_pid=
  shown=$(sed -n 's/.*frames shown: //p' "$work/err.txt")
  if [ $status -eq 130 ] && [ "${shown:-0}" -ge 45 ] && [ "$(tail -n 1 "$work/out.txt")" = "key has been hit, exiting..." ]; then
    ok "Wayland, $mode: $shown frames shown in about 3 s, ended cleanly"
  else
    fail "Wayland, $mode: status $status, ${shown:-no} frames shown; standard error: $(tr '\n' ' ' <"$work/err.txt")"
  fi
done

finish e2e
