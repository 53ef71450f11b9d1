#!/usr/bin/env bash
# Batch conversion speed: N generated .doc documents converted to .docx once by larkspan's command-line
# mode and once by a single soffice --convert-to call over all of them. Prints both wall times and their
# ratio. Usage: bench/convert.sh [N...]   (default: 20 100)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${LARKSPAN_BUILD:-$here/build}
larkspan="$build/bin/larkspan"
[ -x "$larkspan" ] || { echo "build first: scripts/bootstrap" >&2; exit 1; }
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(20 100)

work=$(mktemp -d /tmp/larkspan-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
export LARKSPAN_REGISTRY_DIR="$work/registry"
soffice_profile="file://$work/soffice-profile"

now() { date +%s.%N; }

# Both engines start once before timing, so each run below starts on an existing profile.
mkdir -p "$work/warm"
cp "$here/samples/report.doc" "$work/warm/warm.doc"
"$larkspan" "$work/warm/warm.doc" docx "$work/warm" >/dev/null
soffice -env:UserInstallation="$soffice_profile" --headless --convert-to docx --outdir "$work/warm" \
  "$work/warm/warm.doc" >/dev/null 2>&1

printf '%-6s %14s %14s %8s\n' "N" "larkspan (s)" "soffice (s)" "ratio"
for n in "${counts[@]}"; do
  src="$work/src-$n"; html="$work/html-$n"
  mkdir -p "$src" "$html" "$work/out-l-$n" "$work/out-s-$n"
  for i in $(seq -w 1 "$n"); do
    printf '<html><body><h1>Document %s</h1><p>Some <b>bold</b> and <i>italic</i> text, Größe %s.</p>
<table border="1"><tr><td>a</td><td>%s</td></tr></table></body></html>\n' "$i" "$i" "$i" > "$html/doc$i.html"
  done
  soffice -env:UserInstallation="$soffice_profile" --headless --convert-to 'doc:MS Word 97' \
    --infilter='HTML (StarWriter)' --outdir "$src" "$html"/*.html >/dev/null 2>&1

  t0=$(now)
  "$larkspan" "$src/*.doc" docx "$work/out-l-$n"
  t1=$(now)
  soffice -env:UserInstallation="$soffice_profile" --headless --convert-to docx --outdir "$work/out-s-$n" \
    "$src"/*.doc >/dev/null 2>&1
  t2=$(now)

  made_l=$(find "$work/out-l-$n" -name '*.docx' | wc -l)
  made_s=$(find "$work/out-s-$n" -name '*.docx' | wc -l)
  [ "$made_l" -eq "$n" ] || echo "larkspan produced $made_l of $n" >&2
  [ "$made_s" -eq "$n" ] || echo "soffice produced $made_s of $n" >&2
  awk -v n="$n" -v a="$t0" -v b="$t1" -v c="$t2" \
    'BEGIN { l = b - a; s = c - b; printf "%-6s %14.2f %14.2f %8.2f\n", n, l, s, l / s }'
done
