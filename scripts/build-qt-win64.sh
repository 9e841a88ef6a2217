#!/usr/bin/env bash
# Builds the Qt 5.15 for 64-bit Windows that scripts/windows-build.sh compiles against, on Debian 12
# with mingw-w64 (POSIX threads), from Debian's own source packages only: qtbase, qtsvg and
# qtmultimedia (with its DirectShow camera plugin). Takes about 50 minutes on two cores.
#
#   bash scripts/build-qt-win64.sh [WORK]
#
# WORK (default: build-qt-win64/ in the checkout) receives the sources, the build folders, the
# finished Qt in WORK/qt5-win64 and the tarball WORK/qt5-win64.tar.xz. Use either with
#   QT_WIN64_PREFIX=WORK/qt5-win64 bash scripts/windows-build.sh
#   QT_WIN64_TARBALL=WORK/qt5-win64.tar.xz bash scripts/windows-build.sh
# Needs deb-src entries for bookworm in the APT sources (apt-get source).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
work=$(mkdir -p "${1:-$root/build-qt-win64}" && cd "${1:-$root/build-qt-win64}" && pwd)
prefix=$work/qt5-win64
jobs=$(nproc)
triplet=x86_64-w64-mingw32

qtbase=qtbase-opensource-src_5.15.8+dfsg-11+deb12u3
qtsvg=qtsvg-opensource-src_5.15.8-3
qtmultimedia=qtmultimedia-opensource-src_5.15.8-2

export DEBIAN_FRONTEND=noninteractive
need=(g++-mingw-w64-x86-64-posix dpkg-dev xz-utils make perl python3)
missing=()
for package in "${need[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update
    apt-get install -y "${missing[@]}"
fi

# Sources: Debian's packages, with Debian's patches applied by dpkg-source.
cd "$work"
for source in "$qtbase" "$qtsvg" "$qtmultimedia"; do
    [ -f "$source.dsc" ] || apt-get source --download-only "${source%%_*}=${source#*_}"
done
[ -d qtbase-src ] || dpkg-source -x "$qtbase.dsc" qtbase-src
[ -d qtsvg-src ] || dpkg-source -x "$qtsvg.dsc" qtsvg-src
if [ ! -d qtmultimedia-src ]; then
    dpkg-source -x "$qtmultimedia.dsc" qtmultimedia-src
    # Windows-only code written for a case-insensitive file system and for MSVC.
    patch -d qtmultimedia-src -p1 < "$here/qt-win64/qtmultimedia-mingw-cross.diff"
fi

# The unsuffixed tool names that the win32-g++ mkspec of Qt calls: the -posix compilers
# and the ordinary binutils.
mkdir -p "$work/wrap/bin"
for tool in gcc g++ c++; do
    ln -sf "/usr/bin/$triplet-$tool-posix" "$work/wrap/bin/$triplet-$tool"
done
for tool in ar ranlib windres strip objcopy nm ld as dlltool objdump; do
    ln -sf "/usr/bin/$triplet-$tool" "$work/wrap/bin/$triplet-$tool"
done
export PATH=$work/wrap/bin:$PATH

# The +dfsg source drops src/3rdparty/wintab, which the qwindows plugin includes; Wine's LGPL
# headers (from libwine-dev, unpacked only) take its place behind a small shim.
wintab=qtbase-src/src/3rdparty/wintab
if [ ! -f "$wintab/wintab.h" ]; then
    mkdir -p debs "$wintab"
    (cd debs && apt-get download libwine-dev && dpkg-deb -x libwine-dev_*.deb x)
    cp debs/x/usr/include/wine/wine/windows/pktdef.h "$wintab/"
    cp debs/x/usr/include/wine/wine/windows/wintab.h "$wintab/wine_wintab.h"
    cp "$here/qt-win64/wintab-shim.h" "$wintab/wintab.h"
fi

# qtbase: the +dfsg source also lacks sqlite; OpenGL, Direct2D and OpenSSL are not needed.
mkdir -p qtbase-build
(cd qtbase-build &&
    ../qtbase-src/configure -xplatform win32-g++ -device-option CROSS_COMPILE=$triplet- \
        -prefix "$prefix" -release -shared -opensource -confirm-license \
        -nomake examples -nomake tests -no-opengl -no-dbus -no-icu \
        -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz \
        -no-sql-odbc -no-sql-sqlite -no-pkg-config -no-openssl -no-direct2d &&
    make -j"$jobs" && make install)
# The host qmake carries debug information; a qt.conf makes the folder relocatable.
strip "$prefix/bin/qmake"
printf '[Paths]\nPrefix=..\n' > "$prefix/bin/qt.conf"

mkdir -p qtsvg-build
(cd qtsvg-build && "$prefix/bin/qmake" ../qtsvg-src/qtsvg.pro && make -j"$jobs" && make install)
mkdir -p qtmultimedia-build
(cd qtmultimedia-build && "$prefix/bin/qmake" ../qtmultimedia-src/qtmultimedia.pro &&
    make -j"$jobs" && make install)

tar -C "$work" -cJf "$work/qt5-win64.tar.xz" qt5-win64
echo "build-qt-win64: $prefix and $work/qt5-win64.tar.xz"
