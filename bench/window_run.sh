#!/usr/bin/env bash
# A folder of FILES documents (default 10,000) ticked and converted in the window (offscreen), with a
# stand-in converter that copies (a few milliseconds a file: a far denser stream of reports than real
# conversions give), or with the real engine on copies of a sample document when REAL=1.
# With REAL=1 one `soffice --convert-to doc` call over the same files follows, for comparison; both have
# started once on their profiles before.
# Usage: bench/window_run.sh [BUILD-FOLDER] [FILES]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
files=${2:-10000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DLARKSPAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target larkspan_window_run_bench Zuv0 zuv0_office -j2 >/dev/null

mkdir -p "$work/docs" "$work/converter" "$work/registry"
if [ "${REAL:-0}" = 1 ]; then
  cp "$build/bin/Zuv0" "$build/bin/libzuv0_office.so" "$work/converter/"
  for ((i = 1; i <= files; i++)); do cp "$here/samples/memo.docx" "$work/docs/memo_$i.docx"; done
else
  cat > "$work/converter/Zuv0" <<'STANDIN'
#!/bin/bash
# Serves jobs by copying: the converter's protocol (platform/engine_protocol.h) without LibreOffice.
printf '%s\0' 0 0 '' '' ''
while IFS= read -r -d '' job && IFS= read -r -d '' source && IFS= read -r -d '' target &&
      IFS= read -r -d '' options; do
  if cp "$source" "$target" 2>/dev/null; then printf '%s\0' "$job" 0 '' '' ''
  else printf '%s\0' "$job" 8 "$target" 'cannot copy' ''; fi
done
STANDIN
  chmod +x "$work/converter/Zuv0"
  for ((i = 1; i <= files; i++)); do printf 'document %d\n' "$i" > "$work/docs/report_$i.docx"; done
fi
if [ "${REAL:-0}" = 1 ]; then
  mkdir -p "$work/warm"
  cp "$here/samples/memo.docx" "$work/warm/"
  XDG_CACHE_HOME="$work/cache" "$work/converter/Zuv0" -f "$work/warm/memo.docx" "$work/warm/memo.doc"
  soffice -env:UserInstallation="file://$work/soffice-profile" --headless --convert-to doc \
    --outdir "$work/warm" "$work/warm/memo.docx" >/dev/null 2>&1
fi
LARKSPAN_REGISTRY_DIR="$work/registry" XDG_CACHE_HOME="$work/cache" QT_QPA_PLATFORM=offscreen \
  "$build/bin/larkspan_window_run_bench" "$work/docs" "$work/converter" 2>/dev/null | tee "$work/window"
if [ "${REAL:-0}" = 1 ]; then
  mkdir -p "$work/soffice"
  started=$(date +%s.%N)
  soffice -env:UserInstallation="file://$work/soffice-profile" --headless --convert-to doc \
    --outdir "$work/soffice" "$work/docs"/*.docx >/dev/null 2>&1
  ended=$(date +%s.%N)
  window=$(sed -n 's/.* files in \([0-9.]*\) s .*/\1/p' "$work/window")
  awk -v s="$started" -v e="$ended" -v w="$window" -v n="$(ls "$work/soffice" | wc -l)" \
    'BEGIN { printf "one soffice call: %.1f s (%d files); the window took %.2f x that\n", e - s, n, w / (e - s) }'
fi
