#!/usr/bin/env bash
# Batch conversion speed: N generated .doc documents converted to .docx by larkspan's command line (with
# its default engines, and with LARKSPAN_JOBS=1, one engine), by one
# `soffice --headless --convert-to` call over all of them, and by a bare LibreOfficeKit loop of documentLoad
# and saveAs (how the engine converted before it loaded documents hidden; nothing of ours around it). Prints the wall times, the ratios to soffice and the peak
# resident memory of larkspan's engines; each is run REPEAT times (default 3) and the medians are shown.
# The check of each converted file against its source: larkspan runs once more with --no-verify ("no
# check"), but the engine's start varies from run to run by more than the check takes, so the check is also
# timed alone on the same files (larkspan_check_bench) and set against one engine's time ("check").
# Then one large document (3,000 paragraphs with tables and pictures, made by pandoc) both ways, with and
# without the check and by soffice; LARGE=0 leaves it out.
# Usage: bench/convert.sh [N...]   (default: 20 100)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LARKSPAN_BUILD:-$here/build}
larkspan="$build/bin/larkspan"
floor="$build/bin/larkspan_lok_loop"
check_bench="$build/bin/larkspan_check_bench"
[ -x "$larkspan" ] && [ -x "$floor" ] && [ -x "$check_bench" ] || { echo "build first: scripts/bootstrap" >&2; exit 1; }
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(20 100)
repeat=${REPEAT:-3}

