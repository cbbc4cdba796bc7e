# shellcheck shell=bash disable=SC2034
# (build and source are for the scripts that source this file.)
# What the end-to-end scripts share; sourced by each after `set -u`. The failure count and the
# closing report, the build and source folders from the arguments, a scratch folder, a virtual X
# screen, and at exit every process they started stopped and the scratch folder removed.

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

# Usage: e2e_start "$@" (BUILD_DIR [SOURCE_DIR]). Sets build, source and work.
demo_pid=
wm_pid=
xvfb_pid=
e2e_start() {
  build=$(cd "$1" && pwd)
  if [ $# -gt 1 ]; then source=$(cd "$2" && pwd); fi
  work=$(mktemp -d)
  trap 'kill $demo_pid $wm_pid $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
}

# Exits with status 1, saying who installs it, when a command is missing.
# Usage: require WHO HINT COMMAND...
require() {
  local who=$1 hint=$2
  shift 2
  for cmd in "$@"; do
    command -v "$cmd" >/dev/null || { echo "$who: $cmd is missing ($hint)"; exit 1; }
  done
}

# Starts Xvfb on the first free display from NUMBER with a screen of WxHxD, its output in LOG;
# sets DISPLAY and xvfb_pid, and is true once the server answers (within 5 s). -noreset: by
# default the server resets when its last client leaves, and a program started during that reset
# would find no display.
# Usage: start_xvfb NUMBER SCREEN LOG
start_xvfb() {
  local number=$1
  while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do
    number=$((number + 1))
  done
  export DISPLAY=:$number
  Xvfb "$DISPLAY" -screen 0 "$2" -nolisten tcp -noreset >"$3" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to TENTHS tenths of a second for the demo's window (of process PID, when given) and its
# "start running the demo" line in $work/out.txt; sets window (the last search's answer, empty
# when none was found) and is true when both came.
# Usage: await_demo_window TENTHS [PID]
await_demo_window() {
  local pid=${2:-}
  window=
  for _ in $(seq "$1"); do
    window=$(xdotool search ${pid:+--all --pid "$pid"} --name "ZUB demo" 2>/dev/null | head -n 1)
    [ -n "$window" ] && grep -q "start running the demo" "$work/out.txt" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# The closing lines: how many checks of KIND failed (status 1), or that all passed.
# Usage: finish KIND [WHERE_THE_DETAILS_ARE]
finish() {
  [ $failures -eq 0 ] || { echo "$failures $1 check(s) failed${2:+ ($2)}"; exit 1; }
  echo "all $1 checks passed"
}
