#!/usr/bin/env bash
# Runs the cross-built program under Wine, in a Wine prefix of its own that is stopped
# (wineserver -k) and removed at the end, and checks what it does from its output, its window and
# its files. Debug lines reach standard error through WINEQT_FORCE_STDERR_LOGGING (Wine passes
# no QT_* variable on; WINEQT_* arrive without the WINE).
#
#   run_under_wine.sh OUT directshow              the default camera layer, window, second copy
#   run_under_wine.sh OUT simulated LINUX_PROGRAM  simulated cameras, profile files, device change
#   run_under_wine.sh OUT installer               silent install, start, uninstall
# OUT is the folder scripts/windows-build.sh filled. Exits 77 (skipped) when there is nothing to
# run: no cross-built program or installer, or no working Wine.
set -uo pipefail

out=$1
scenario=$2
linux_program=${3:-}
deploy=$out/build/deploy
ready='==========camerasettingwidget==========control font is:'
wait_s=90

fail() {
    echo "FAIL: $*"
    exit 1
}

if [ ! -f "$deploy/tintwell.exe" ]; then
    echo "SKIPPED: no cross-built program in $deploy (windows_program_cross_build did not build it)"
    exit 77
fi
if ! command -v wine > /dev/null; then
    echo "SKIPPED: Wine is not installed (Debian packages wine and wine64)"
    exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tintwell-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEQT_FORCE_STDERR_LOGGING=1 WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
