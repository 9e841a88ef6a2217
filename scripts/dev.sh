#!/usr/bin/env bash
# One entry point for developers and CI: installs the Debian packages the project needs, builds,
# then either starts the program or runs the whole test suite.
#
#   bash scripts/dev.sh run [program arguments]
#   bash scripts/dev.sh test
#   bash scripts/dev.sh build
#
# TINTWELL_BUILD_DIR chooses the build folder (default: build/ in the checkout).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TINTWELL_BUILD_DIR:-$root/build}

usage() {
    echo "usage: bash scripts/dev.sh run [arguments] | test | build" >&2
    exit 2
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo > /dev/null; then
        sudo "$@"
    else
        echo "dev.sh: installing packages needs root: $*" >&2
        exit 1
    fi
}

install_missing_packages() {
    local wanted missing=() package
    wanted=$(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$root/.ci/packages" | grep -v '^$' | sort -u)
    for package in $wanted; do
        if ! dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return
    fi
    echo "dev.sh: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get -o DPkg::Lock::Timeout=600 update
    as_root apt-get -o DPkg::Lock::Timeout=600 install -y "${missing[@]}"
}

build_all() {
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build" --parallel "$(nproc)"
}

command=${1:-}
[ -n "$command" ] || usage
shift

case "$command" in
    build)
        install_missing_packages
        build_all
        ;;
    run)
        install_missing_packages
        build_all
        program="$build/app/tintwell"
        if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
            echo "dev.sh: no display; starting under xvfb-run (the window is not visible; stop with Ctrl+C)"
            exec xvfb-run -a "$program" "$@"
        fi
        exec "$program" "$@"
        ;;
    test)
        install_missing_packages
        build_all
        # The Windows program and its installer too, so that the suite only runs them.
        cmake --build "$build" --target windows_program
        export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
        ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)"
        ;;
    *)
        usage
        ;;
esac
