#!/usr/bin/env bash
# The asset pack generator writes every file of the asset table, and the same bytes on every run.
# Usage: assets.sh BUILD_DIR SOURCE_DIR
set -u
. "$(dirname "$0")/lib.sh"
e2e_start "$1"

"$build/zubassets" --out "$work/a" 2>/dev/null || fail "first run exited with $?"
"$build/zubassets" --out "$work/b" 2>/dev/null || fail "second run exited with $?"
diff -r "$work/a" "$work/b" >/dev/null || fail "two runs wrote different files: $(diff -rq "$work/a" "$work/b" | head -3)"

for f in default.jpg default.lwo music.dat; do [ -s "$work/a/$f" ] || fail "missing $f"; done
for f in logo ridud redchin guitar gfx bazooka code pink666 music water lumored lumoside sister lumoelec egg \
  static mewmew swirl yellow scape cabtex boo butt cage white greets; do
  [ -s "$work/a/dat/$f.jpg" ] || fail "missing dat/$f.jpg"
done
for f in Brimvale 99 zub dot ball ball2 vrt; do [ -s "$work/a/dat/$f.lwo" ] || fail "missing dat/$f.lwo"; done

# The default output is ./assets-out, never the data/ of the folder it runs in.
mkdir -p "$work/repo/data"
echo committed >"$work/repo/data/music.dat"
(cd "$work/repo" && "$build/zubassets" 2>/dev/null) || fail "a run with the default output exited with $?"
[ "$(cat "$work/repo/data/music.dat")" = committed ] || fail "the default output overwrote data/"
cmp -s "$work/repo/assets-out/music.dat" "$work/a/music.dat" || fail "the default output is not ./assets-out"

"$build/zubassets" --out 2>"$work/err.txt"
status=$?
[ $status -eq 2 ] && grep -q -- "--out needs a value" "$work/err.txt" || fail "--out without a value: $status $(cat "$work/err.txt")"
"$build/zubassets" --out="$work/c" 2>/dev/null && cmp -s "$work/c/music.dat" "$work/a/music.dat" || fail "--out=DIR"
"$build/zubassets" --help >"$work/help.txt"
grep -q "scripts/make-assets.sh" "$work/help.txt" && grep -q "music.dat" "$work/help.txt" && grep -q "default.lwo" "$work/help.txt" \
  || fail "--help does not say what it writes: $(cat "$work/help.txt")"

# The tune is written to the scene timing: a pack made before a step length changed is stale.
cmp -s "$work/a/music.dat" "$2/data/music.dat" ||
  fail "data/music.dat is not the tune zubassets composes for this timeline: run scripts/make-assets.sh"
times=$("$build/zubassets" --scene-times)
[ "$(echo "$times" | wc -l)" -eq 13 ] || fail "--scene-times printed $(echo "$times" | wc -l) lines, not 12 scenes and the end"
echo "$times" | awk 'NR > 1 && $1 <= last { bad = 1 } { last = $1 } END { exit bad }' || fail "--scene-times out of order"

finish asset
