#!/usr/bin/env bash
# Runs libFuzzer targets, each for a set time, on a scratch copy of its seed corpus.
#
#   scripts/run-fuzz.sh BUILD_DIR SECONDS TARGET...
#
# The seed corpus fuzz/corpus/TARGET/ stays as it is; what the fuzzer adds to its copy is thrown
# away. A crashing input is kept as BUILD_DIR/fuzz-artifacts/TARGET/crash-* and the script fails.
# Uses fuzz/TARGET.dict as a dictionary when it exists. Prints each target's executions and findings.
set -uo pipefail
build=$(cd "$1" && pwd)
seconds=$2
shift 2
here=$(cd "$(dirname "$0")/.." && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for target in "$@"; do
  corpus="$scratch/$target"
  artifacts="$build/fuzz-artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  cp "$here/fuzz/corpus/$target/"* "$corpus/"
  log="$build/fuzz-artifacts/$target.log"
  options=(-max_total_time="$seconds" -timeout=30 -print_final_stats=1 -artifact_prefix="$artifacts/")
  # A dictionary of the words the target understands, when there is one.
  [ -f "$here/fuzz/$target.dict" ] && options+=(-dict="$here/fuzz/$target.dict")
  echo "fuzzing $target for ${seconds}s"
  (cd "$scratch" && "$build/fuzz/$target" "${options[@]}" "$corpus") > "$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ $rc -eq 0 ]; then
    echo "  $target: ${runs:-?} executions, no finding"
  else
    status=1
    echo "  $target: FINDING after ${runs:-?} executions (exit $rc); input and log in $artifacts/"
    grep -m1 -E '^(==[0-9]+==ERROR|SUMMARY|[a-z_]+_fuzz: )' "$log" | sed 's/^/    /'
  fi
done
exit $status
