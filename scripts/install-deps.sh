#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: quiet when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libjpeg62-turbo-dev libpng-dev libsdl2-dev libopenmpt-dev libx11-dev libfreetype-dev fonts-league-spartan
  libgtest-dev libbenchmark-dev clang
  xvfb xdotool openbox weston x11-utils help2man desktop-file-utils file shellcheck
)
# ffmpeg is needed only to regenerate the clip and the video test streams, and for --mp4 output;
# jq reads the JSON of zubclip in the end-to-end test that compares it with ffprobe.
[ "${ZUB_WITH_FFMPEG:-0}" = 1 ] && packages+=(ffmpeg jq)
# sox too, and a font for the labels, for the pictures of the README (scripts/make-docs.sh).
[ "${ZUB_WITH_TOOLS:-0}" = 1 ] && packages+=(ffmpeg sox jq fonts-dejavu-core)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these Debian packages are missing: ${missing[*]}" >&2
  echo "install-deps: run this script as root (or: sudo apt-get install ${missing[*]})" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
