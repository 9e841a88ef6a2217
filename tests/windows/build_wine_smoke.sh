#!/bin/sh
# Builds the Windows capture backend and its smoke program with mingw-w64; no Qt is involved.
# Usage: build_wine_smoke.sh <source root> <output .exe>
set -eu
root=$1
out=$2
cxx=${TINTWELL_MINGW_CXX:-x86_64-w64-mingw32-g++-posix}
if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "$cxx not found: install the Debian package g++-mingw-w64-x86-64-posix" >&2
    exit 1
fi
mkdir -p "$(dirname "$out")"
set -x
"$cxx" -std=c++17 -Wall -Wextra -Werror -O1 -DUNICODE -D_UNICODE -DNOMINMAX \
    -I"$root/camera/platform" -I"$root/camera/platform/directshow" -I"$root/tests/windows" \
    "$root"/camera/platform/directshow/*.cpp "$root/tests/windows/wine_smoke.cpp" \
    -static -o "$out" -lole32 -loleaut32 -luser32 -lstrmiids -luuid -lksguid
