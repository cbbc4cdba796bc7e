#!/usr/bin/env bash
# Cross-builds zubdemo for 64-bit ARM Linux (aarch64) with Debian's cross compilers and Debian's arm64
# library packages, installed beside the native ones (multiarch):
#   1. adds the arm64 architecture to dpkg and installs crossbuild-essential-arm64, qemu-user-static and
#      the arm64 -dev packages of the libraries; the install is simulated first and refused when it would
#      remove any package (the native development packages must stay as they are),
#   2. builds the programs and dist/zubdemo_VERSION_arm64.deb with scripts/build-deb.sh --arch arm64 (the
#      programs in build-deb/build-arm64; the native build, and so its package, comes first for the man
#      pages and as the reference of the comparison),
#   3. with --check, runs tests/arm64/compare.sh: the arm64 programs under qemu-user against the native ones.
# Usage: scripts/build-arm64.sh [--check]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-deb"
mkdir -p "$out"
start=$(date +%s)
say() { echo "build-arm64: $* ($(( $(date +%s) - start ))s)" >&2; }

tools=(crossbuild-essential-arm64 qemu-user-static dpkg-dev lintian)
libraries=(libsdl2-dev:arm64 libopenmpt-dev:arm64 libpng-dev:arm64 libjpeg62-turbo-dev:arm64 libfreetype-dev:arm64)
missing=()
for p in "${tools[@]}" "${libraries[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "build-arm64: needs root to install ${missing[*]}" >&2; exit 1; }
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx arm64; then
    say "adding the arm64 architecture"
    dpkg --add-architecture arm64
  fi
  # A new architecture needs its package lists; another update holding the lists' lock is waited for.
  tries=0
  until nice -n 19 apt-get update -qq -o DPkg::Lock::Timeout=600 >"$out/apt-update.log" 2>&1; do
    grep -q "Could not get lock" "$out/apt-update.log" && [ $tries -lt 120 ] || { cat "$out/apt-update.log" >&2; exit 1; }
    tries=$((tries + 1))
    sleep 5
  done
  # The arm64 -dev packages must have the same version as their native twins, so the install may upgrade
  # native packages to the archive's current version; it must never remove one.
  apt-get -s install --no-install-recommends "${missing[@]}" >"$out/apt-simulate.log" 2>&1 ||
    { cat "$out/apt-simulate.log" >&2; exit 1; }
  if grep -q '^Remv ' "$out/apt-simulate.log"; then
    echo "build-arm64: installing ${missing[*]} would remove these packages; nothing was installed:" >&2
    grep '^Remv ' "$out/apt-simulate.log" >&2
    exit 1
  fi
  say "installing ${missing[*]} ($(grep -c '^Inst ' "$out/apt-simulate.log") packages)"
  # Held under the build lock: the upgrade of a native header must not land in the middle of a build.
  flock /tmp/zub-build.lock nice -n 19 apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=600 \
    "${missing[@]}" >"$out/apt-install.log" 2>&1 || { tail -n 30 "$out/apt-install.log" >&2; exit 1; }
fi

"$root/scripts/build-deb.sh" --arch arm64
file "$out/build-arm64/zubdemo" | grep -q 'ARM aarch64' || { echo "build-arm64: zubdemo is not an aarch64 program" >&2; exit 1; }
say "programs in build-deb/build-arm64, package in dist/"

if [ "${1:-}" = --check ]; then
  "$root/tests/arm64/compare.sh" "$out/build-$(dpkg --print-architecture)" "$out/build-arm64"
fi
