# shellcheck shell=bash
# Shared by run-fuzz.sh and fuzz-long.sh: the targets of a fuzz build, their flags and seeds, and
# the one-line report of a run. Sourced, not run.

# The fuzz targets built in the fuzz build folder $1.
fuzz_targets() {
  local target
  for target in "$1"/fuzz/fuzz_*; do
    [ -x "$target" ] && echo "$target"
  done
  return 0
}

# The name of a target without its fuzz_ prefix: the name of its seeds, dictionary and options.
fuzz_name() {
  local base
  base=$(basename "$1")
  echo "${base#fuzz_}"
}

# The libFuzzer flags of target $1 (by name): its dictionary, and the settings of the [libfuzzer]
# section of its options file.
fuzz_flags() {
  local source=fuzz
  [ -f "$source/$1.dict" ] && echo "-dict=$source/$1.dict"
  [ -f "$source/$1.options" ] &&
    awk -F ' *= *' '/^\[/ { on = ($0 == "[libfuzzer]"); next } on && NF == 2 { print "-" $1 "=" $2 }' \
      "$source/$1.options"
  return 0
}

# Writes every target's seeds into $2/<name>/ with make_fuzz_seeds of the fuzz build folder $1.
fuzz_seeds() {
  rm -rf "$2"
  "$1/fuzz/make_fuzz_seeds" "$2"
}

# Runs the rest of the command line with its output into the log $1, prints how many seconds it
# took and returns its status.
fuzz_timed() {
  local log=$1 start status=0
  shift
  start=$(date +%s%N)
  "$@" >"$log" 2>&1 || status=$?
  awk -v ns=$(($(date +%s%N) - start)) 'BEGIN { printf "%.2f\n", ns / 1e9 }'
  return "$status"
}

# One line from the libFuzzer log $2 of target $1 that ran for $3 seconds: runs, executions per
# second over the whole run, and the coverage (cov, ft) of the last status line; crashes and other
# findings when there were.
fuzz_report() {
  awk -v name="$1" -v elapsed="${3:-0}" '
    /^#[0-9]+/ && / cov: / {
      runs = substr($1, 2); sub(/:$/, "", runs)
      for (i = 2; i < NF; i++) {
        if ($i == "cov:") cov = $(i + 1)
        if ($i == "ft:") ft = $(i + 1)
        if ($i == "exec/s" || $i == "exec/s:") rate = $(i + 1)
        if ($i == "time:") { seconds = $(i + 1); sub(/s$/, "", seconds) }
        if ($i == "oom/timeout/crash:") findings = $(i + 1)
      }
    }
    /^Done [0-9]+ runs in [0-9]+ second/ { runs = $2; seconds = $5 }
    /^==[0-9]+==ERROR|^SUMMARY: |property failed|deadly signal/ { problems++ }
    END {
      if (elapsed > 0) seconds = elapsed
      if (seconds > 0) rate = int(runs / seconds)
      line = sprintf("%s: %s runs, %s exec/s, cov %s, ft %s", name, runs, rate, cov, ft)
      if (findings != "") line = line ", oom/timeout/crash " findings
      if (problems > 0) line = line ", FOUND A FAULT"
      print line
    }' "$2"
}
