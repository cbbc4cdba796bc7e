#!/bin/bash
# zubclip end to end: exit statuses, properties, and the three output forms on committed streams.
# Usage: zubclip.sh BUILD_DIR SOURCE_DIR
set -u
build=$1
data=$2/tests/data/video
zubclip=$build/zubclip
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
check() {  # description, expected status, command...
  local what=$1 want=$2
  shift 2
  "$@" > "$out/stdout" 2> "$out/stderr"
  local got=$?
  if [ "$got" != "$want" ]; then
    echo "FAIL: $what: status $got, expected $want"
    failures=$((failures + 1))
  fi
}
expect_text() {  # description, file, text
  if ! grep -qF -- "$3" "$2"; then
    echo "FAIL: $1: '$3' not in $(basename "$2")"
    failures=$((failures + 1))
  fi
}

check "help" 0 "$zubclip" --help
expect_text "help" "$out/stdout" "usage: zubclip"
check "no arguments" 2 "$zubclip"
check "unknown option" 2 "$zubclip" --frobnicate "$data/m1_ipb.m1v"
check "missing option argument" 2 "$zubclip" "$data/m1_ipb.m1v" --yuv
check "missing file" 1 "$zubclip" "$out/none.mpg"
expect_text "missing file" "$out/stderr" "Base layer input file $out/none.mpg not found"
check "transport stream" 1 "$zubclip" "$data/m2_transport.ts"
expect_text "transport stream" "$out/stderr" "Decoder currently does not parse transport streams"

check "properties" 0 "$zubclip" "$data/m1_system.mpg"
expect_text "properties" "$out/stdout" "container:     MPEG-1 system stream"
expect_text "properties" "$out/stdout" "pictures:      8"
check "properties" 0 "$zubclip" "$data/m2_422_altscan.m2v"
expect_text "properties" "$out/stdout" "chroma format: 4:2:2"

check "yuv" 0 "$zubclip" --quiet --yuv "$out/a.yuv" "$data/m1_odd_size.m1v"
size=$(stat -c %s "$out/a.yuv")
[ "$size" = $((6 * (100 * 70 + 2 * 50 * 35))) ] || { echo "FAIL: yuv size $size"; failures=$((failures + 1)); }
check "y4m" 0 "$zubclip" --quiet --y4m "$out/a.y4m" "$data/m2_program.mpg"
head -c 9 "$out/a.y4m" | grep -q YUV4MPEG2 || { echo "FAIL: y4m header"; failures=$((failures + 1)); }
header=$(head -n 1 "$out/a.y4m" | wc -c)
size=$(stat -c %s "$out/a.y4m")
[ "$size" = $((header + 8 * (6 + 160 * 112 * 3 / 2))) ] || { echo "FAIL: y4m size $size"; failures=$((failures + 1)); }
check "png" 0 "$zubclip" --quiet --png "$out/png" "$data/m1_q31.m1v"
[ "$(ls "$out/png" | wc -l)" = 8 ] || { echo "FAIL: png count"; failures=$((failures + 1)); }

[ $failures = 0 ] && echo "zubclip: all checks passed"
exit $((failures > 0))
