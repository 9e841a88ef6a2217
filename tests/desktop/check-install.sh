#!/bin/sh
# Installs the built program into a temporary prefix, checks what the desktop reads there with
# its own validators, then builds the Debian package and checks its control data.
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/usr
id=example.velt.Tintwell
cmake --install "$build" --prefix "$prefix" > "$work/log" || fail "install: $(cat "$work/log")"
for file in bin/tintwell share/man/man1/tintwell.1.gz share/icons/hicolor/scalable/apps/$id.svg; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
for size in 16 22 24 32 48 64 128 256 512; do
    file -b "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" | grep -q "^PNG image data, $size x $size," ||
        fail "no $size pixel icon"
done
desktop=$prefix/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop entry"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" > "$work/log" || fail "metainfo: $(cat "$work/log")"
# The entry starts the installed program by name, with the installed icon.
grep -qx "Exec=tintwell" "$desktop" && grep -qx "Icon=$id" "$desktop" || fail "Exec or Icon"
"$prefix/bin/tintwell" --version | grep -q "^tintwell [0-9]" || fail "installed program"
warnings=$(man --warnings -l "$prefix/share/man/man1/tintwell.1.gz" 2>&1 > /dev/null)
[ -z "$warnings" ] || fail "man page: $warnings"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" > "$work/log" 2>&1 || fail "cpack: $(cat "$work/log")"
deb=$(ls "$work"/package/tintwell_*_*.deb)
# Found by dpkg-shlibdeps in the program itself, not written down by hand.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt5widgets5 libqt5multimedia5 libudev1 libc6; do
    echo "$depends" | grep -q "\\b$library\\b" || fail "no $library in Depends: $depends"
done
dpkg-deb -f "$deb" Package | grep -qx tintwell && dpkg-deb -c "$deb" | grep -q " \./usr/bin/tintwell$" ||
    fail "package name or usr/bin/tintwell"
echo "installed and packaged: $(basename "$deb"), Depends: $depends"
