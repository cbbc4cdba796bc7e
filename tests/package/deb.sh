#!/usr/bin/env bash
# The Debian package on a clean Debian 12: in a debootstrap chroot (minbase; its tarball cached in
# build-deb/chroot so a rerun only unpacks it), `apt-get install ./zubdemo_*.deb` brings in the library
# packages it declares; then, as an unprivileged user in a folder of its own, zubdemo --help,
# zubrender --to 1 --out DIR and zubclip on a test stream work (and, given the build tree the package
# came from, write the same bytes as it does); `apt-get purge --autoremove` then leaves the root's file
# list as it was before the install.
# Usage: tests/package/deb.sh DEB [BUILD_DIR]. Needs root (chroot and mounts). ZUB_DEBIAN_MIRROR sets the
# archive (default: the one the machine uses); ZUB_CHROOT_CACHE a folder for the root's tarball outside the
# tree (CI's fresh clones share one).
set -u
source=$(cd "$(dirname "$0")/../.." && pwd)
deb=$(realpath "${1:?usage: deb.sh DEB [BUILD_DIR]}")
build=""
[ $# -gt 1 ] && build=$(cd "$2" && pwd)
[ "$(id -u)" -eq 0 ] || { echo "deb.sh: needs root (chroot, mounts)"; exit 1; }

# The mounts of the check live in a mount namespace of its own: whatever ends the script, they go with it.
if [ -z "${ZUB_DEB_CHECK_NS:-}" ]; then
  ZUB_DEB_CHECK_NS=1 exec unshare --mount --propagation private "$0" "$@"
fi

failures=0
passes=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; passes=$((passes + 1)); }
start=$(date +%s)
say() { echo "deb.sh: $* ($(( $(date +%s) - start ))s)" >&2; }

