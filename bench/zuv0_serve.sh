#!/usr/bin/env bash
# One engine for a batch: N generated .doc documents converted to .docx three ways, over the same files:
# through one `Zuv0 --serve` process (one request after another, as the engine runner sends them), by N
# `Zuv0 -f` calls, and by one `soffice --headless --convert-to docx` call. Prints the three wall times.
# Then sends M jobs through one --serve process and prints its resident memory as it goes.
# Usage: bench/zuv0_serve.sh [N] [M]   (default: 100 200)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LARKSPAN_BUILD:-$here/build}
zuv0="$build/bin/Zuv0"
[ -x "$zuv0" ] || { echo "build first: cmake --build build --target Zuv0" >&2; exit 1; }
n=${1:-100}
m=${2:-200}

work=$(mktemp -d /tmp/zuv0-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
soffice_profile="file://$work/soffice-profile"
now() { date +%s.%N; }

# The documents of bench/convert.sh: a heading, bold and italic runs, a table, non-ASCII text.
mkdir -p "$work/html" "$work/src"
for i in $(seq -w 1 "$n"); do
  printf '<html><body><h1>Document %s</h1><p>Some <b>bold</b> and <i>italic</i> text, Größe %s.</p>
<table border="1"><tr><td>a</td><td>%s</td></tr></table></body></html>\n' "$i" "$i" "$i" > "$work/html/doc$i.html"
done
# soffice sometimes ends without converting on the first start of a new profile: try again.
for attempt in 1 2 3; do
  soffice -env:UserInstallation="$soffice_profile" --headless --convert-to 'doc:MS Word 97' \
    --infilter='HTML (StarWriter)' --outdir "$work/src" "$work/html"/*.html >/dev/null 2>&1 || true
  [ "$(find "$work/src" -name '*.doc' | wc -l)" -eq "$n" ] && break
done
sources=("$work/src"/*.doc)
[ "${#sources[@]}" -eq "$n" ] || { echo "could not generate the documents" >&2; exit 1; }

# Every engine starts once before timing, so each run below starts on an existing profile.
"$zuv0" -f "${sources[0]}" "$work/warm.docx"

# Reads one answer (platform/engine_protocol.h): JOB, STATUS, SUBJECT, DETAIL, CHECK.
answer() {
  IFS= read -r -d '' answered <&"${ZUV0[0]}"; IFS= read -r -d '' code <&"${ZUV0[0]}"
  IFS= read -r -d '' subject <&"${ZUV0[0]}"; IFS= read -r -d '' detail <&"${ZUV0[0]}"
  IFS= read -r -d '' check <&"${ZUV0[0]}"
}
# Starts `Zuv0 --serve` as coprocess ZUV0 and reads its start answer.
start_engine() {
  coproc ZUV0 { exec "$zuv0" --serve 2>/dev/null; }
  jobs_sent=0
  answer
  [ "$code" = 0 ] || { echo "engine did not start: $subject ($detail)" >&2; exit 1; }
}
# Sends one job and waits for its answer.
convert() {
  jobs_sent=$((jobs_sent + 1))
  printf '%s\0' "$jobs_sent" "$1" "$2" "${OPTIONS:-}" >&"${ZUV0[1]}"
  answer
  [ "$code" = 0 ] || echo "failed ($code): $subject ($detail)" >&2
}
stop_engine() {
  local pid=$ZUV0_PID
  exec {ZUV0[1]}>&-
  wait "$pid"
}
count() { find "$1" -name '*.docx' | wc -l; }

mkdir -p "$work/out-serve" "$work/out-f" "$work/out-soffice"
t0=$(now)
start_engine
for source in "${sources[@]}"; do convert "$source" "$work/out-serve/$(basename "${source%.doc}").docx"; done
stop_engine
t1=$(now)
for source in "${sources[@]}"; do "$zuv0" -f "$source" "$work/out-f/$(basename "${source%.doc}").docx"; done
t2=$(now)
soffice -env:UserInstallation="$soffice_profile" --headless --convert-to docx --outdir "$work/out-soffice" \
  "${sources[@]}" >/dev/null 2>&1
t3=$(now)

for out in serve f soffice; do
  made=$(count "$work/out-$out")
  [ "$made" -eq "$n" ] || echo "$out produced $made of $n" >&2
done
awk -v n="$n" -v a="$t0" -v b="$t1" -v c="$t2" -v d="$t3" 'BEGIN {
  printf "%d documents, wall time in seconds\n", n
  printf "  one Zuv0 --serve      %7.2f  (%.0f ms per document)\n", b - a, 1000 * (b - a) / n
  printf "  %d Zuv0 -f calls     %7.2f  (%.0f ms per document)\n", n, c - b, 1000 * (c - b) / n
  printf "  one soffice call      %7.2f  (%.0f ms per document)\n", d - c, 1000 * (d - c) / n
}'

# Resident memory of one engine over M jobs (the documents above, round and round).
rss() { awk '/^VmRSS:/ { printf "%.0f", $2 / 1024 }' "/proc/$1/status"; }
echo "resident memory of one --serve engine (MiB) after job:"
mkdir -p "$work/out-memory"
start_engine
printf '  %5s %6s\n' 0 "$(rss "$ZUV0_PID")"
for ((job = 1; job <= m; job++)); do
  source=${sources[$(((job - 1) % n))]}
  convert "$source" "$work/out-memory/$job.docx"
  if ((job == 1 || job == 10 || job % 25 == 0)); then printf '  %5s %6s\n' "$job" "$(rss "$ZUV0_PID")"; fi
done
stop_engine
