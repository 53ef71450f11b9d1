#!/usr/bin/env bash
# Lists a folder of 10,000 small documents in the main window and prints how long it took.
# Usage: bench/list_folder.sh [BUILD-FOLDER] [COUNT]     (BUILD_TYPE=Debug for an unoptimised build)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
count=${2:-10000}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

configure=(-S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DLARKSPAN_BUILD_TESTS=OFF)
cmake "${configure[@]}" > /dev/null
cmake --build "$build" --target larkspan_list_folder_bench -j2 > /dev/null

mkdir "$work/docs" "$work/registry"
for ((i = 1; i <= count; i++)); do
  printf 'document %d\n' "$i" > "$work/docs/report_$i.docx"
done
LARKSPAN_REGISTRY_DIR="$work/registry" QT_QPA_PLATFORM=offscreen \
  "$build/bin/larkspan_list_folder_bench" "$work/docs" 5 2> /dev/null
