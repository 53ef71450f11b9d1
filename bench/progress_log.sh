#!/usr/bin/env bash
# How the progress window keeps up with the log of a long run (default 5,000 files).
# Usage: bench/progress_log.sh [BUILD-FOLDER] [FILES]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build-bench}
files=${2:-5000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-Release}" -DLARKSPAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target larkspan_progress_log_bench -j2 >/dev/null
LARKSPAN_REGISTRY_DIR="$work" QT_QPA_PLATFORM=offscreen "$build/bin/larkspan_progress_log_bench" "$files" 2>/dev/null
