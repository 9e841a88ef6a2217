#!/usr/bin/env bash
# Runs the cross-built program under Wine, in the prefix that windows_wine_prefix made, and checks
# what it does from its output, its window and its files. Debug lines reach standard error through
# WINEQT_FORCE_STDERR_LOGGING (Wine passes no QT_* variable on; WINEQT_* arrive without the WINE).
#
#   run_under_wine.sh OUT HELPERS program LINUX_PROGRAM  simulated cameras: a hidden first start
#       and its files against the Linux program's, a second copy, a second start, a device change
#   run_under_wine.sh OUT HELPERS installer  silent install, the installed program on the default
#       camera layer (DirectShow, which finds no camera under Wine), silent uninstall
# OUT is the folder scripts/windows-build.sh filled, HELPERS the one holding window_message.exe.
# Exits 77 (skipped) when there is nothing to run: no cross-built program or no Wine.
set -uo pipefail
out=$1 helpers=$2 scenario=$3 linux_program=${4:-}
deploy=$out/build/deploy
if [ ! -f "$deploy/tintwell.exe" ] || [ ! -f "$WINEPREFIX/ready" ]; then
    echo "SKIPPED: no cross-built program or no Wine prefix (the steps making them were skipped)"
    exit 77
fi
export WINEQT_FORCE_STDERR_LOGGING=1 WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
unset TINTWELL_CAMERA_BACKEND TINTWELL_SIMULATED_CAMERAS
work=$(mktemp -d "${TMPDIR:-/tmp}/tintwell-wine.XXXXXX")
trap 'kill -9 $(jobs -p) 2> /dev/null; wait; rm -rf "$work"' EXIT
ready='==========camerasettingwidget==========control font is:'

fail() {
    echo "FAIL: $*"
    exit 1
}
# until_ok COMMAND...: true once COMMAND succeeds, false after 90 s.
until_ok() {
    local deadline=$((SECONDS + 90))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}
# has NAME LINE [N]: the copy NAME wrote LINE to standard error at least N times (Windows line ends).
has() { [ "$(tr -d '\r' < "$work/$1.err" | grep -cxF -- "$2")" -ge "${3:-1}" ]; }
expect() { has "$@" || fail "no line '$2' from $1:$(printf '\n'; cat "$work/$1.err")"; }
# start NAME PROGRAM [ARGS...]: a copy in the background, up once it has set up its main window.
start() {
    local name=$1
    shift
    wine "$@" > "$work/$name.out" 2> "$work/$name.err" < /dev/null &
    pid=$!
    until_ok grep -qF -- "$ready" "$work/$name.err" || fail "$name did not come up:$(cat "$work/$name.err")"
}
stop() { kill -9 "$1" && wait "$1" 2> /dev/null; }
# Output goes to files only: what a program leaves running in the prefix may hold them open.
quiet() {
    timeout 120 wine "$@" > "$work/wine.out" 2> "$work/wine.err" < /dev/null ||
        fail "$* exited $?: $(cat "$work/wine.out" "$work/wine.err")"
}
window() { quiet "$helpers/window_message.exe" "$@"; }

# The simulated camera file, one Velt camera per argument (product id:name).
write_cameras() {
    local file=$1 sep='' entry
    shift
    for entry in "$@"; do
        printf '%s{"path": "%s", "friendlyName": "%s", "videoProcAmp": {' "$sep" \
            "$(interface "${entry%%:*}" | sed 's/\\/\\\\/g; s/^/@device:pnp:/')" "${entry#*:}"
        printf '"0": {"min": 0, "max": 255, "default": 17}, "1": {"min": 0, "max": 64, "default": 5}}}'
        sep=', '
    done | sed 's/^/{"cameras": [/; s/$/]}/' > "$file.new" && mv "$file.new" "$file"
}
interface() {
    echo "\\\\?\\usb#vid_1a2b&pid_$1&mi_00#6&$1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"
}
# The profile and index files under DIR, one line each: the path with the random part of the file
# name masked, then a checksum of the file's bytes, which must be the same on both systems.
profile_files() {
    (cd "$1" && find . -name '*.ini' | LC_ALL=C sort | while read -r f; do
        printf '%s %s\n' "$(echo "$f" | sed -E 's/\{[0-9a-f-]{36}\}/{uuid}/')" \
            "$(sha256sum < "$f" | cut -c1-16)"
    done)
}

