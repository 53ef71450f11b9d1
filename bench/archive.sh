#!/usr/bin/env bash
# A whole archive: a tree of FOLDERS folders of PER small documents each (default 500 x 20 = 10,000),
# converted by `larkspan -r --report`; then what finding the documents and writing the report cost against
# the whole run, and how long `--update` takes to decide a finished tree (with LibreOffice made unfindable, so
# a run that started an engine would fail).
# Usage: bench/archive.sh [FOLDERS [PER]]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LARKSPAN_BUILD:-$here/build}
larkspan="$build/bin/larkspan"
probe="$build/bin/larkspan_archive_bench"
[ -x "$larkspan" ] && [ -x "$probe" ] || { echo "build first: scripts/bootstrap" >&2; exit 1; }
folders=${1:-500}
per=${2:-20}

work=$(mktemp -d /tmp/larkspan-archive-XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
export LARKSPAN_REGISTRY_DIR="$work/registry"
now() { date +%s.%N; }

for ((f = 0; f < folders; f++)); do
  folder="$work/tree/part $((f % 25))/folder $f"
  mkdir -p "$folder"
  for ((d = 0; d < per; d++)); do cp "$here/samples/report.doc" "$folder/doc $d.doc"; done
done
count=$((folders * per))

start=$(now)
"$larkspan" -r --report "$work/run.jsonl" "$work/tree" docx "$work/out" 2>"$work/errors" || true
run=$(echo "$(now) - $start" | bc)
converted=$(jq -s '[.[] | select(.type=="file" and .outcome=="converted")] | length' "$work/run.jsonl")

read -r found find_ms lines report_ms < <("$probe" "$work/tree" "$work/probe.jsonl" |
  sed -E 's/found ([0-9]+) documents in ([0-9.]+) ms; ([0-9]+) report lines in ([0-9.]+) ms/\1 \2 \3 \4/')

start=$(now)
LARKSPAN_LIBREOFFICE=/nonexistent "$larkspan" -r --update "$work/tree" docx "$work/out"
update_status=$?
update=$(echo "$(now) - $start" | bc)

echo "documents:            $count in $folders folders; $converted converted in $(printf %.1f "$run") s" \
  "($(echo "scale=1; $count / $run" | bc) per second)"
echo "finding them:         $find_ms ms ($(echo "scale=3; $find_ms / 10 / $run" | bc) % of the run)"
echo "the report's lines:   $lines in $report_ms ms ($(echo "scale=3; $report_ms / 10 / $run" | bc) % of the run)"
echo "--update, finished:   $(printf %.2f "$update") s, status $update_status (no engine: LibreOffice was unfindable)"
