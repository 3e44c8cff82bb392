#!/usr/bin/env bash
# A short smoke run of every fuzz target found in the fuzz build folder given, from the seeds that
# make_fuzz_seeds writes. A fault ends the run; its input is kept in BUILD/artifacts.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/fuzz}
runs=${FUZZ_RUNS:-20000}
source scripts/fuzz-lib.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fuzz_seeds "$build" "$work/seeds"
mkdir -p "$build/artifacts"
for target in $(fuzz_targets "$build"); do
  name=$(fuzz_name "$target")
  mkdir "$work/$name"
  mapfile -t flags < <(fuzz_flags "$name")
  if ! seconds=$(fuzz_timed "$work/$name.log" "$target" -runs="$runs" -timeout=10 "${flags[@]}" \
    -artifact_prefix="$build/artifacts/$name-" "$work/$name" "$work/seeds/$name"); then
    tail -n 40 "$work/$name.log"
    fuzz_report "$name" "$work/$name.log" "$seconds"
    exit 1
  fi
  fuzz_report "$name" "$work/$name.log" "$seconds"
done
