#!/bin/bash
# Runs shellcheck over every shell script of the tree (the .sh files, run.sh, test.sh and .ci/run), with
# the project's .shellcheckrc. Usage: shellcheck.sh SOURCE_ROOT.
set -u
root=${1:?source root}
cd "$root" || exit 2
command -v shellcheck >/dev/null || { echo "shellcheck is not installed (scripts/install-deps.sh installs it)"; exit 1; }
mapfile -t scripts < <(find . -path ./build -prune -o -path './build-*' -prune -o -path ./dist -prune -o \
  \( -name '*.sh' -o -path ./.ci/run \) -type f -print | sort)
[ ${#scripts[@]} -gt 10 ] || { echo "found only ${#scripts[@]} scripts"; exit 1; }
shellcheck "${scripts[@]}" && echo "${#scripts[@]} scripts pass shellcheck"
