#!/usr/bin/env bash
# The cross-built program in the prefix of windows_wine_prefix, judged by its debug lines (through
# WINEQT_FORCE_STDERR_LOGGING: Qt under Wine reads QT_* variables only with a WINE prefix), its
# window and its files.   run_under_wine.sh OUT HELPERS program LINUX_PROGRAM | installer
# OUT is the folder scripts/windows-build.sh filled, HELPERS the one holding window_message.exe.
set -uo pipefail
out=$1 helpers=$2 linux_program=${4:-}
if [ ! -f "$out/build/deploy/tintwell.exe" ] || [ ! -f "$WINEPREFIX/ready" ]; then
    echo "SKIPPED: no cross-built program or no Wine prefix (the steps making them were skipped)"
    exit 77
fi
export WINEQT_FORCE_STDERR_LOGGING=1 WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
work=$(mktemp -d "${TMPDIR:-/tmp}/tintwell-wine.XXXXXX")
trap 'kill -9 $(jobs -p) 2> /dev/null; wait; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" && exit 1; }
# until_ok COMMAND...: true once COMMAND succeeds, false after 90 s.
until_ok() {
    local deadline=$((SECONDS + 90))
    until "$@"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.2
    done
}
# has LINE: the program wrote LINE (with Windows line ends).
has() { tr -d '\r' < "$work/err" | grep -qxF -- "$1"; }
expect() { has "$1" || fail "no line '$1':$(printf '\n'; cat "$work/err")"; }
# start PROGRAM [ARGS...]: in the background ($pid), up once it has set up its main window.
start() {
    "$@" > /dev/null 2> "$work/err" < /dev/null &
    pid=$!
    until_ok grep -qF '==========camerasettingwidget==========control font is:' "$work/err" ||
        fail "$1 did not come up:$(printf '\n'; cat "$work/err")"
}
# Output goes to files only: what a program leaves running in the prefix may hold them open.
quiet() {
    timeout 120 wine "$@" > "$work/out" 2>&1 < /dev/null || fail "$* exited $?: $(cat "$work/out")"
}
# Each profile and index file: a checksum, then its path without the random part of its name.
profile_files() { (cd "$1" && find . -name '*.ini' -exec sha256sum {} + | sed -E 's/\{[-0-9a-f]{36}\}//' | sort -k2); }

case $3 in
program) # simulated cameras: a hidden first start, its files, a second copy, a device change
    cp "$(dirname "$0")/one_camera.json" "$work/cameras.json"
    start env -i PATH="$PATH" HOME="$work" XDG_DATA_HOME="$work/linux" XDG_RUNTIME_DIR="$work" \
        QT_QPA_PLATFORM=offscreen TINTWELL_CAMERA_BACKEND=simulated \
        TINTWELL_SIMULATED_CAMERAS="$work/cameras.json" "$linux_program" -startup
    kill -9 "$pid"
    export TINTWELL_CAMERA_BACKEND=simulated TINTWELL_SIMULATED_CAMERAS="Z:${work//\//\\}\\cameras.json"
    start wine "$out/build/deploy/tintwell.exe" -startup
    expect "successfully set VPA value: 17 , property type: 0"
    expect "successfully set VPA value: 5 , property type: 1"
    quiet "$helpers/window_message.exe" hidden
    quiet "$out/build/deploy/tintwell.exe"
    [ ! -s "$work/out" ] || fail "the second copy printed: $(cat "$work/out")"
    quiet "$helpers/window_message.exe" visible
    # The same first start wrote the same files, byte for byte, under Linux and under Windows.
    profile_files "$work/linux/tintwell" > "$work/linux.files"
    [ "$(wc -l < "$work/linux.files")" -eq 2 ] || fail "Linux wrote: $(cat "$work/linux.files")"
    diff <(profile_files "$WINEPREFIX"/drive_c/users/*/AppData/Local/tintwell) "$work/linux.files" ||
        fail "the profile files differ from Linux's"
    # A camera announced by a window message is listed.
    cp "$(dirname "$0")/two_cameras.json" "$work/cameras.json"
    name='\\?\usb#vid_1a2b&pid_1f05&mi_00#6&1f05&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global'
    quiet "$helpers/window_message.exe" arrival "$name"
    expect "device arrival: \"@device:pnp:${name//\\/\\\\}\""
    until_ok has "camera count: 2" || fail "the arrived camera was not listed"
    ;;
installer) # the installed program on the default camera layer, DirectShow, which finds none
    folder="$WINEPREFIX/drive_c/Program Files/Tintwell"
    menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tintwell/Tintwell.lnk"
    quiet "$(ls "$out"/tintwell-*-win64.exe | head -n1)" /S
    [ -f "$folder/Uninstall.exe" ] && [ -f "$menu" ] || fail "not installed: $(ls -R "$folder" "${menu%/*}")"
    unset TINTWELL_CAMERA_BACKEND
    start wine "$folder/tintwell.exe"
    expect "register notification result: true"
    expect "camera count: -1"
    ! grep '^tintwell:' "$work/err" || fail "the installed program reported errors"
    kill -9 "$pid"
    quiet "$folder/Uninstall.exe" /S
    # The uninstaller carries on in a copy of itself after it has returned.
    gone() { [ ! -e "$folder/tintwell.exe" ] && [ ! -e "$menu" ]; }
    until_ok gone || fail "the uninstaller left $(ls "$folder" "$menu" 2>&1)"
    ;;
esac
echo "passed after $SECONDS s"
