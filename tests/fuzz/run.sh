#!/usr/bin/env bash
# Runs every libFuzzer harness on its seed corpus (tests/fuzz/corpus/NAME for NAME_fuzzer) for a bounded
# time. A crash, a sanitizer finding, a leak, an input slower than 10 s or a run past 2 GiB fails the run;
# the input that did it is kept under WORK_DIR/NAME/crashes. The seed corpora are only read: what the
# fuzzer finds goes to WORK_DIR/NAME/found, and is used again by the next run with the same WORK_DIR.
# Usage: tests/fuzz/run.sh BIN_DIR WORK_DIR [SECONDS_EACH (30)] [NAME...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=$(cd "$1" && pwd)
mkdir -p "$2"
work=$(cd "$2" && pwd)
seconds=${3:-30}
shift $(($# < 3 ? $# : 3))
names=("$@")
if ((${#names[@]} == 0)); then
  for corpus in "$here"/corpus/*/; do names+=("$(basename "$corpus")"); done
fi

status=0
for name in "${names[@]}"; do
  out="$work/$name"
  mkdir -p "$out/found" "$out/crashes" "$out/tmp"
  # The harnesses make their folders under TMPDIR: each run's are its own, and removed with it.
  if TMPDIR="$out/tmp" "$bin/${name}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$out/crashes/" "$out/found" "$here/corpus/$name" \
      >"$out/log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log")
    echo "fuzz $name: ${runs:-?} inputs in ${seconds} s, no failure"
  else
    echo "fuzz $name: FAILED; the log is $out/log, the input is in $out/crashes"
    tail -n 60 "$out/log"
    status=1
  fi
  rm -rf "$out/tmp"
done
exit "$status"
