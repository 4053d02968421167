#!/bin/sh
# Scores generated ADIF logs of 10k, 100k and 1M QSOs end to end with the stand-in
# host and the Cabrillo export, and prints time, peak memory and the share of the
# time spent inside the plugin. Usage: bench/end_to_end.sh [BUILD_DIR] [SIZES...]
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
[ $# -gt 0 ] && shift
sizes="${*:-10000 100000 1000000}"
[ -x "$build/bin/tavik-host" ] && [ -x "$build/bin/tavik-bench" ] || {
    echo "build first: cmake --build $build" >&2
    exit 2
}
command -v /usr/bin/time >/dev/null || {
    echo "needs /usr/bin/time (Debian package time)" >&2
    exit 2
}
work="$build/end-to-end"
mkdir -p "$work"
printf '%10s %10s %12s %14s %16s\n' QSOs "time s" "peak MiB" "plugin s" "plugin share"
for n in $sizes; do
    log="$work/log-$n.adi"
    [ -s "$log" ] || "$build/bin/tavik-bench" --write-adif "$n" "$log" >/dev/null
    run="$work/run-$n"
    rm -rf "$run"
    mkdir -p "$run"
    /usr/bin/time -f '%e %M' -o "$work/time-$n.txt" \
        "$build/bin/tavik-host" --cabrillo --timing --no-automation --dir "$run" "$log" \
        </dev/null >"$work/report-$n.txt" 2>"$work/stderr-$n.txt"
    read -r elapsed peak_kib <"$work/time-$n.txt"
    timing=$(grep 'timing:' "$work/stderr-$n.txt")
    plugin=$(echo "$timing" | sed -E 's/.*, ([0-9.]+) s \(([0-9]+)%\).*/\1/')
    share=$(echo "$timing" | sed -E 's/.*\(([0-9]+)%\).*/\1/')
    cbr=$(ls "$run"/*.cbr 2>/dev/null | head -n 1)
    [ -n "$cbr" ] || {
        echo "no Cabrillo log for $n QSOs" >&2
        exit 1
    }
    printf '%10s %10s %12s %14s %15s%%\n' "$n" "$elapsed" "$((peak_kib / 1024))" "$plugin" "$share"
done
