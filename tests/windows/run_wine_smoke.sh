#!/bin/sh
# Runs the smoke program under Wine in a throw-away prefix, without a display, and stops that
# prefix's wineserver afterwards. Exits 77 (skipped) only when Wine itself cannot start.
# Usage: run_wine_smoke.sh <program .exe>
set -u
exe=$1
wine=$(command -v wine || command -v wine64 || true)
if [ -z "$wine" ]; then
    echo "SKIP: Wine is not installed (Debian packages wine and wine64)"
    exit 77
fi
prefix=$(mktemp -d "${TMPDIR:-/tmp}/tintwell-wine.XXXXXX")
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    wineserver -k >/dev/null 2>&1
    rm -rf "$prefix"
}
trap cleanup EXIT

if ! boot=$(timeout 240 "$wine" wineboot --init 2>&1); then
    echo "SKIP: Wine cannot start here:"
    echo "$boot"
    exit 77
fi

timeout 120 "$wine" "$exe"
rc=$?
if [ "$rc" -eq 124 ]; then
    echo "the smoke program did not finish within 120 s"
elif [ "$rc" -eq 77 ]; then
    rc=1
fi
exit "$rc"