work=$(mktemp -d /tmp/larkspan-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
export LARKSPAN_REGISTRY_DIR="$work/registry"
soffice_profile="file://$work/soffice-profile"

now() { date +%s.%N; }

# The largest VmHWM (kB) of any engine of this build while the command runs; sampled cheaply (one pgrep
# every half second), so that the sampling takes nothing measurable from the run.
with_engine_peak() {
  local peak_file=$1; shift
  echo 0 > "$peak_file"
  "$@" &
  local pid=$!
  # The sampler runs beside the command; the command's end is waited for directly, so the sampler's pace
  # never adds to the time measured.
  (
    peak=0
    while kill -0 "$pid" 2>/dev/null; do
      for engine in $(pgrep -f "^$build/bin/Zuv0 --serve" || true); do
        hwm=$(awk '/^VmHWM/ { print $2 }' "/proc/$engine/status" 2>/dev/null) || continue
        [ -n "$hwm" ] && [ "$hwm" -gt "$peak" ] && peak=$hwm && echo "$peak" > "$peak_file"
      done
      sleep 0.5
    done
  ) &
  local sampler=$!
  wait "$pid"
  kill "$sampler" 2>/dev/null || true
  wait "$sampler" 2>/dev/null || true
}

# Every engine starts once before timing, so each run below starts on an existing profile.
# Four files, so that every profile slot the parallel run takes exists.
mkdir -p "$work/warm"
for i in 1 2 3 4; do cp "$here/samples/report.doc" "$work/warm/warm$i.doc"; done
cp "$here/samples/report.doc" "$work/warm/warm.doc"
LARKSPAN_JOBS=4 "$larkspan" "$work/warm/warm?.doc" docx "$work/warm" >/dev/null
soffice -env:UserInstallation="$soffice_profile" --headless --convert-to docx --outdir "$work/warm" \
  "$work/warm/warm.doc" >/dev/null 2>&1
# The floor starts on a copy of larkspan's own profile, so that its start costs what an engine's does
# (a new profile would run LibreOffice's first-start tests, seconds of work that is not conversion).
cp -r "$XDG_CACHE_HOME/larkspan/profile-0" "$work/floor-profile"
"$floor" "$work/floor-profile" "$work/warm" "$work/warm/warm.doc" >/dev/null

printf '%-6s %10s %10s %10s %10s %10s %9s %9s %9s %12s %11s %7s\n' "N" "larkspan" "jobs=1" "soffice" \
  "LOK loop" "no check" "ratio" "ratio j1" "j1-LOK" "engine peak" "check (ms)" "check"
for n in "${counts[@]}"; do
  src="$work/src-$n"; html="$work/html-$n"
  mkdir -p "$src" "$html"
  for i in $(seq -w 1 "$n"); do
    printf '<html><body><h1>Document %s</h1><p>Some <b>bold</b> and <i>italic</i> text, Größe %s.</p>
<table border="1"><tr><td>a</td><td>%s</td></tr></table></body></html>\n' "$i" "$i" "$i" > "$html/doc$i.html"
  done
  for attempt in 1 2 3; do  # a new soffice profile sometimes ends without converting
    soffice -env:UserInstallation="$soffice_profile" --headless --convert-to 'doc:MS Word 97' \
      --infilter='HTML (StarWriter)' --outdir "$src" "$html"/*.html >/dev/null 2>&1 || true
    [ "$(find "$src" -name '*.doc' | wc -l)" -eq "$n" ] && break
  done

  # Each way REPEAT times, interleaved, so that a busy moment of the machine does not fall on one of them;
  # the medians are compared.
  : > "$work/times-$n"
  for ((r = 1; r <= repeat; r++)); do
    rm -rf "$work/out-l-$n" "$work/out-1-$n" "$work/out-s-$n" "$work/out-f-$n" "$work/out-n-$n"
    mkdir -p "$work/out-l-$n" "$work/out-1-$n" "$work/out-s-$n" "$work/out-f-$n" "$work/out-n-$n"
    t0=$(now)
    with_engine_peak "$work/peak-$n" "$larkspan" "$src/*.doc" docx "$work/out-l-$n"
    t1=$(now)
    LARKSPAN_JOBS=1 "$larkspan" "$src/*.doc" docx "$work/out-1-$n"
    t2=$(now)
    soffice -env:UserInstallation="$soffice_profile" --headless --convert-to docx --outdir "$work/out-s-$n" \
      "$src"/*.doc >/dev/null 2>&1
    t3=$(now)
    # The floor times itself, from its start to its last document: LibreOffice's shutdown is not counted.
    floor_seconds=$("$floor" "$work/floor-profile" "$work/out-f-$n" "$src"/*.doc | sed -n 's/.*seconds //p')
    t4=$(awk -v a="$t3" -v f="$floor_seconds" 'BEGIN { printf "%.6f", a + f }')
    t5=$(now)
    "$larkspan" --no-verify "$src/*.doc" docx "$work/out-n-$n"
    t6=$(now)
    for out in l 1 s f n; do
      made=$(find "$work/out-$out-$n" -name '*.docx' | wc -l)
      [ "$made" -eq "$n" ] || echo "run $out produced $made of $n" >&2
    done
    echo "$t0 $t1 $t2 $t3 $t4 $(cat "$work/peak-$n") $t5 $t6" >> "$work/times-$n"
  done
  # The check alone over the N pairs of the last run, in milliseconds.
  pairs=()
  for f in "$src"/*.doc; do pairs+=("$f" "$work/out-l-$n/$(basename "${f%.doc}").docx"); done
  check_ms=$("$check_bench" 5 "${pairs[@]}" | sed 's/ ms.*//')
  awk -v n="$n" -v check="$check_ms" '
    function median(a, k,   i, j, t) { for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t } return a[int((k + 1) / 2)] }
    { l[NR] = $2 - $1; j[NR] = $3 - $2; s[NR] = $4 - $3; f[NR] = $5 - $4; v[NR] = $8 - $7
      if ($6 > peak) peak = $6 }
    END { L = median(l, NR); J = median(j, NR); S = median(s, NR); F = median(f, NR); V = median(v, NR)
          printf "%-6s %10.2f %10.2f %10.2f %10.2f %10.2f %9.2f %9.2f %7.1fms %9.0f MiB %11.1f %6.1f%%\n",
                 n, L, J, S, F, V, L / S, J / S, 1000 * (J - F) / n, peak / 1024, check, check / (10 * J)
          printf "%s %s %s\n", n, S, J >> medians }' medians="$work/medians" \
    "$work/times-$n"