unset DISPLAY WAYLAND_DISPLAY TINTWELL_CAMERA_BACKEND TINTWELL_SIMULATED_CAMERAS
cleanup() {
    wineserver -k > /dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

started=$(date +%s)
if ! timeout 240 wine wineboot --init > "$work/boot.log" 2>&1; then
    cat "$work/boot.log"
    echo "SKIPPED: Wine cannot start here"
    exit 77
fi
# Without a display Wine needs to be told to use its null display driver, which still gives
# every window a real handle; the setting takes effect once the prefix's server has restarted.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f > /dev/null 2>&1
wineserver -k > /dev/null 2>&1
echo "Wine prefix ready after $(($(date +%s) - started)) s"

# Windows form of a Linux path.
winpath() { wine winepath -w "$1" 2> /dev/null | tr -d '\r'; }

# wait_for FILE TEXT [N]: true once N (default 1) lines of FILE contain TEXT, false after
# $wait_s seconds.
wait_for() {
    local deadline=$(($(date +%s) + wait_s))
    until [ "$(grep -cF -- "$2" "$1" 2> /dev/null)" -ge "${3:-1}" ]; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# The program writes Windows line ends.
expect_line() {
    tr -d '\r' < "$1" | grep -qxF -- "$2" || fail "no line '$2' in $(basename "$1"):$(printf '\n'; cat "$1")"
}

# start NAME PROGRAM [ARGS...]: a copy in the background, output in $work/NAME.out and NAME.err.
start() {
    local name=$1
    shift
    wine "$@" > "$work/$name.out" 2> "$work/$name.err" &
    last_pid=$!
    wait_for "$work/$name.err" "$ready" || fail "$name did not come up:$(printf '\n'; cat "$work/$name.err")"
}

# Stops every program of the prefix; the prefix itself stays usable.
stop_all() {
    wineserver -k > /dev/null 2>&1
    wait 2> /dev/null
}

window() { wine "$out/window_message.exe" "$@" 2>&1 | tr -d '\r'; }

# The simulated camera file in the form the program's tests use, one Velt camera per argument
# (product id:name).
write_cameras() {
    local file=$1 sep='' entry
    shift
    {
        printf '{"cameras": ['
        for entry in "$@"; do
            printf '%s{"path": "%s", "friendlyName": "%s", "videoProcAmp": {' "$sep" \
                "$(camera_path "${entry%%:*}")" "${entry#*:}"
            printf '"0": {"min": 0, "max": 255, "default": 17}, '
            printf '"1": {"min": 0, "max": 64, "default": 5}}}'
            sep=', '
        done
        printf ']}\n'
    } > "$file.new" && mv "$file.new" "$file"
}
camera_interface() {
    echo "\\\\?\\usb#vid_1a2b&pid_$1&mi_00#6&$1&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\\global"
}
camera_path() { camera_interface "$1" | sed 's/\\/\\\\/g; s/^/@device:pnp:/'; }

# The profile and index files under DIR, one line each: the path with the random part of the
# file name masked, then a checksum of the file's bytes, which must be the same on both systems.
profile_files() {
    (cd "$1" && find . -name '*.ini' | LC_ALL=C sort | while read -r f; do
        printf '%s %s\n' "$(echo "$f" | sed -E 's/\{[0-9a-f-]{36}\}/{uuid}/')" \
            "$(sha256sum < "$f" | cut -c1-16)"
    done)
}

case "$scenario" in
directshow)
    # The default camera layer is DirectShow; Wine has no video-input device.
    start first "$deploy/tintwell.exe" alpha -startup beta
    tr -d '\r' < "$work/first.out" > "$work/first.txt"
    head -n1 "$work/first.txt" | grep -q '^param: .*tintwell\.exe$' ||
        fail "the program path is not echoed first: $(cat "$work/first.txt")"
    expect_line "$work/first.txt" "param: alpha"
    expect_line "$work/first.txt" "param: -startup"
    grep -q 'restart flag is true$' "$work/first.txt" || fail "-startup not reported"
    ! grep -q beta "$work/first.txt" || fail "arguments after -startup echoed"
    expect_line "$work/first.err" "register notification result: true"
    expect_line "$work/first.err" "camera count: -1"
    ! grep -q '^tintwell:' "$work/first.err" || fail "$(grep '^tintwell:' "$work/first.err")"
    [ "$(window visible)" = hidden ] || fail "-startup showed the window: $(window visible)"

    timeout 60 wine "$deploy/tintwell.exe" > "$work/second.out" 2> "$work/second.err"
    rc=$?
    [ "$rc" -eq 0 ] || fail "the second copy exited $rc: $(cat "$work/second.err")"
    [ ! -s "$work/second.out" ] || fail "the second copy printed: $(cat "$work/second.out")"
    for _ in $(seq 50); do
        [ "$(window visible)" = visible ] && break
        sleep 0.2
    done
    [ "$(window visible)" = visible ] || fail "the second start did not bring the window up"

    # An announced camera is looked for again; DirectShow still finds none, and nothing fails.
    window arrival "$(camera_interface 3c4d)" || fail "WM_DEVICECHANGE not delivered"
    expect_line "$work/first.err" "device arrival: \"@device:pnp:$(camera_interface 3c4d | sed 's/\\/\\\\/g')\""
    wait_for "$work/first.err" "camera count: -1" 2 ||
        fail "no list refresh after the arrival:$(printf '\n'; cat "$work/first.err")"
    kill -0 "$last_pid" 2> /dev/null || fail "the first copy ended"
    ;;
simulated)
    [ -x "$linux_program" ] || fail "no Linux program: $linux_program"
    # The same first start with the same camera under Linux and under Windows.
    linux=$work/linux
    mkdir -p "$linux"
    write_cameras "$linux/cameras.json" "3c4d:Velt DocCam V4"
    env -i PATH="$PATH" HOME="$linux" XDG_DATA_HOME="$linux/data" XDG_CONFIG_HOME="$linux/config" \
        XDG_RUNTIME_DIR="$linux" QT_QPA_PLATFORM=offscreen TINTWELL_CAMERA_BACKEND=simulated \
        TINTWELL_SIMULATED_CAMERAS="$linux/cameras.json" "$linux_program" \
        > "$work/linux.out" 2> "$work/linux.err" &
    linux_pid=$!
    wait_for "$work/linux.err" "$ready" || fail "the Linux program did not come up"
    kill "$linux_pid"

    cameras=$work/cameras.json
    write_cameras "$cameras" "3c4d:Velt DocCam V4"
    export TINTWELL_CAMERA_BACKEND=simulated TINTWELL_SIMULATED_CAMERAS
    TINTWELL_SIMULATED_CAMERAS=$(winpath "$cameras")
    WINEQT_QPA_PLATFORM=offscreen start offscreen "$deploy/tintwell.exe"
    expect_line "$work/offscreen.err" "standard profile"
    expect_line "$work/offscreen.err" "successfully set VPA value: 17 , property type: 0"
    expect_line "$work/offscreen.err" "successfully set VPA value: 5 , property type: 1"
    stop_all
    data=$(wine winepath -u "$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')" 2> /dev/null)/tintwell
    profile_files "$linux/data/tintwell" > "$work/linux.files"
    profile_files "$data" > "$work/windows.files"
    [ "$(wc -l < "$work/linux.files")" -eq 2 ] || fail "Linux wrote: $(cat "$work/linux.files")"
    if ! diff -u "$work/linux.files" "$work/windows.files"; then
        for f in "$linux/data/tintwell/settings.ini" "$data/settings.ini" \
            "$linux"/data/tintwell/*/*.ini "$data"/*/*.ini; do
            echo "== $f"
            cat -A "$f"
        done
        fail "profile files differ between Linux and Windows"
    fi

    # Started again, the active profile comes from disk; a camera announced by a window message
    # is listed once its file entry is there.
    start window "$deploy/tintwell.exe"
    grep -q '^load profile: "Standard Profile" , filePath: "C:/users/[^/]*/AppData/Local/tintwell/1a2b__3c4d/001_' "$work/window.err" ||
        fail "the stored profile was not loaded:$(printf '\n'; cat "$work/window.err")"
    [ "$(find "$data" -name '*.ini' | wc -l)" -eq 2 ] || fail "files added: $(find "$data")"
    window arrival "$(camera_interface 1f05)" || fail "WM_DEVICECHANGE not delivered"
    write_cameras "$cameras" "3c4d:Velt DocCam V4" "1f05:Velt WebCam W1080"
    expect_line "$work/window.err" "device arrival: \"@device:pnp:$(camera_interface 1f05 | sed 's/\\/\\\\/g')\""
    wait_for "$work/window.err" "camera count: 2" ||
        fail "the arrived camera was not listed:$(printf '\n'; cat "$work/window.err")"
    ;;
