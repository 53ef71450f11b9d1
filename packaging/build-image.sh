#!/usr/bin/env bash
# Builds the container image of Larkspan's command line (packaging/Containerfile): the project's Debian
# package first, then the image on a Debian 12 base, optionally a base made here from Debian's own packages
# for machines that reach no container registry.
#
# Usage: packaging/build-image.sh [--local-base] [IMAGE]
#   --local-base  make the Debian 12 base with mmdebstrap and import it as localhost/debian:12, instead of
#                 pulling debian:12 from a registry; later runs without it find that image, as podman looks
#                 for debian:12 among its local images first
#   IMAGE         the image's name (default localhost/larkspan:VERSION, then also tagged :latest)
#
# Needs: a Debian 12 machine (the package's library versions are Debian 12's, as is the image's base), the
# project's build packages (scripts/bootstrap installs them), podman, and for --local-base mmdebstrap and
# Debian's mirror. Missing podman or mmdebstrap are installed with apt-get, as root or through sudo; they
# are not in scripts/packages.txt, as CI builds no image.
#
# Environment:
#   LARKSPAN_BUILD    build folder of the package (default build-image; tests are left out of it)
#   DEBIAN_MIRROR     for --local-base (default http://deb.debian.org/debian), and
#   DEBIAN_SECURITY_MIRROR (default the same host's debian-security)
#   PODMAN            the podman command with its global options, e.g. "podman --runtime runc" where crun
#                     refuses the host's cgroups
#   PODMAN_BUILD_OPTS more options for podman build, e.g. "--ulimit nofile=20000:20000 --ulimit
#                     nproc=32768:32768" where the host forbids the raised limits podman asks by default
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

local_base=false
image=""
for argument in "$@"; do
  case "$argument" in
    --local-base) local_base=true ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    -*) echo "build-image.sh: unknown option $argument" >&2; exit 2 ;;
    *) image=$argument ;;
  esac
done

build=${LARKSPAN_BUILD:-$here/build-image}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
security_mirror=${DEBIAN_SECURITY_MIRROR:-${mirror%/debian}/debian-security}
read -r -a podman <<<"${PODMAN:-podman}"
read -r -a build_opts <<<"${PODMAN_BUILD_OPTS:-}"

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
need() {  # need PROGRAM PACKAGE: installs PACKAGE when PROGRAM is missing
  if ! command -v "$1" >/dev/null; then
    echo "Installing $2"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "$2"
  fi
}
need "${podman[0]}" podman

base=debian:12
if $local_base; then
  need mmdebstrap mmdebstrap
  base=localhost/debian:12
  # The same suites a registry's Debian 12 image has: the release, its updates and its security fixes.
  # minbase: essential packages and apt, no more.
  echo "Making the Debian 12 base from $mirror"
  $sudo mmdebstrap --variant=minbase bookworm - \
      "deb $mirror bookworm main" \
      "deb $mirror bookworm-updates main" \
      "deb $security_mirror bookworm-security main" |
    "${podman[@]}" import --change 'CMD ["bash"]' - "$base"
fi

# The package, built without the test suites, which the image does not need.
"$here/scripts/bootstrap" "$build" -DLARKSPAN_BUILD_TESTS=OFF
rm -f "$build"/larkspan_*.deb
(cd "$build" && cpack -G DEB)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
latest=""
if [ -z "$image" ]; then
  image=localhost/larkspan:$version
  latest=localhost/larkspan:latest
fi

# The build context is a folder with the package alone, so nothing else of the build is sent along.
context=$(mktemp -d)
trap 'rm -rf "$context"' EXIT
cp "$build"/larkspan_*.deb "$context/"
"${podman[@]}" build "${build_opts[@]}" --build-arg "BASE=$base" -f "$here/packaging/Containerfile" \
  -t "$image" "$context"
if [ -n "$latest" ]; then "${podman[@]}" tag "$image" "$latest"; fi
echo "Built $image"
