#!/usr/bin/env bash
# Gathers a runnable folder for a Windows program cross-built with mingw-w64: the .exe, the DLLs
# it needs (followed through their own imports with objdump), the mingw runtime DLLs and the Qt
# plugins the program loads at run time (platforms, style, image formats, media, audio).
#
#   bash scripts/windows-deploy.sh PROGRAM.exe DEST QT_PREFIX
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: windows-deploy.sh PROGRAM.exe DEST QT_PREFIX" >&2
    exit 2
fi
exe=$1
dest=$2
qt=$3
triplet=x86_64-w64-mingw32
cxx=${TINTWELL_MINGW_CXX:-$triplet-g++-posix}

runtime=$(dirname "$("$cxx" -print-file-name=libstdc++-6.dll)")
search=("$qt/bin" "$runtime" "/usr/$triplet/lib")
plugins=(platforms/qwindows.dll platforms/qoffscreen.dll platforms/qminimal.dll
         styles/qwindowsvistastyle.dll iconengines/qsvgicon.dll audio/qtaudio_windows.dll)
plugin_folders=(imageformats mediaservice)

mkdir -p "$dest"
cp "$exe" "$dest/"
for plugin in "${plugins[@]}"; do
    mkdir -p "$dest/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin" "$dest/$plugin"
done
for folder in "${plugin_folders[@]}"; do
    mkdir -p "$dest/$folder"
    cp "$qt/plugins/$folder"/*.dll "$dest/$folder/"
done

# Every DLL named in an import table that is found in the search folders is copied once; the
# others (kernel32, user32, ...) belong to the system.
declare -A seen
queue=("$dest/$(basename "$exe")")
while IFS= read -r plugin; do queue+=("$plugin"); done < <(find "$dest" -mindepth 2 -name '*.dll')
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $("$triplet-objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        key=${dll,,}
        [ -n "${seen[$key]:-}" ] && continue
        seen[$key]=1
        for dir in "${search[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$dest/"
                queue+=("$dest/$dll")
                break
            fi
        done
    done
done
# Debian's libstdc++ DLL carries its debug information (over 20 MB). Stripped with its own date
# instead of the time of day, the same folder gives the same bytes, and the installer is kept.
SOURCE_DATE_EPOCH=$(stat -c %Y "$runtime/libstdc++-6.dll") \
    "$triplet-strip" --strip-debug "$dest/libstdc++-6.dll"
