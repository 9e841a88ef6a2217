#!/bin/sh
# The one Wine prefix (WINEPREFIX) that every Windows test of a run shares, with one server kept
# running for the whole run, and without a display.
#   wine_prefix.sh make              a new prefix; exits 77 (skipped) when Wine cannot start here
#   wine_prefix.sh run PROGRAM ...   runs a Windows program in it (output through a file, which
#                                    whatever it leaves running may hold); 77 when there is none
#   wine_prefix.sh remove            stops its programs and server and removes it
set -u
case $1 in
make)
    wineserver -k > /dev/null 2>&1
    rm -rf "$WINEPREFIX"
    if ! command -v wine > /dev/null; then
        echo "SKIPPED: Wine is not installed (Debian packages wine and wine64)"
        exit 77
    fi
    if ! boot=$(timeout 240 wine wineboot --init 2>&1); then
        printf 'SKIPPED: Wine cannot start here:\n%s\n' "$boot"
        exit 77
    fi
    # Wine's null display driver still gives every window a real handle. It holds from the
    # server's next start, after which the prefix's own services come up once, here.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
    # Nothing that stays running may hold the test's output open.
    wineserver -k
    wineserver -p > /dev/null 2>&1 < /dev/null
    wine cmd /c exit > /dev/null 2>&1 < /dev/null && touch "$WINEPREFIX/ready"
    ;;
run)
    shift
    if [ ! -f "$WINEPREFIX/ready" ]; then
        echo "SKIPPED: no Wine prefix (windows_wine_prefix made none)"
        exit 77
    fi
    log=$(mktemp)
    timeout 120 wine "$@" > "$log" 2>&1 < /dev/null
    rc=$?
    cat "$log" && rm -f "$log"
    exit $rc
    ;;
remove)
    wineserver -k > /dev/null 2>&1
    rm -rf "$WINEPREFIX"
    ;;
esac
