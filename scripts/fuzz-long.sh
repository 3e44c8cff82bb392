#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build (or the ones NAMEd, as loader for fuzz_loader) for
# MINUTES each, one after the other, on every core (libFuzzer's fork mode; FUZZ_CORES=N uses N),
# and prints per target the runs, the executions per second and the coverage. The corpus grows in
# BUILD/corpus/<target> from one run to the next; the inputs of faults are kept in
# BUILD/artifacts, the logs in BUILD/logs.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]] || [ "$1" -eq 0 ]; then
  echo "usage: scripts/fuzz-long.sh MINUTES [BUILD [NAME...]]" >&2
  exit 2
fi
minutes=$1
build=${2:-build/fuzz}
names=("${@:3}")
cores=${FUZZ_CORES:-$(nproc)}
source scripts/fuzz-lib.sh

fuzz_seeds "$build" "$build/seeds"
mkdir -p "$build/artifacts" "$build/logs"
reports=()
status=0
for target in $(fuzz_targets "$build"); do
  name=$(fuzz_name "$target")
  if [ ${#names[@]} -gt 0 ] && ! [[ " ${names[*]} " == *" $name "* ]]; then continue; fi
  mkdir -p "$build/corpus/$name"
  mapfile -t flags < <(fuzz_flags "$name")
  log="$build/logs/$name.log"
  echo "fuzz-long: $name for $minutes min on $cores core(s)"
  seconds=$(fuzz_timed "$log" "$target" -fork="$cores" -max_total_time=$((minutes * 60)) \
    -timeout=10 "${flags[@]}" -artifact_prefix="$build/artifacts/$name-" "$build/corpus/$name" \
    "$build/seeds/$name") || status=1
  reports+=("$(fuzz_report "$name" "$log" "$seconds")")
  echo "${reports[-1]}"
done
echo
echo "fuzz-long: $minutes min per target on $cores core(s)"
printf '%s\n' "${reports[@]}"
exit "$status"
