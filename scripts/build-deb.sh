#!/usr/bin/env bash
# Builds the Debian package dist/zubdemo_VERSION_ARCH.deb from the project's own install rules:
#   1. configures and builds a Release tree for /usr in build-deb/build-ARCH, with Debian's hardening flags
#      (for another architecture with the toolchain file cmake/MULTIARCH.cmake),
#   2. installs it with DESTDIR into a staging root (cmake --install: programs, data pack, man pages,
#      menu entry, icons),
#   3. strips the programs, compresses the man pages, adds the copyright file and the changelog,
#   4. declares the dependencies with dpkg-shlibdeps (the Debian packages of the shared libraries the
#      programs link) and writes the package with dpkg-deb, then runs lintian on it (an error fails).
# Usage: scripts/build-deb.sh [--arch ARCH]   (default: the machine's own; arm64 is cross-built, see
# scripts/build-arm64.sh, which installs its compilers and libraries). A cross build cannot run its programs
# for help2man: its man pages are the native build's (the same sources), built first where missing.
# ZUB_DEB_MAINTAINER overrides the Maintainer field (default: the repository's git user).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-deb"
native=$(dpkg --print-architecture)
arch=$native
case "${1:-}" in
  --arch) arch=${2:?--arch needs an architecture} ;;
  "") ;;
  *) echo "usage: scripts/build-deb.sh [--arch ARCH]" >&2; exit 2 ;;
esac
build="$out/build-$arch"
multiarch=$(dpkg-architecture -a "$arch" -qDEB_HOST_MULTIARCH 2>/dev/null)
mkdir -p "$out" "$root/dist"
start=$(date +%s)
say() { echo "build-deb: $* ($(( $(date +%s) - start ))s)" >&2; }
umask 022

missing=()
for p in dpkg-dev lintian help2man cmake ninja-build; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "build-deb: needs root to install ${missing[*]}" >&2; exit 1; }
  say "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 \
    "${missing[@]}" >"$out/apt.log" 2>&1 || { cat "$out/apt.log" >&2; exit 1; }
fi

lock() { flock /tmp/zub-build.lock "$@"; }
cross=()
if [ "$arch" != "$native" ]; then
  [ -f "$root/cmake/$multiarch.cmake" ] || { echo "build-deb: no toolchain file cmake/$multiarch.cmake" >&2; exit 1; }
  cross=("-DCMAKE_TOOLCHAIN_FILE=$root/cmake/$multiarch.cmake")
  [ -f "$out/build-$native/man/zubdemo.1" ] || "$0"
fi
say "building the programs in build-deb/build-$arch"
# Debian's hardening (stack protector, fortified string functions, read-only relocations, bound at start)
# on top of the project's own Release optimisation, so the pictures are those of any Release build.
export CCACHE_DIR=${CCACHE_DIR:-/work/.ccache} CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DZUB_TESTS=OFF -DZUB_BENCH=OFF "${launcher[@]}" "${cross[@]}" \
  "-DCMAKE_CXX_FLAGS=-fstack-protector-strong -Wformat -Werror=format-security -D_FORTIFY_SOURCE=2" \
  "-DCMAKE_EXE_LINKER_FLAGS=-Wl,-z,relro -Wl,-z,now" >"$out/configure-$arch.log" 2>&1 \
  || { tail -n 40 "$out/configure-$arch.log" >&2; exit 1; }
lock nice -n 19 ninja -C "$build" -j 2 >"$out/build-$arch.log" 2>&1 || { tail -n 60 "$out/build-$arch.log" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "build-deb: no project version in $build/CMakeCache.txt" >&2; exit 1; }
# The date of the last commit stands for every date in the package, so a rebuild of the same commit is
# the same package.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
maintainer=${ZUB_DEB_MAINTAINER:-"$(git -C "$root" config user.name) <$(git -C "$root" config user.email)>"}

say "staging zubdemo $version for $arch"
stage="$out/stage-$arch"
pkg="$stage/root"
rm -rf "$stage"
mkdir -p "$pkg"
DESTDIR="$pkg" cmake --install "$build" --prefix /usr >"$out/install-$arch.log" 2>&1 \
  || { cat "$out/install-$arch.log" >&2; exit 1; }
