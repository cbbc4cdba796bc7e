#!/usr/bin/env bash
# Cross-builds the Windows x86-64 release on Debian with MinGW-w64:
#   1. installs the cross compilers and tools from Debian,
#   2. fetches the Debian source packages of the libraries (zlib, libpng, libjpeg-turbo, SDL2, libopenmpt,
#      FreeType) and builds each, static, into build-windows/prefix (kept between runs: a library is rebuilt
#      only when its stamp file is missing),
#   3. builds the four programs with cmake/mingw-w64-x86_64.cmake into build-windows/project,
#   4. assembles dist/zubdemo-windows-x64/ and zips it as dist/zubdemo-windows-x64.zip.
# Usage: scripts/build-windows.sh [--deps-only]. ZUB_WINDOWS_JOBS sets the parallel jobs (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-windows"
prefix="$out/prefix"
sources="$out/sources"
stamps="$out/stamps"
jobs=${ZUB_WINDOWS_JOBS:-2}
host=x86_64-w64-mingw32
toolchain="$root/cmake/mingw-w64-x86_64.cmake"
mkdir -p "$prefix" "$sources" "$stamps"
start=$(date +%s)
say() { echo "build-windows: $* ($(( $(date +%s) - start ))s)" >&2; }

install_packages() {
  local packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
    nasm wine64 dpkg-dev make cmake ninja-build pkg-config zip xvfb xdotool x11-apps fonts-dejavu-core)
  local missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  local need_src=0
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/ || need_src=1
  [ ${#missing[@]} -eq 0 ] && [ $need_src = 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "build-windows: needs root to install ${missing[*]:-} and the Debian source index" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  if [ $need_src = 1 ]; then
    # The source index of the same Debian archive the machine already uses.
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >/etc/apt/sources.list.d/zub-deb-src.sources
    else
      grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' >/etc/apt/sources.list.d/zub-deb-src.list
    fi
  fi
  say "installing ${missing[*]:-(source index only)}"
  apt_update
  # Another install running holds the package manager's lock: wait for it rather than fail.
  [ ${#missing[@]} -eq 0 ] ||
    apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
}

# apt-get update has no timeout for the lock of its lists (another update holds it): it is retried for up to
# ten minutes while that is the reason it fails, and fails at once on any other.
apt_update() {
  local tries=0 log="$out/apt-update.log"
  until apt-get update -qq -o DPkg::Lock::Timeout=600 >"$log" 2>&1; do
    if ! grep -q "Could not get lock" "$log" || [ $tries -ge 120 ]; then
      cat "$log" >&2
      exit 1
    fi
    [ $tries -eq 0 ] && say "waiting for another package manager to finish"
    tries=$((tries + 1))
    sleep 5
  done
}

# Unpacks Debian source package $1 once; prints its directory. The version the Linux build uses (that of
# installed binary package $2) comes first, so both builds share their library code; then the newest reachable.
fetch_source() {
  local name=$1 binary=$2 dir version
  dir=$(find "$sources" -mindepth 1 -maxdepth 1 -type d -name "$name-*" | head -n 1)
  if [ -z "$dir" ]; then
    local versions=()
    version=$(dpkg-query -W -f='${source:Version}' "$binary" 2>/dev/null || true)
    [ -n "$version" ] && versions+=("$version")
    mapfile -t -O ${#versions[@]} versions < <(apt-cache showsrc "$name" | sed -n 's/^Version: //p' | sort -urV)
    for version in "${versions[@]}"; do
      (cd "$sources" && apt-get source -qq "$name=$version" >"$sources/$name.log" 2>&1) && break
      rm -rf "${sources:?}/$name"[-_]*
    done
    dir=$(find "$sources" -mindepth 1 -maxdepth 1 -type d -name "$name-*" | head -n 1)
    [ -n "$dir" ] || { cat "$sources/$name.log" >&2; exit 1; }
  fi
  echo "$dir"
}

cross_cmake() {
  local src=$1 build=$2
  shift 2
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DZUB_WINDOWS_PREFIX="$prefix" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" "$@" >"$build.log" 2>&1 \
    && ninja -C "$build" -j "$jobs" install >>"$build.log" 2>&1 || { tail -n 40 "$build.log" >&2; exit 1; }
}

build_zlib() {
  local src
  src=$(fetch_source zlib zlib1g-dev)
  # Debian's zlib source has no Windows makefile: the library is its fifteen C files.
  local objs=() f
  mkdir -p "$out/zlib"
  for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    $host-gcc-posix -O2 -c "$src/$f.c" -o "$out/zlib/$f.o" 2>>"$out/zlib.log" || { cat "$out/zlib.log" >&2; exit 1; }
    objs+=("$out/zlib/$f.o")
  done
  rm -f "$out/zlib/libz.a"
  $host-ar rcs "$out/zlib/libz.a" "${objs[@]}"
  mkdir -p "$prefix/include" "$prefix/lib/pkgconfig"
  cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
  cp "$out/zlib/libz.a" "$prefix/lib/"
  # ${prefix} is pkg-config's own variable, written as it stands.
  # shellcheck disable=SC2016
  printf 'prefix=%s\nName: zlib\nDescription: zlib\nVersion: 1.2.13\nLibs: -L${prefix}/lib -lz\nCflags: -I${prefix}/include\n' \
    "$prefix" >"$prefix/lib/pkgconfig/zlib.pc"
}

build_libpng() {
  local src
  src=$(fetch_source libpng1.6 libpng-dev)
  mkdir -p "$out/libpng"
  (cd "$out/libpng" && "$src/configure" --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --disable-tools CC=$host-gcc-posix CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" CFLAGS=-O2 >"$out/libpng.log" 2>&1 \
    && make -j "$jobs" install-libLTLIBRARIES install-pkgincludeHEADERS install-nodist_pkgincludeHEADERS \
      install-pkgconfigDATA install-header-links install-library-links >>"$out/libpng.log" 2>&1 \
    && cp "$prefix/lib/pkgconfig/libpng16.pc" "$prefix/lib/pkgconfig/libpng.pc") \
    || { tail -n 40 "$out/libpng.log" >&2; exit 1; }
}

build_libjpeg() {
  local src
  src=$(fetch_source libjpeg-turbo libjpeg62-turbo-dev)
  cross_cmake "$src" "$out/libjpeg" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
    -DREQUIRE_SIMD=ON -DCMAKE_ASM_NASM_COMPILER=nasm
}

build_sdl2() {
  local src
  src=$(fetch_source libsdl2 libsdl2-dev)
  # The programs use video, audio and events; input devices and the rest stay out.
  cross_cmake "$src" "$out/sdl2" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_HIDAPI=OFF \
    -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF -DSDL_POWER=OFF -DSDL_VULKAN=OFF -DSDL_OPENGLES=OFF
}

build_libopenmpt() {
  local src
  src=$(fetch_source libopenmpt libopenmpt-dev)
  mkdir -p "$out/libopenmpt"
  # Without -g (the default flags make a library of over 100 MB); no optional codecs, no player, no examples.
  (cd "$out/libopenmpt" && "$src/configure" --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc --without-zlib --without-mpg123 \
    --without-ogg --without-vorbis --without-vorbisfile --without-pulseaudio --without-portaudio \
    --without-portaudiocpp --without-sndfile --without-flac CC=$host-gcc-posix CXX=$host-g++-posix \
    CXXFLAGS=-O2 CFLAGS=-O2 >"$out/libopenmpt.log" 2>&1 \
    && make -j "$jobs" install >>"$out/libopenmpt.log" 2>&1) || { tail -n 40 "$out/libopenmpt.log" >&2; exit 1; }
}

build_freetype() {
  local src
  src=$(fetch_source freetype libfreetype-dev)
  # Debian's source keeps the library in a subfolder next to the demos.
  [ -f "$src/CMakeLists.txt" ] || src=$(dirname "$(find "$src" -maxdepth 2 -name CMakeLists.txt | head -n 1)")
  # Its compressed-font support uses the zlib built above (its own copy would clash with it at link time).
  cross_cmake "$src" "$out/freetype" -DBUILD_SHARED_LIBS=OFF -DFT_REQUIRE_ZLIB=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
}

library() {
  local name=$1
  [ -f "$stamps/$name" ] && return 0
  say "building $name"
  "build_$name"
  touch "$stamps/$name"
}

install_packages
for lib in zlib libpng libjpeg sdl2 libopenmpt freetype; do library "$lib"; done
say "libraries ready in $prefix"
[ "${1:-}" = --deps-only ] && exit 0

say "building the programs"
project="$out/project"
PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" cmake -S "$root" -B "$project" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DZUB_WINDOWS_PREFIX="$prefix" \
  -DZUB_TESTS=OFF -DZUB_BENCH=OFF >"$out/project.log" 2>&1 || { tail -n 40 "$out/project.log" >&2; exit 1; }
ninja -C "$project" -j "$jobs" >>"$out/project.log" 2>&1 || { tail -n 60 "$out/project.log" >&2; exit 1; }

say "assembling the release"
dist="$root/dist/zubdemo-windows-x64"
rm -rf "$dist" "$root/dist/zubdemo-windows-x64.zip"
mkdir -p "$dist"
for program in zubdemo zubrender zubclip zubassets; do
  $host-strip -o "$dist/$program.exe" "$project/$program.exe"
done
cp -r "$root/data" "$dist/data"
# zubassets draws its lettering with this font; on Windows it looks for it beside the programs.
cp /usr/share/fonts/opentype/league-spartan/LeagueSpartan-Bold.otf "$dist/"
# The font's licence asks that its copyright notice and licence travel with it.
sed 's/$/\r/' /usr/share/doc/fonts-league-spartan/copyright >"$dist/LeagueSpartan-licence.txt"
sed 's/$/\r/' "$root/packaging/windows-readme.txt" >"$dist/README.txt"
(cd "$root/dist" && zip -q -r -X zubdemo-windows-x64.zip zubdemo-windows-x64)
say "release in dist/zubdemo-windows-x64/ ($(du -sh "$dist" | cut -f1)), dist/zubdemo-windows-x64.zip ($(du -h "$root/dist/zubdemo-windows-x64.zip" | cut -f1))"
