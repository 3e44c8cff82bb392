#!/usr/bin/env bash
# A short smoke run of every fuzz target found in the fuzz build folder given.
set -euo pipefail
build=${1:-build/fuzz}
shopt -s nullglob
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=$(mktemp -d)
  seeds="fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "fuzz: $name"
  "$target" -runs=20000 -max_len=4096 -timeout=10 "$corpus" 2>&1 | tail -n 3
  rm -rf "$corpus"
done
