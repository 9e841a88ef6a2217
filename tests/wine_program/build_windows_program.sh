#!/usr/bin/env bash
# Cross-builds the program into OUT (see scripts/windows-build.sh) and, beside it, the helper that
# looks at and messages its window under Wine.
#   build_windows_program.sh OUT
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$1
started=$(date +%s)
bash "$here/../../scripts/windows-build.sh" "$out"
x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -municode -O1 \
    "$here/window_message.cpp" -static -o "$out/window_message.exe"
echo "cross-build took $(($(date +%s) - started)) s"
