#!/usr/bin/env bash
# Start-up of the present seasky command against the build of another commit,
# measured side by side (bench/startup.sh) for the commands a user runs one at
# a time: the list of atmospheres and a one-frequency calculation.
#
#   bench/startup_against.sh [--runs N] COMMIT [PROGRAM]
#
# COMMIT is built optimised (the command alone, no window, tests or Python) in
# build/startup-COMMIT from a temporary worktree of this repository. PROGRAM is
# the present build to compare (build/release/seasky by default, which
# scripts/run builds). For each command it prints bench/startup.sh's table and
# the ratio present/COMMIT, the figure the goal "within 1.2x" refers to, and
# the shared libraries each build loads.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs=500
if [ "${1:-}" = "--runs" ]; then runs="$2"; shift 2; fi
if [ $# -lt 1 ]; then
  echo "usage: $0 [--runs N] COMMIT [PROGRAM]" >&2
  exit 2
fi
commit="$(git -C "$root" rev-parse --short "$1")"
present="${2:-$root/build/release/seasky}"
[ -x "$present" ] || { echo "no program $present (scripts/run builds it)" >&2; exit 2; }

build="$root/build/startup-$commit"
if [ ! -x "$build/seasky" ]; then
  source="$(mktemp -d)"
  trap 'git -C "$root" worktree remove --force "$source" > /dev/null 2>&1 || true' EXIT
  git -C "$root" worktree add --detach --force "$source" "$commit" > /dev/null 2>&1
  cmake --no-warn-unused-cli -S "$source" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSEASKY_TESTS=OFF -DSEASKY_BENCH=OFF \
        -DSEASKY_GUI=OFF -DSEASKY_PYTHON=OFF > /dev/null
  cmake --build "$build" --target seasky --parallel "$(nproc)" > /dev/null
fi

for program in "$build/seasky" "$present"; do
  echo "$program loads $(ldd "$program" | wc -l) shared objects (ldd, the loader and vDSO included)"
done
for command in "profiles" "calc --freq 36.5"; do
  echo
  # shellcheck disable=SC2086
  "$root/bench/startup.sh" --runs "$runs" --label-a "$commit" --label-b present "$build/seasky" "$present" $command
done
