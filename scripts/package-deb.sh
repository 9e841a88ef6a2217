#!/bin/sh
# Builds the program in Release mode and makes the Debian package tintwell_<version>_<arch>.deb
# with CPack; its dependencies are found by dpkg-shlibdeps. Needs the packages of .ci/packages
# (`bash scripts/dev.sh build` installs them).
#
#   bash scripts/package-deb.sh        # the package ends up in build-package/
#
# TINTWELL_PACKAGE_BUILD_DIR chooses another build folder.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TINTWELL_PACKAGE_BUILD_DIR:-$root/build-package}

# Only the program and what is installed with it are built; tests and benchmarks are not.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >&2
cmake --build "$build" --parallel "$(nproc)" --target tintwell tintwell_manpage >&2
(cd "$build" && cpack -G DEB >&2)
ls "$build"/tintwell_*.deb
