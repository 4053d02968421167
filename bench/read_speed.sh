#!/bin/sh
# Reading speed of the stand-in host against adif-parser-ts (npm) in node, side by side
# on the same generated log. The host's figure is its time outside the plugin as
# --timing prints it (reading, mapping and the country lookups included); each side
# runs RUNS times (3) and the best run counts.
# Usage: bench/read_speed.sh [BUILD_DIR] [QSOS]
set -eu
cd "$(dirname "$0")/.."
root=$PWD
build="${1:-build}"
qsos="${2:-100000}"
runs="${RUNS:-3}"
[ -x "$build/bin/tavik-host" ] && [ -x "$build/bin/tavik-bench" ] || {
    echo "build first: cmake --build $build" >&2
    exit 2
}
command -v node >/dev/null && command -v npm >/dev/null || {
    echo "needs node and npm (Debian packages nodejs and npm)" >&2
    exit 2
}
work="$build/read-speed"
mkdir -p "$work"
# The parser lives in a scratch folder of the build, never in the source tree.
if [ ! -d "$work/node_modules/adif-parser-ts" ]; then
    (cd "$work" && { [ -f package.json ] || npm init -y >/dev/null; } &&
        npm install --no-audit --no-fund adif-parser-ts >/dev/null)
fi
cp bench/adif_parser_ts.js "$work/"
log="$work/log-$qsos.adi"
[ -s "$log" ] || "$build/bin/tavik-bench" --write-adif "$qsos" "$log" >/dev/null

best() { sort -g | head -n 1; }

node_best=$(for i in $(seq "$runs"); do
    (cd "$work" && node adif_parser_ts.js "$root/$log") | awk '{ print $2 }'
done | best)
node_records=$( (cd "$work" && node adif_parser_ts.js "$root/$log") | awk '{ print $1 }')

host_lines=$(for i in $(seq "$runs"); do
    rm -rf "$work/run"
    mkdir -p "$work/run"
    "$build/bin/tavik-host" --timing --no-automation --dir "$work/run" "$log" </dev/null \
        2>&1 >/dev/null | sed -n 's/.*timing: \([0-9.]*\) s in all, \([0-9.]*\) s .* \([0-9.]*\) s reading the log/\1 \2 \3/p'
done)
outside_best=$(echo "$host_lines" | awk '{ printf "%.3f\n", $1 - $2 }' | best)
reading_best=$(echo "$host_lines" | awk '{ print $3 }' | best)

size=$(wc -c <"$log")
printf 'log: %s QSOs, %s bytes (%s records read by adif-parser-ts)\n' "$qsos" "$size" "$node_records"
printf '%-44s %8s s\n' "adif-parser-ts in node (read and parse)" "$node_best"
printf '%-44s %8s s  (%sx faster)\n' "tavik-host outside the plugin" "$outside_best" \
    "$(awk -v a="$node_best" -v b="$outside_best" 'BEGIN { printf "%.1f", a / b }')"
printf '%-44s %8s s  (%sx faster)\n' "  of it reading and mapping the log" "$reading_best" \
    "$(awk -v a="$node_best" -v b="$reading_best" 'BEGIN { printf "%.1f", a / b }')"