arch=$(dpkg --print-architecture)
cache="$source/build-deb/chroot"
tarball="${ZUB_CHROOT_CACHE:-$cache}/bookworm-$arch.tar"
chroot="$cache/root"
work="$cache/work"
mkdir -p "$cache" "$(dirname "$tarball")"
rm -rf "$work"
mkdir -p "$work"
mirror=${ZUB_DEBIAN_MIRROR:-$(sed -n 's/^URIs: *\([^ ]*debian\)\/*$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)}
mirror=${mirror:-http://deb.debian.org/debian}
security=${mirror%/debian}/debian-security

if [ ! -f "$tarball" ]; then
  command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 debootstrap >/dev/null
  say "debootstrap of Debian 12 (minbase) from $mirror"
  rm -rf "$chroot"
  nice -n 19 debootstrap --variant=minbase bookworm "$chroot" "$mirror" >"$work/debootstrap.log" 2>&1 \
    || { tail -n 30 "$work/debootstrap.log"; echo "deb.sh: debootstrap failed"; exit 1; }
  # The release with its updates, as a Debian 12 user has it.
  cat >"$chroot/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
  rm -rf "$chroot"/var/cache/apt/archives/*.deb
  tar -C "$chroot" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
fi
say "unpacking the clean root"
rm -rf "$chroot"
mkdir -p "$chroot"
tar -C "$chroot" -xf "$tarball"
mount -t proc proc "$chroot/proc"
mount --rbind /dev "$chroot/dev"
cp /etc/resolv.conf "$chroot/etc/resolv.conf"
in_root() { chroot "$chroot" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -qq >"$work/update.log" 2>&1 || { cat "$work/update.log"; echo "deb.sh: apt-get update failed"; exit 1; }

# Every path of the root with its type, link target and, for a file, the checksum of its bytes; less what
# the package manager itself, the logs and the scratch folders change. The accounts (/etc/passwd, group
# and their shadows, with the backups their tools keep) are compared on their own.
accounts='passwd group shadow gshadow'
file_list() {
  local skip=(\( -path ./proc -o -path ./dev -o -path ./sys -o -path ./tmp -o -path ./run -o -path ./var/log
    -o -path ./var/cache/apt -o -path ./var/cache/debconf -o -path ./var/cache/ldconfig -o -path ./var/lib/apt
    -o -path ./var/lib/dpkg -o -path ./etc/ld.so.cache -o -regex "\./etc/(${accounts// /|})-?" \) -prune)
  (cd "$chroot" && {
    find . -xdev -regextype egrep "${skip[@]}" -o ! -type f -printf '%y %p %l\n'
    find . -xdev -regextype egrep "${skip[@]}" -o -type f -print0 | xargs -0 md5sum
  } | LC_ALL=C sort) >"$1"
  for f in $accounts; do sed "s/^/$f:/" "$chroot/etc/$f"; done | LC_ALL=C sort >"$1.accounts"
}
file_list "$work/before.txt"

say "apt-get install ./$(basename "$deb")"
cp "$deb" "$chroot/tmp/"
if in_root apt-get install -y -q "./tmp/$(basename "$deb")" >"$work/install.log" 2>&1; then
  ok "apt-get install ./$(basename "$deb") ($(grep -c '^Setting up' "$work/install.log") packages set up)"
else
  tail -n 30 "$work/install.log"
  fail "apt-get install"
fi
for program in zubdemo zubrender zubclip zubassets; do
  [ -x "$chroot/usr/bin/$program" ] && [ -f "$chroot/usr/share/man/man1/$program.1.gz" ] ||
    fail "$program or its man page not installed"
done
[ -f "$chroot/usr/share/zubdemo/music.dat" ] && [ -f "$chroot/usr/share/applications/zubdemo.desktop" ] &&
  [ -f "$chroot/usr/share/icons/hicolor/48x48/apps/zubdemo.png" ] || fail "data pack, menu entry or icon not installed"

# As nobody, in a folder of its own: the programs find the installed data pack by themselves.
elsewhere=/tmp/elsewhere
mkdir -p "$chroot$elsewhere"
cp "$source/tests/data/video/m1_system.mpg" "$source/tests/data/video/m2_i420_ipb.m2v" "$chroot$elsewhere/"
chown -R 65534:65534 "$chroot$elsewhere"
as_user() {
  chroot --userspec=65534:65534 "$chroot" env -i PATH=/usr/bin:/bin HOME=$elsewhere LANG=C.UTF-8 \
    /bin/sh -c "cd $elsewhere && $1"
}
if as_user "zubdemo --help" >"$work/help.txt" 2>&1 && grep -qi '^usage: zubdemo' "$work/help.txt"; then
  ok "zubdemo --help ($(wc -l <"$work/help.txt") lines)"
else
  fail "zubdemo --help: $(head -n 3 "$work/help.txt")"
fi
as_user "zubrender --quiet --no-progress --to 1 --out frames" >"$work/render.txt" 2>&1
status=$?
frames=$(find "$chroot$elsewhere/frames" -name '*.png' 2>/dev/null | wc -l)
if [ $status -eq 0 ] && [ "$frames" -ge 30 ]; then
  ok "zubrender --to 1 --out frames wrote $frames frames"
else
  fail "zubrender: status $status, $frames frames: $(tail -n 3 "$work/render.txt")"
fi
clips_ok=0
for clip in m1_system.mpg m2_i420_ipb.m2v; do
  if as_user "zubclip $clip >$clip.txt && zubclip --quiet --yuv $clip.yuv $clip" >"$work/clip.txt" 2>&1 &&
    [ -s "$chroot$elsewhere/$clip.yuv" ] && grep -q . "$chroot$elsewhere/$clip.txt"; then
    clips_ok=$((clips_ok + 1))
  else
    fail "zubclip $clip: $(tail -n 3 "$work/clip.txt")"
  fi
done
[ $clips_ok -eq 2 ] && ok "zubclip printed the properties of and decoded m1_system.mpg and m2_i420_ipb.m2v"

# The installed programs write what the build tree they came from writes.
if [ -n "$build" ] && [ "$frames" -ge 30 ]; then
  (cd "$source/data" && "$build/zubrender" --quiet --no-progress --to 1 --out "$work/frames") >/dev/null 2>&1
  (cd "$chroot$elsewhere/frames" && sha256sum -- *.png) >"$work/installed.sums"
  (cd "$work/frames" && sha256sum -- *.png) >"$work/build.sums"
  cmp -s "$work/installed.sums" "$work/build.sums" && ok "the installed zubrender's frames equal the build tree's" ||
    fail "the installed zubrender's frames differ from the build tree's"
  for clip in m1_system.mpg m2_i420_ipb.m2v; do
    "$build/zubclip" --quiet --yuv "$work/$clip.yuv" "$source/tests/data/video/$clip" 2>/dev/null
    cmp -s "$work/$clip.yuv" "$chroot$elsewhere/$clip.yuv" || fail "the installed zubclip decodes $clip differently"
  done
fi
rm -rf "${chroot:?}$elsewhere" "$chroot/tmp/$(basename "$deb")"

say "apt-get purge --autoremove zubdemo"
in_root apt-get purge -y -q --autoremove zubdemo >"$work/purge.log" 2>&1 || { tail -n 20 "$work/purge.log"; fail "apt-get purge"; }
file_list "$work/after.txt"
if diff "$work/before.txt" "$work/after.txt" >"$work/left.diff"; then
  ok "purged: the root's $(wc -l <"$work/after.txt") paths and their bytes are those before the install"
else
  fail "the purge left the root changed:"
  head -n 20 "$work/left.diff"
fi
# Debian's packages keep the system users they create (files may still be theirs): the one the
# dependencies add (dbus's messagebus, through a recommendation) may stay; no account of zubdemo's may.
comm -13 "$work/before.txt.accounts" "$work/after.txt.accounts" | cut -d: -f1,2 | sort -u >"$work/accounts-added.txt"
if comm -23 "$work/before.txt.accounts" "$work/after.txt.accounts" | grep -q . || grep -qi zub "$work/accounts-added.txt"; then
  fail "the accounts changed: $(diff "$work/before.txt.accounts" "$work/after.txt.accounts" | head -n 5)"
elif [ -s "$work/accounts-added.txt" ]; then
  echo "note: system accounts a dependency created and Debian keeps: $(cut -d: -f2 "$work/accounts-added.txt" | sort -u | tr '\n' ' ')"
fi
in_root dpkg -s zubdemo >/dev/null 2>&1 && fail "zubdemo still known to dpkg"

say "done"
echo "$passes passed, $failures failed"
[ $failures -eq 0 ]
