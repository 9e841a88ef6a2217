#!/bin/sh
# The Wine prefix (WINEPREFIX) and server that all Windows tests of a run share; 77: no Wine.
#   wine_prefix.sh make | remove | run PROGRAM [ARGS...]
set -u
case $1 in
make)
    wineserver -k > /dev/null 2>&1
    rm -rf "$WINEPREFIX"
    command -v wine > /dev/null || { echo "SKIPPED: no Wine (Debian packages wine and wine64)" && exit 77; }
    # Wine's null display driver still gives every window a real handle; set before the first
    # start, it holds for every process. The server stays up for the whole run, and nothing it
    # starts may hold the test's output open.
    mkdir -p "$WINEPREFIX"
    printf 'WINE REGISTRY Version 2\n[Software\\\\Wine\\\\Drivers]\n"Graphics"="null"\n' > "$WINEPREFIX/user.reg"
    wineserver -p > /dev/null 2>&1 < /dev/null
    if ! timeout 240 wine wineboot --init > "$WINEPREFIX/boot.log" 2>&1 < /dev/null; then
        echo "SKIPPED: Wine cannot start here:" && cat "$WINEPREFIX/boot.log" && wineserver -k
        exit 77
    fi
    touch "$WINEPREFIX/ready"
    ;;
run) # through a file, which what the program leaves running may hold open
    [ -f "$WINEPREFIX/ready" ] || { echo "SKIPPED: windows_wine_prefix made no prefix" && exit 77; }
    shift
    timeout 120 wine "$@" > "$WINEPREFIX/run.log" 2>&1 < /dev/null
    rc=$?
    cat "$WINEPREFIX/run.log"
    exit $rc
    ;;
remove)
    wineserver -k > /dev/null 2>&1
    rm -rf "$WINEPREFIX"
    ;;
esac
