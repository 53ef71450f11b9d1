#!/usr/bin/env bash
# Installs Larkspan into a temporary prefix as a user's `cmake --install` does, checks the files that a
# desktop expects, validates the desktop entry, the AppStream file and the manual page with their checkers
# when those are installed, and converts a sample with the installed program, started through the bin/ link.
# Usage: install_test.sh BUILD_DIR SAMPLES_DIR
set -uo pipefail
build=$1
samples=$2
work=$(mktemp -d -t larkspan-install.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"

check "cmake --install" cmake --install "$build" --prefix "$prefix"
cd "$prefix" || exit 1

check "bin/larkspan links to the program folder" test "$(readlink bin/larkspan)" = ../lib/larkspan/larkspan
check "the program" test -x lib/larkspan/larkspan
check "the converter beside it" test -x lib/larkspan/Zuv0
check "its module beside it" test -s lib/larkspan/libzuv0_office.so
for size in 16 22 24 32 48 64 128 256; do
  check "icon ${size}x${size}" grep -q "PNG image data, $size x $size" \
    <(file "share/icons/hicolor/${size}x${size}/apps/larkspan.png")
done
for file in share/icons/hicolor/scalable/apps/larkspan.svg share/man/man1/larkspan.1 \
  share/applications/org.larkspan.Larkspan.desktop share/metainfo/org.larkspan.Larkspan.metainfo.xml \
  share/larkspan/help/index.htm share/larkspan/help/Faq.htm share/larkspan/help/larkspan-window.png \
  share/doc/larkspan/README.md share/doc/larkspan/linux.md; do
  check "$file" test -s "$file"
done

if command -v desktop-file-validate >/dev/null; then
  check "desktop-file-validate" desktop-file-validate share/applications/org.larkspan.Larkspan.desktop
fi
if command -v appstreamcli >/dev/null; then
  check "appstreamcli validate" appstreamcli validate --no-net share/metainfo/org.larkspan.Larkspan.metainfo.xml
fi
if command -v groff >/dev/null; then
  # Any warning of the formatter is a fault of the page.
  check "the manual page formats cleanly" test -z "$(groff -man -Tutf8 -ww -z share/man/man1/larkspan.1 2>&1)"
fi

# Started by its name from PATH, as the desktop entry does, with settings and cache of its own.
export XDG_CACHE_HOME=$work/cache LARKSPAN_REGISTRY_DIR=$work/registry
mkdir -p "$work/out"
check "the installed program converts a sample" env PATH="$prefix/bin:$PATH" larkspan "$samples/*.doc" docx "$work/out"
check "the converted sample is a Word 2007 document" grep -q "^PK" <(head -c 2 "$work/out/report.docx")

report install
