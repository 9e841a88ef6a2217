#!/usr/bin/env bash
# Cross-builds the Windows program (tintwell.exe) on Linux with mingw-w64 against a Qt built for
# Windows, and gathers a folder that runs as it is (on Windows, or here under Wine).
#
#   bash scripts/windows-build.sh [--installer] [OUT]
#
# OUT (default: build-win/ in the checkout) receives build/ (the CMake build folder),
# build/deploy/ (the runnable folder) and, with --installer, tintwell-<version>-win64.exe.
# The Qt is taken from, in this order:
#   QT_WIN64_PREFIX   an unpacked Qt for Windows (the folder holding lib/cmake/Qt5);
#   QT_WIN64_TARBALL  a qt5-win64.tar.xz, unpacked once into OUT/qt5-win64;
#   ../shared/qt-win64/qt5-win64.tar.xz beside the checkout.
# scripts/build-qt-win64.sh makes such a Qt from Debian's source packages. With none of them the
# script exits 77 and says so, which the test suite reports as skipped.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
installer=0
build_program=1
case "${1:-}" in
--installer)
    installer=1
    shift
    ;;
--package-only) # the installer of an earlier build, without building again
    installer=1
    build_program=0
    shift
    ;;
esac
out=$(mkdir -p "${1:-$root/build-win}" && cd "${1:-$root/build-win}" && pwd)
build=$out/build
deploy=$build/deploy
cxx=${TINTWELL_MINGW_CXX:-x86_64-w64-mingw32-g++-posix}

find_qt() {
    if [ -n "${QT_WIN64_PREFIX:-}" ]; then
        if [ ! -f "$QT_WIN64_PREFIX/lib/cmake/Qt5/Qt5Config.cmake" ]; then
            echo "windows-build: QT_WIN64_PREFIX=$QT_WIN64_PREFIX holds no Qt (lib/cmake/Qt5)" >&2
            exit 1
        fi
        qt=$QT_WIN64_PREFIX
        return
    fi
    local tarball=${QT_WIN64_TARBALL:-$root/../shared/qt-win64/qt5-win64.tar.xz}
    if [ ! -f "$tarball" ]; then
        echo "SKIPPED: no Qt for Windows: set QT_WIN64_PREFIX or QT_WIN64_TARBALL, or place" \
            "qt5-win64.tar.xz in ../shared/qt-win64/ (scripts/build-qt-win64.sh makes one)"
        rm -rf "$deploy" # an earlier build is not this checkout's program
        exit 77
    fi
    qt=$out/qt5-win64
    # Unpacked again only when another tarball is named or it has changed.
    local stamp
    stamp="$(cd "$(dirname "$tarball")" && pwd)/$(basename "$tarball") $(stat -c '%s %Y' "$tarball")"
    if [ "$(cat "$out/qt5-win64.stamp" 2> /dev/null)" != "$stamp" ]; then
        rm -rf "$qt" "$out/qt5-win64.stamp"
        tar -C "$out" -xJf "$tarball"
        echo "$stamp" > "$out/qt5-win64.stamp"
    fi
}

if [ "$build_program" = 1 ]; then
    if ! command -v "$cxx" > /dev/null; then
        echo "windows-build: $cxx not found: install the Debian package g++-mingw-w64-x86-64-posix" >&2
        exit 1
    fi
    find_qt
    generator=()
    if command -v ninja > /dev/null && [ ! -f "$build/Makefile" ]; then
        generator=(-G Ninja)
    fi
    # Tests and benchmarks are built for Linux only; a warning fails the build.
    cmake -S "$root" -B "$build" "${generator[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64-qt5.cmake" \
        -DQT_WIN64_PREFIX="$qt" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    cmake --build "$build" --target tintwell --parallel "$(nproc)"
    rm -rf "$deploy"
    TINTWELL_MINGW_CXX=$cxx bash "$root/scripts/windows-deploy.sh" "$build/app/tintwell.exe" \
        "$deploy" "$qt"
    echo "windows-build: runnable folder $deploy"
elif [ ! -f "$deploy/tintwell.exe" ]; then
    echo "SKIPPED: no Windows program in $deploy to package"
    exit 77
fi

if [ "$installer" = 1 ]; then
    # Packing takes long; an installer of the same folder with the same settings is kept.
    stamp=$( (cd "$deploy" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum
        cat "$build/CPackConfig.cmake") | sha256sum)
    if [ "$(cat "$out/installer.stamp" 2> /dev/null)" != "$stamp" ] ||
        ! ls "$out"/tintwell-*-win64.exe > /dev/null 2>&1; then
        rm -f "$out"/tintwell-*-win64.exe "$out/installer.stamp"
        (cd "$build" && cpack -G NSIS -B "$out")
        rm -rf "$out/_CPack_Packages"
        echo "$stamp" > "$out/installer.stamp"
    fi
    ls "$out"/tintwell-*-win64.exe
fi
