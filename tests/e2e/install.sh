#!/usr/bin/env bash
# End to end: the tree `cmake --install` makes works on its own: from another folder, the installed
# programs find the installed data pack with no option; man pages and the menu entry are there.
# Usage: install.sh BUILD_DIR SOURCE_DIR
set -u
. "$(dirname "$0")/lib.sh"
e2e_start "$1"

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; echo "cmake --install failed"; exit 1; }
for file in bin/zubdemo bin/zubrender bin/zubclip bin/zubassets share/zubdemo/music.dat share/zubdemo/dat/guns.mpg \
  share/applications/zubdemo.desktop; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
if command -v help2man >/dev/null; then
  for program in zubdemo zubrender zubclip zubassets; do
    page="$prefix/share/man/man1/$program.1"
    grep -q "^\.TH ${program^^} " "$page" 2>/dev/null || fail "no man page for $program"
    # A synopsis, and examples one to a line that name the installed program, not a build folder.
    grep -q '^\.SH SYNOPSIS' "$page" && grep -q '^\.SH EXAMPLES' "$page" ||
      fail "$program's man page lacks a SYNOPSIS or EXAMPLES section"
    sed -n '/^\.SH EXAMPLES/,/^\.SH/p' "$page" | grep -q "^\.B $program" || fail "$program's examples are not set one to a line"
    ! grep -q 'build/' "$page" || fail "$program's man page names a build folder"
  done
fi
for size in 16 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x$size/apps/zubdemo.png"
  [ "$(file -b "$icon" 2>/dev/null | grep -o "$size x $size")" = "$size x $size" ] || fail "no $size x $size icon"
done
grep -q '^Icon=zubdemo$' "$prefix/share/applications/zubdemo.desktop" || fail "the menu entry names no icon"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/zubdemo.desktop" >"$work/validate.txt" 2>&1 ||
    fail "desktop-file-validate: $(cat "$work/validate.txt")"
fi
ok "installed tree"

# Not the source tree, not the data folder: the programs must find share/zubdemo by themselves.
mkdir "$work/elsewhere"
cd "$work/elsewhere" || exit 1
"$prefix/bin/zubrender" --quiet --no-progress --to 1 --out frames >"$work/out.txt" 2>"$work/err.txt"
status=$?
frames=$(ls frames 2>/dev/null | wc -l)
[ $status -eq 0 ] && [ "$frames" -ge 30 ] && ok "installed zubrender --to 1 wrote $frames frames" ||
  fail "installed zubrender: status $status, $frames frames, '$(tail -n 3 "$work/err.txt")'"
# Moved elsewhere, the tree still works: no path of the build machine is compiled in.
mv "$prefix" "$work/moved"
"$work/moved/bin/zubrender" --quiet --no-progress --to 0.1 --out moved >"$work/out.txt" 2>"$work/err.txt"
status=$?
[ $status -eq 0 ] && ok "a moved tree finds its data" || fail "moved tree: status $status, '$(tail -n 3 "$work/err.txt")'"
rm -rf "$work/moved/share/zubdemo"
"$work/moved/bin/zubrender" --quiet --no-progress --to 0.1 --out none >"$work/out.txt" 2>"$work/err.txt"
status=$?
[ $status -eq 1 ] && grep -q "looked in $work/elsewhere, $work/moved/bin/data and $work/moved/bin/../share/zubdemo" "$work/err.txt" &&
  ok "without its data the installed tree says where it looked" || fail "no data: status $status, '$(cat "$work/err.txt")'"

finish e2e
