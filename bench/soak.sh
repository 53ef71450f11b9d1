#!/usr/bin/env bash
# Soak: N small documents (default 10,000) through the command line. Prints how long each thousand took
# (the time per document must stay as flat at the end as at the start), how many engines served the run
# (they are recycled), and the peak resident memory of each engine and of the largest one.
# Usage: bench/soak.sh [N]     (LARKSPAN_BUILD: the build folder, default build)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LARKSPAN_BUILD:-$here/build}
larkspan="$build/bin/larkspan"
[ -x "$larkspan" ] || { echo "build first: scripts/bootstrap" >&2; exit 1; }
n=${1:-10000}

work=$(mktemp -d /tmp/larkspan-soak-XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
export LARKSPAN_REGISTRY_DIR="$work/registry"
mkdir -p "$work/src" "$work/out" "$work/warm"

for ((i = 1; i <= n; i++)); do cp "$here/samples/report.doc" "$work/src/report_$i.doc"; done
cp "$here/samples/report.doc" "$work/warm/a.doc"; cp "$here/samples/report.doc" "$work/warm/b.doc"
"$larkspan" "$work/warm/*.doc" docx "$work/warm" >/dev/null  # every profile slot the run uses exists

start=$(date +%s.%N)
"$larkspan" "$work/src/*.doc" docx "$work/out" 2> "$work/errors" &
pid=$!
declare -A peak
: > "$work/progress"
while kill -0 "$pid" 2>/dev/null; do
  # One pgrep a second: the sampling must not take the engines' processor time.
  for p in $(pgrep -f "^$build/bin/Zuv0 --serve" || true); do
    hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$p/status" 2>/dev/null) || continue
    [ -n "$hwm" ] && [ "$hwm" -gt "${peak[$p]:-0}" ] && peak[$p]=$hwm
  done
  echo "$(date +%s.%N) $(find "$work/out" -maxdepth 1 -name '*.docx' | wc -l)" >> "$work/progress"
  sleep 1
done
wait "$pid" || echo "larkspan ended with status $?" >&2
end=$(date +%s.%N)
echo "$end $(find "$work/out" -maxdepth 1 -name '*.docx' | wc -l)" >> "$work/progress"

made=$(find "$work/out" -maxdepth 1 -name '*.docx' | wc -l)
echo "$made of $n converted in $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.0f s", b - a }')"
[ -s "$work/errors" ] && { echo "failures:"; head -5 "$work/errors"; }
echo "seconds per thousand documents, in order:"
awk -v start="$start" -v n="$n" '
  { t[NR] = $1; c[NR] = $2 }
  END {
    mark = 1000; prev = start
    for (i = 1; i <= NR; i++) while (c[i] >= mark && mark <= n) { printf "  %5d: %6.1f s\n", mark, t[i] - prev; prev = t[i]; mark += 1000 }
  }' "$work/progress"
max=0; for p in "${!peak[@]}"; do [ "${peak[$p]}" -gt "$max" ] && max=${peak[$p]}; done
echo "engines seen: ${#peak[@]}; peak resident memory of the largest: $((max / 1024)) MiB"
printf '  %s\n' "$(for p in "${!peak[@]}"; do echo "$((peak[$p] / 1024))"; done | sort -n | uniq -c | awk '{ printf "%s engine(s) at %s MiB; ", $1, $2 }')"
