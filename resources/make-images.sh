#!/bin/sh
# Regenerates resources/images from the sources in resources/artwork.
# Needs python3 and rsvg-convert (librsvg2-bin).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
art="$here/artwork"
out="$here/images"

python3 "$art/icons.py" "$out"

# Bitmaps are drawn at twice or four times the size they are shown at, so that scaled screens
# still get a sharp picture.
rsvg-convert -w 256 -h 256 "$art/appicon.svg" -o "$out/appicon.png"
rsvg-convert -w 444 -h 120 "$art/velt_logo_k.svg" -o "$out/VELT_logo_K.png"
rsvg-convert -w 96 -h 96 "$out/brightness.svg" -o "$out/Brightness.png"
rsvg-convert -w 96 -h 96 "$out/contrast.svg" -o "$out/Contrast.png"
rsvg-convert -w 96 -h 96 "$out/focus.svg" -o "$out/Focus.png"

# The resource list names every picture under the prefix that gives ":/resources/images/<name>".
{
    echo '<!DOCTYPE RCC>'
    echo '<RCC version="1.0">'
    echo '  <qresource prefix="/resources">'
    for f in $(cd "$out" && ls | LC_ALL=C sort); do
        echo "    <file>images/$f</file>"
    done
    echo '  </qresource>'
    echo '</RCC>'
} >"$here/resources.qrc"

# The icon the desktop shows in menus and task bars (installed into the hicolor theme) at the
# sizes themes ask for.
for size in 16 22 24 32 48 64 128 256 512; do
    rsvg-convert -w $size -h $size "$art/appicon.svg" -o "$here/../packaging/icons/$size.png"
done