if [ ! -d "$pkg/usr/share/man/man1" ]; then
  install -d "$pkg/usr/share/man/man1"
  install -m 644 "$out/build-$native"/man/*.1 "$pkg/usr/share/man/man1/"
fi
gzip -9n "$pkg"/usr/share/man/man1/*.1

# Stripped as Debian's own packaging strips programs (debug symbols belong in a separate package).
strip_tool="strip"
[ "$arch" = "$native" ] || strip_tool="$multiarch-strip"
for program in "$pkg"/usr/bin/*; do
  "$strip_tool" --remove-section=.comment --remove-section=.note --strip-unneeded "$program"
done

doc="$pkg/usr/share/doc/zubdemo"
install -d "$doc"
# The years of the copyright notice are those of the project's history: its first and its last commit.
first_year=$(git -C "$root" log --max-parents=0 --format=%ad --date=format:%Y 2>/dev/null | tail -n 1)
last_year=$(date -u -d "@$SOURCE_DATE_EPOCH" +%Y)
years=${first_year:-$last_year}
[ "$years" = "$last_year" ] || years="$years-$last_year"
sed "s/@YEARS@/$years/" "$root/packaging/debian/copyright" >"$doc/copyright"
chmod 644 "$doc/copyright"
# A native package: the changelog names the version being built, dated by the commit it comes from.
{
  echo "zubdemo ($version) bookworm; urgency=medium"
  echo
  echo "  * Package built from the project's install rules (scripts/build-deb.sh)."
  echo "    Commit $(git -C "$root" log -1 --format=%h 2>/dev/null || echo unknown)."
  echo
  echo " -- $maintainer  $(date -u -R -d "@$SOURCE_DATE_EPOCH")"
} | gzip -9n >"$doc/changelog.gz"

say "declaring dependencies"
# dpkg-shlibdeps reads a control file of the source and asks dpkg which package holds each library.
mkdir -p "$stage/debian"
printf 'Source: zubdemo\n\nPackage: zubdemo\nArchitecture: any\n' >"$stage/debian/control"
programs=()
for program in "$pkg"/usr/bin/*; do programs+=("-e$program"); done
(cd "$stage" && dpkg-architecture -a "$arch" -c dpkg-shlibdeps -O "${programs[@]}" 2>"$stage/shlibdeps.log") \
  >"$stage/substvars" || { cat "$stage/shlibdeps.log" >&2; exit 1; }
depends=$(sed -n 's/^shlibs:Depends=//p' "$stage/substvars")
[ -n "$depends" ] || { echo "build-deb: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

install -d "$pkg/DEBIAN"
installed_size=$(du -k -s --apparent-size --exclude=DEBIAN "$pkg" | cut -f1)
cat >"$pkg/DEBIAN/control" <<EOF
Package: zubdemo
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $installed_size
Depends: $depends
Recommends: fonts-league-spartan
Suggests: ffmpeg
Section: video
Priority: optional
Description: real-time software-rendered audiovisual demo
 zubdemo draws a demo entirely in software into a 320 x 240 frame and plays
 its own tune: title cards, waving extruded logos, an MPEG clip decoded by its
 own decoder, chrome balls that morph and ripple, a landscape fly-over,
 bump-mapped lighting and a finale, twelve scenes in about 274 seconds.
 .
 Photosensitivity warning: the demo shows fast flashing light;
 zubdemo --reduce-flashes keeps what it shows within the safe limits.
 .
 The package holds the demo (zubdemo), its offline renderer to pictures,
 video and sound (zubrender), the MPEG-1/MPEG-2 video decoder on the command
 line (zubclip), the asset pack generator (zubassets) and the data pack.
EOF
(cd "$pkg" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$pkg/DEBIAN/md5sums"
chmod 644 "$pkg/DEBIAN/control" "$pkg/DEBIAN/md5sums"

deb="$root/dist/zubdemo_${version}_$arch.deb"
rm -f "$deb"
dpkg-deb --root-owner-group -Zxz --build "$pkg" "$deb" >"$stage/dpkg-deb.log" 2>&1 || { cat "$stage/dpkg-deb.log" >&2; exit 1; }
say "wrote dist/$(basename "$deb") ($(du -h "$deb" | cut -f1), $installed_size KiB installed)"

# lintian: errors fail the build; what remains is printed for the reader.
lintian --display-info --pedantic "$deb" >"$stage/lintian.txt" 2>&1 || true
grep -v 'running with root privileges' "$stage/lintian.txt" >"$stage/lintian-tags.txt" || true
if [ -s "$stage/lintian-tags.txt" ]; then
  sed 's/^/lintian: /' "$stage/lintian-tags.txt" >&2
else
  say "lintian (pedantic, info included): no tags"
fi
if grep -q '^E: ' "$stage/lintian.txt"; then
  echo "build-deb: lintian reports errors" >&2
  exit 1
fi
