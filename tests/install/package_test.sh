#!/usr/bin/env bash
# Makes the Debian package with cpack and checks what a user's system gets from it: the files at their
# places and the runtime packages it depends on.
# Usage: package_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d -t larkspan-package.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$(dirname "${BASH_SOURCE[0]}")/check.sh"

check "cpack -G DEB" cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work"
package=$(ls "$work"/larkspan_*.deb 2>/dev/null | head -n 1)
check "a package named larkspan_VERSION_ARCH.deb" test -n "$package"
if [ -n "$package" ]; then
  depends=$(dpkg-deb -f "$package" Depends)
  echo "Depends: $depends"
  for needed in libqt6widgets6 libqt6gui6 libqt6core6 libreoffice-writer libreoffice-math libreoffice-calc; do
    check "depends on $needed" grep -Eq "(^|, )$needed( |,|$)" <<<"$depends"
  done
  dpkg-deb -c "$package" >"$work/contents"
  for file in ./usr/lib/larkspan/larkspan ./usr/lib/larkspan/Zuv0 ./usr/lib/larkspan/libzuv0_office.so ./usr/share/applications/org.larkspan.Larkspan.desktop \
    ./usr/share/icons/hicolor/48x48/apps/larkspan.png ./usr/share/man/man1/larkspan.1 ./usr/share/larkspan/help/Faq.htm; do
    check "$file in the package" grep -q " $file\$" "$work/contents"
  done
  check "/usr/bin/larkspan links to the program" grep -q " ./usr/bin/larkspan -> ../lib/larkspan/larkspan\$" "$work/contents"
fi

report package