installer)
    installer=$(ls "$out"/tintwell-*-win64.exe 2> /dev/null | head -n1)
    if [ -z "$installer" ]; then
        echo "SKIPPED: no installer in $out (windows_installer_build did not make it)"
        exit 77
    fi
    timeout 300 wine "$installer" /S || fail "the installer failed"
    wineserver -w
    folder=$(wine winepath -u 'C:\Program Files\Tintwell' 2> /dev/null)
    menu=$(wine winepath -u 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Tintwell' 2> /dev/null)
    [ -f "$folder/tintwell.exe" ] || fail "nothing installed in $folder"
    [ -f "$folder/Uninstall.exe" ] || fail "no uninstaller in $folder"
    [ -f "$menu/Tintwell.lnk" ] || fail "no Start-menu entry in $menu: $(ls -R "$menu" 2>&1)"

    cameras=$work/cameras.json
    write_cameras "$cameras" "3c4d:Velt DocCam V4"
    TINTWELL_CAMERA_BACKEND=simulated TINTWELL_SIMULATED_CAMERAS=$(winpath "$cameras") \
        WINEQT_QPA_PLATFORM=offscreen start installed "$folder/tintwell.exe" -startup
    expect_line "$work/installed.err" "camera count: 1"
    stop_all

    timeout 300 wine "$folder/Uninstall.exe" /S || fail "the uninstaller failed"
    wineserver -w
    [ ! -e "$folder/tintwell.exe" ] || fail "the uninstaller left $(ls "$folder")"
    [ ! -e "$menu/Tintwell.lnk" ] || fail "the uninstaller left the Start-menu entry"
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
echo "passed after $(($(date +%s) - started)) s"