done
# What a document costs once everything is started: the slope between the smallest and the largest N, for
# soffice and for one engine, so that the start (and LibreOffice's shutdown) cancels out.
if [ ${#counts[@]} -ge 2 ]; then
  sort -n "$work/medians" | awk 'NR == 1 { n1 = $1; s1 = $2; j1 = $3 } { n2 = $1; s2 = $2; j2 = $3 }
    END { s = 1000 * (s2 - s1) / (n2 - n1); j = 1000 * (j2 - j1) / (n2 - n1)
          printf "\nper document after start (%d to %d): soffice %.1f ms, one engine %.1f ms, ratio %.2f\n",
                 n1, n2, s, j, j / s }'
fi

[ "${LARGE:-1}" = 0 ] && exit 0
# One large document: 3,000 paragraphs of about 25 words, a table every 100 paragraphs and a picture every
# 300, written by pandoc (.docx) and by LibreOffice from it (.doc); each converted the other way.
large="$work/large"; mkdir -p "$large/in" "$large/doc"
# The picture is noise, which packs badly, so that the Word 97 file (which stores each use of it) is about 2 MB.
convert -size 160x120 -seed 7 plasma:fractal "$large/in/picture.png" 2>/dev/null ||
  printf '\x89PNG\r\n\x1a\n' > "$large/in/picture.png"
awk 'BEGIN { srand(7); split("the of and to in report budget council river garden winter project meeting " \
              "letter order delivery invoice customer analysis result method sample figure Größe café", w, " ")
  for (p = 1; p <= 3000; p++) {
    line = "Paragraph " p ":"; for (i = 0; i < 24; i++) line = line " " w[int(rand() * 27) + 1]
    print line ".\n"
    if (p % 100 == 0) print "| item | amount | note |\n|---|---|---|\n| a | " p " | x |\n| b | " p + 1 " | y |\n"
    if (p % 300 == 0) print "![Figure " p "](picture.png)\n"
  } }' > "$large/in/large.md"
(cd "$large/in" && pandoc large.md -o large.docx)
soffice -env:UserInstallation="$soffice_profile" --headless --convert-to doc --outdir "$large/doc" \
  "$large/in/large.docx" >/dev/null 2>&1
# The file's own time is the report's (from the job's start to its answer); the check alone is set against
# the file's time without it.
printf '\nsizes: %s .docx %d kB, .doc %d kB\n' "3,000 paragraphs" "$(($(stat -c %s "$large/in/large.docx") / 1024))" \
  "$(($(stat -c %s "$large/doc/large.doc") / 1024))"
printf '%-22s %10s %10s %10s %12s %12s %12s %7s\n' "3,000 paragraphs" "larkspan" "no check" "soffice" \
  "file (ms)" "no check" "check (ms)" "check"
for way in "docx doc" "doc docx"; do
  set -- $way
  source_file="$large/in/large.docx"; [ "$1" = doc ] && source_file="$large/doc/large.doc"
  : > "$work/times-large"
  for ((r = 1; r <= repeat; r++)); do
    rm -rf "$large/out-l" "$large/out-n" "$large/out-s"; mkdir -p "$large/out-l" "$large/out-n" "$large/out-s"
    rm -f "$large/report-l" "$large/report-n"
    t0=$(now); "$larkspan" --report "$large/report-l" "$source_file" "$2" "$large/out-l"
    t1=$(now); "$larkspan" --no-verify --report "$large/report-n" "$source_file" "$2" "$large/out-n"
    t2=$(now)
    soffice -env:UserInstallation="$soffice_profile" --headless --convert-to "$2" --outdir "$large/out-s" \
      "$source_file" >/dev/null 2>&1
    t3=$(now)
    ms() { sed -n 's/.*"type":"file".*"ms":\([0-9]*\).*/\1/p' "$1"; }
    echo "$t0 $t1 $t2 $t3 $(ms "$large/report-l") $(ms "$large/report-n")" >> "$work/times-large"
  done
  check_ms=$("$check_bench" 5 "$source_file" "$large/out-l/large.$2" | sed 's/ ms.*//')
  awk -v way="$1 -> $2" -v check="$check_ms" '
    function median(a, k,   i, j, t) { for (i = 1; i <= k; i++) for (j = i + 1; j <= k; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t } return a[int((k + 1) / 2)] }
    { l[NR] = $2 - $1; v[NR] = $3 - $2; s[NR] = $4 - $3; fl[NR] = $5; fv[NR] = $6 }
    END { L = median(l, NR); V = median(v, NR); S = median(s, NR); FL = median(fl, NR); FV = median(fv, NR)
          printf "%-22s %10.2f %10.2f %10.2f %12d %12d %12.1f %6.1f%%\n", way, L, V, S, FL, FV, check, 100 * check / FV }' \
    "$work/times-large"
done
