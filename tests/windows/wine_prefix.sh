#!/bin/sh
# The Wine prefix (WINEPREFIX) and server that all Windows tests of a run share; 77: no Wine.
#   wine_prefix.sh make | remove | run PROGRAM [ARGS...]
set -u
case $1 in
make)
    wineserver -k > /dev/null 2>&1
    rm -rf "$WINEPREFIX"
    command -v wine > /dev/null || { echo "SKIPPED: no Wine (Debian packages wine and wine64)" && exit 77; }
    boot=$(timeout 240 wine wineboot --init 2>&1) || { printf 'SKIPPED: Wine cannot start:\n%s\n' "$boot" && exit 77; }
    # Wine's null display driver still gives every window a real handle. It holds from the
    # server's next start; that server and the services it starts may not hold the output open.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
    wineserver -k
    wineserver -p > /dev/null 2>&1 < /dev/null
    wine cmd /c exit > /dev/null 2>&1 < /dev/null && touch "$WINEPREFIX/ready"
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
