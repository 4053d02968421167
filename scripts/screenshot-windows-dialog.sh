#!/bin/bash
# Shows the Cabrillo header dialog of Tavik.dll under Wine on a virtual screen and
# saves a picture of it as docs/windows-dialog.png. Needs the mingw-w64 tools, Wine,
# Xvfb and ImageMagick. BUILD_DIR picks the Windows build (default: build-win-dlg),
# TAVIK_SHOT_WINEPREFIX the Wine prefix.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-win-dlg}

if [ "${1:-}" != --on-screen ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVIK_BUILD_BENCH=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" >/dev/null
    cmake --build "$build" --target Tavik show_cabrillo_dialog
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --on-screen
fi

# A prefix of its own: with no window manager on the virtual screen, Wine must
# draw the caption and frame itself, a setting other runs should not get. (Without
# one the caption also stays in its inactive colour.)
export TAVIK_WINEPREFIX=${TAVIK_SHOT_WINEPREFIX:-${TMPDIR:-/tmp}/tavik-wine-shot-$(id -u)}
"$root/cmake/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
# The caption buttons' glyphs come from Marlett, which this Wine does not put in a new prefix.
marlett=/usr/share/wine/fonts/marlett.ttf
if [ -f "$marlett" ]; then
    cp -n "$marlett" "$TAVIK_WINEPREFIX/drive_c/windows/Fonts/"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/in" "$work/out"

# The program prints the dialog's box, then keeps it open until it reads a line.
"$root/cmake/wine-run.sh" "$build/bin/show_cabrillo_dialog.exe" <"$work/in" >"$work/out" &
shower=$!
exec 3>"$work/in" 4<"$work/out"

if ! read -r -t 180 box <&4; then
    echo "the dialog did not appear" >&2
    exec 3>&-
    wait "$shower" || true
    exit 1
fi
sleep 1  # let it finish painting
import -window root "$work/screen.png"
mkdir -p "$root/docs"
convert "$work/screen.png" -crop "$box" +repage "$root/docs/windows-dialog.png"

echo close >&3
exec 3>&-
wait "$shower"
WINEPREFIX="$TAVIK_WINEPREFIX" wineserver -w  # Wine gone before the screen is
echo "docs/windows-dialog.png: the dialog at $box"