case "$scenario" in
program)
    # The same hidden first start with the same camera under Linux and under Windows.
    linux=$work/linux
    mkdir -p "$linux"
    write_cameras "$linux/cameras.json" "3c4d:Velt DocCam V4"
    env -i PATH="$PATH" HOME="$linux" XDG_DATA_HOME="$linux/data" XDG_CONFIG_HOME="$linux/config" \
        XDG_RUNTIME_DIR="$linux" QT_QPA_PLATFORM=offscreen TINTWELL_CAMERA_BACKEND=simulated \
        TINTWELL_SIMULATED_CAMERAS="$linux/cameras.json" "$linux_program" -startup \
        > "$work/linux.out" 2> "$work/linux.err" &
    linux_pid=$!
    write_cameras "$work/cameras.json" "3c4d:Velt DocCam V4"
    export TINTWELL_CAMERA_BACKEND=simulated TINTWELL_SIMULATED_CAMERAS="Z:${work//\//\\}\\cameras.json"
    start first "$deploy/tintwell.exe" -startup
    expect first "standard profile"
    expect first "successfully set VPA value: 17 , property type: 0"
    expect first "successfully set VPA value: 5 , property type: 1"
    window hidden
    quiet "$deploy/tintwell.exe"
    [ ! -s "$work/wine.out" ] || fail "the second copy printed: $(cat "$work/wine.out")"
    window visible
    stop "$pid"
    until_ok grep -qF -- "$ready" "$work/linux.err" || fail "the Linux program did not come up"
    stop "$linux_pid"
    data=$(echo "$WINEPREFIX"/drive_c/users/*/AppData/Local/tintwell)
    profile_files "$linux/data/tintwell" > "$work/linux.files"
    profile_files "$data" > "$work/windows.files"
    [ "$(wc -l < "$work/linux.files")" -eq 2 ] || fail "Linux wrote: $(cat "$work/linux.files")"
    if ! diff -u "$work/linux.files" "$work/windows.files"; then
        for f in "$linux"/data/tintwell/{,*/}*.ini "$data"/{,*/}*.ini; do
            echo "== $f" && cat -A "$f"
        done
        fail "profile files differ between Linux and Windows"
    fi

    # Started again, the active profile comes from disk; a camera announced by a window message
    # is listed.
    start again "$deploy/tintwell.exe"
    grep -q '^load profile: "Standard Profile" , filePath: "C:/users/[^/]*/AppData/Local/tintwell/1a2b__3c4d/001_' "$work/again.err" ||
        fail "the stored profile was not loaded:$(printf '\n'; cat "$work/again.err")"
    [ "$(find "$data" -name '*.ini' | wc -l)" -eq 2 ] || fail "files added: $(find "$data")"
    write_cameras "$work/cameras.json" "3c4d:Velt DocCam V4" "1f05:Velt WebCam W1080"
    window arrival "$(interface 1f05)"
    expect again "device arrival: \"@device:pnp:$(interface 1f05 | sed 's/\\/\\\\/g')\""
    until_ok has again "camera count: 2" || fail "the arrived camera was not listed:$(cat "$work/again.err")"
    ;;
installer)
    installer=$(ls "$out"/tintwell-*-win64.exe 2> /dev/null | head -n1)
    if [ -z "$installer" ]; then
        echo "SKIPPED: no installer in $out (windows_installer_build did not make it)"
        exit 77
    fi
    folder="$WINEPREFIX/drive_c/Program Files/Tintwell"
    menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tintwell/Tintwell.lnk"
    quiet "$installer" /S
    [ -f "$folder/tintwell.exe" ] && [ -f "$folder/Uninstall.exe" ] && [ -f "$menu" ] ||
        fail "not installed: $(ls -R "$folder" "${menu%/*}" 2>&1)"
    start installed "$folder/tintwell.exe"
    expect installed "register notification result: true"
    expect installed "camera count: -1"
    ! grep '^tintwell:' "$work/installed.err" || fail "the installed program reported errors"
    stop "$pid"
    quiet "$folder/Uninstall.exe" /S
    # The uninstaller carries on in a copy of itself after it has returned.
    gone() { [ ! -e "$folder/tintwell.exe" ] && [ ! -e "$menu" ]; }
    until_ok gone || fail "the uninstaller left $(ls "$folder" "$menu" 2>&1)"
    ;;
esac
echo "passed after $SECONDS s"
