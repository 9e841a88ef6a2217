#!/usr/bin/env bash
# Takes a picture of the main window with the built-in simulated cameras, on a virtual X server
# of its own, for the README.
#
#   bash scripts/screenshot.sh [output.png]     (default: docs/main-window.png)
#
# Needs the program built (bash scripts/dev.sh build) and xvfb, xdotool and imagemagick.
# TINTWELL_BUILD_DIR chooses the build folder as in dev.sh; TINTWELL_SCREENSHOT_CAMERAS names a
# simulated camera file to use instead of the built-in cameras (one with no cameras shows what a
# user without a supported camera sees).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TINTWELL_BUILD_DIR:-$root/build}
program="$build/app/tintwell"
out=$(realpath -m "${1:-$root/docs/main-window.png}")

if [ -z "${TINTWELL_SCREENSHOT_INNER:-}" ]; then
    [ -x "$program" ] || { echo "screenshot.sh: $program is missing; run: bash scripts/dev.sh build" >&2; exit 1; }
    export TINTWELL_SCREENSHOT_INNER=1
    exec xvfb-run -a -s "-screen 0 1280x800x24 -dpi 96" bash "${BASH_SOURCE[0]}" "$out"
fi

# A new user's empty data folder, so the picture never shows someone's own profiles.
work=$(mktemp -d)
mkdir -m 700 "$work/run"
pid=
trap '[ -n "$pid" ] && kill "$pid" 2> /dev/null; rm -rf "$work"' EXIT
XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
    XDG_RUNTIME_DIR="$work/run" \
    QT_QPA_PLATFORM=xcb TINTWELL_CAMERA_BACKEND=simulated TINTWELL_SIMULATED_CAMERAS="${TINTWELL_SCREENSHOT_CAMERAS:-}" \
    "$program" > "$work/program.log" 2>&1 &
pid=$!

window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
# Painted once two pictures in a row are the same.
previous=
for _ in $(seq 1 50); do
    import -window "$window" "$work/shot.png"
    current=$(md5sum < "$work/shot.png")
    [ "$current" = "$previous" ] && break
    previous=$current
done
mkdir -p "$(dirname "$out")"
cp "$work/shot.png" "$out"
echo "screenshot.sh: wrote $out"
