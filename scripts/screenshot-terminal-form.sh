#!/bin/sh
# Shows the Cabrillo header dialog's terminal form, with some start values, in an
# xterm on a virtual display and saves a picture of it as docs/terminal-form.png.
# Usage: scripts/screenshot-terminal-form.sh [build folder, default build]
# Needs xvfb-run and xauth (packages xvfb, xauth), xterm and import (imagemagick);
# prints what is missing instead of installing it.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"

missing=""
command -v xvfb-run >/dev/null 2>&1 || missing="$missing xvfb"
command -v xauth >/dev/null 2>&1 || missing="$missing xauth"
command -v xterm >/dev/null 2>&1 || missing="$missing xterm"
command -v import >/dev/null 2>&1 || missing="$missing imagemagick"
if [ -n "$missing" ]; then
    echo "missing packages:$missing" >&2
    echo "install them with: apt-get install$missing" >&2
    exit 1
fi

driver="$build/bin/cabrillo_form_driver"
if [ ! -x "$driver" ]; then
    [ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja >/dev/null
    cmake --build "$build" --target cabrillo_form_driver
fi
driver="$(cd "$(dirname "$driver")" && pwd)/$(basename "$driver")"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/values" <<'VALUES'
1009=CIS-QPSK63
1010=DL1ABC
1008=123456
1013=single
1017=ALL
1015=low
1022=ONE
1007=Erik Example
1002=Example Street 1
1024=Berlin
1026=10115
1028=Germany
1006=DL1ABC DL2XYZ
1005=Example Radio Club
1001=Thanks for the QSOs!\r\nConditions were fine on 20M.\r\n73 de DL1ABC
1004=dl1abc@example.org
VALUES

cat >"$work/show.sh" <<SHOW
#!/bin/sh
# Runs inside the xterm: tells the window and runs the form there.
echo "\$WINDOWID" >"$work/window.part" && mv "$work/window.part" "$work/window"
exec "$driver" "$work/result" -f "$work/values"
SHOW

cat >"$work/capture.sh" <<CAPTURE
#!/bin/sh
set -eu
xterm -geometry 66x25 -fa 'DejaVu Sans Mono' -fs 12 -bg '#202020' -fg '#d8d8d8' \
    -title 'Tavik terminal form' -e sh "$work/show.sh" &
xterm=\$!
tries=0
until [ -s "$work/window" ]; do
    tries=\$((tries + 1))
    [ \$tries -le 100 ] || { echo "the xterm did not start" >&2; kill \$xterm; exit 1; }
    sleep 0.1
done
sleep 1.5  # time to draw the form
import -window "\$(cat "$work/window")" "$PWD/docs/terminal-form.png"
kill \$xterm
CAPTURE

mkdir -p docs
xvfb-run -a -s "-screen 0 1024x768x24" sh "$work/capture.sh"
echo "wrote docs/terminal-form.png"
