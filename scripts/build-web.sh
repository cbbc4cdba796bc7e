#!/usr/bin/env bash
# Builds the demo for web browsers with Debian's Emscripten and writes dist/web/: index.html, the
# .js and .wasm, and the data pack. The two libraries the demo needs (libjpeg-turbo, libopenmpt)
# are built for WebAssembly from Debian's source packages, with every optional part disabled, and
# kept in build-web/prefix so that later runs only rebuild the demo. Nothing is downloaded except
# Debian packages.
#   ZUB_WEB_BUILD=DIR   where to build (default build-web)
#   ZUB_WEB_JOBS=N      parallel jobs (default 2)
#   ZUB_WITH_CHROMIUM=1 also install Debian's chromium, for the page's end-to-end test
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(realpath -m "${ZUB_WEB_BUILD:-build-web}")
prefix=$work/prefix
jobs=${ZUB_WEB_JOBS:-2}
dist=$root/dist/web

packages=(emscripten cmake ninja-build dpkg-dev make)
[ "${ZUB_WITH_CHROMIUM:-0}" = 1 ] && packages+=(chromium)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "build-web: missing Debian packages: ${missing[*]} (run as root, or apt-get install them)" >&2
    exit 1
  fi
  echo "build-web: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
fi

# apt-get source needs the Debian source lists; add them beside the binary ones where missing.
if ! grep -rqsE "^(Types:.*deb-src|deb-src )" /etc/apt/sources.list /etc/apt/sources.list.d/; then
  [ "$(id -u)" -eq 0 ] || { echo "build-web: no deb-src entries in the apt sources (run as root to add them)" >&2; exit 1; }
  [ -f /etc/apt/sources.list.d/debian.sources ] || { echo "build-web: add deb-src entries to the apt sources" >&2; exit 1; }
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >/etc/apt/sources.list.d/zub-deb-src.sources
  apt-get update -qq
fi

# Emscripten's JavaScript optimizer needs Debian's acorn, which a node from elsewhere does not see.
export NODE_PATH=/usr/share/nodejs
# Node 20's own fetch breaks this Emscripten's loader when configure checks run their programs.
emulator="/usr/bin/node;--no-experimental-fetch"
mkdir -p "$work/src" "$prefix"

# The source of a Debian package, unpacked once into build-web/src/NAME-VERSION.
debian_source() {
  local name=$1
  local dir
  dir=$(find "$work/src" -maxdepth 1 -type d -name "$name-[0-9]*" | head -n 1)
  if [ -z "$dir" ]; then
    (cd "$work/src" && apt-get source -qq "$name" >/dev/null 2>&1) || {
      echo "build-web: apt-get source $name failed (are deb-src lines enabled?)" >&2
      exit 1
    }
    dir=$(find "$work/src" -maxdepth 1 -type d -name "$name-[0-9]*" | head -n 1)
  fi
  echo "$dir"
}

if [ ! -f "$prefix/lib/libjpeg.a" ]; then
  echo "build-web: libjpeg-turbo" >&2
  src=$(debian_source libjpeg-turbo)
  emcmake cmake -S "$src" -B "$work/jpeg" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="$emulator" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF \
    -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DWITH_ARITH_ENC=OFF -DWITH_ARITH_DEC=OFF -DWITH_12BIT=OFF >"$work/jpeg.log" 2>&1
  ninja -C "$work/jpeg" -j "$jobs" jpeg-static >>"$work/jpeg.log" 2>&1
  mkdir -p "$prefix/lib" "$prefix/include"
  cp "$work/jpeg/libjpeg.a" "$prefix/lib/"
  cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$work/jpeg/jconfig.h" "$prefix/include/"
fi

# The page plays one module, the tune, which is an XM: the library's other format readers are left
# out of its table of loaders, which takes about a third off the page's wasm (0.2 MB gzipped).
# Without them, -O2 mixes the tune a fifth slower than the whole library did; -O3 mixes it as fast.
# The stamp names how the library was built, so a change here rebuilds it.
openmpt_build="xm-only -O3"
if [ ! -f "$prefix/lib/libopenmpt.a" ] || [ "$(cat "$prefix/openmpt.build" 2>/dev/null)" != "$openmpt_build" ]; then
  echo "build-web: libopenmpt" >&2
  src=$(debian_source libopenmpt)
  rm -rf "$work/openmpt"
  cp -a "$src" "$work/openmpt"
  sed -i '/^static constexpr FileFormatLoader ModuleFormatLoaders\[\]/,/^};/{/MPT_DECLARE_FORMAT(/{/(XM)/!d}}' \
    "$work/openmpt/soundlib/Sndfile.cpp"
  loaders=$(sed -n '/^static constexpr FileFormatLoader ModuleFormatLoaders\[\]/,/^};/p' "$work/openmpt/soundlib/Sndfile.cpp" |
    grep -c 'MPT_DECLARE_FORMAT(' || true)
  [ "$loaders" = 1 ] || { echo "build-web: libopenmpt's table of loaders is not where it was expected" >&2; exit 1; }
  # Its config.sub does not know the emscripten triple; the generic wasm one describes it well enough.
  (cd "$work/openmpt" && CXXFLAGS="-O3" CFLAGS="-O3" emconfigure ./configure --host=wasm32-unknown-linux-gnu \
    --prefix="$prefix" --disable-shared --enable-static --disable-openmpt123 --disable-examples --disable-tests \
    --disable-doxygen-doc --without-zlib --without-mpg123 --without-ogg --without-vorbis --without-vorbisfile \
    --without-pulseaudio --without-portaudio --without-portaudiocpp --without-sndfile --without-flac) \
    >"$work/openmpt.log" 2>&1
  # The unpacked source is complete: never regenerate the autotools files.
  emmake make -C "$work/openmpt" -j "$jobs" ACLOCAL=true AUTOMAKE=true AUTOCONF=true >>"$work/openmpt.log" 2>&1
  emmake make -C "$work/openmpt" install ACLOCAL=true AUTOMAKE=true AUTOCONF=true >>"$work/openmpt.log" 2>&1
  echo "$openmpt_build" >"$prefix/openmpt.build"
fi

echo "build-web: the demo" >&2
emcmake cmake -S "$root" -B "$work/demo" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZUB_WEB_PREFIX="$prefix" \
  -DZUB_TESTS=OFF -DZUB_BENCH=OFF >"$work/demo.log" 2>&1 || { cat "$work/demo.log" >&2; exit 1; }
ninja -C "$work/demo" -j "$jobs" zubdemo-web

rm -rf "$dist"
mkdir -p "$dist"
cp "$work/demo/zubdemo.js" "$work/demo/zubdemo.wasm" "$work/demo/zubdemo.data" "$dist/"
cp "$root/web/index.html" "$dist/"
raw=0 packed=0
for f in "$dist"/*; do
  size=$(stat -c %s "$f") gzipped=$(gzip -9c "$f" | wc -c)
  printf 'build-web: %-14s %8d bytes (%d gzipped)\n' "$(basename "$f")" "$size" "$gzipped" >&2
  raw=$((raw + size)) packed=$((packed + gzipped))
done
printf 'build-web: %-14s %8d bytes (%d gzipped)\n' total "$raw" "$packed" >&2
echo "build-web: wrote $dist" >&2
