#!/bin/sh
# The checker measured on a simulated contest: its wall time and peak memory, its
# figures against the known truth, the Python exact-match baseline on the same logs,
# and the time of a contest of one tenth the logs for the scaling.
#
#   sh bench/check_bench.sh BUILD_DIR [LOGS]
#
# LOGS defaults to 6000 (about 1.5 million QSO lines). Without BUILD_DIR/bin/tavik-check
# the baseline stands in for the checker, so that the chain runs. Exit status 0 when
# every goal is met, 1 when one is missed, 2 when a step fails.
# $checker and $baseline are split on purpose: the baseline is python3 and its script.
# shellcheck disable=SC2086
set -eu

build=${1:?usage: sh bench/check_bench.sh BUILD_DIR [LOGS]}
logs=${2:-6000}
here=$(cd "$(dirname "$0")" && pwd)
sim=$build/bin/tavik-contest-sim
figures=$build/bin/tavik-check-figures
baseline="python3 $here/exact_match_check.py"
checker=$build/bin/tavik-check
if [ ! -x "$checker" ]; then
    echo "no $checker: the Python baseline stands in for the checker"
    checker=$baseline
fi
for program in "$sim" "$figures"; do
    [ -x "$program" ] || { echo "no $program: build it first" >&2; exit 2; }
done
scratch=$(mktemp -d "${TMPDIR:-/tmp}/check_bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
trap 'exit 2' INT TERM
missed=0

# timed NAME COMMAND...: runs it under /usr/bin/time -v; sets seconds and megabytes.
timed() {
    name=$1
    shift
    if ! /usr/bin/time -v "$@" >"$scratch/$name.out" 2>"$scratch/$name.time"; then
        cat "$scratch/$name.out" "$scratch/$name.time" >&2
        echo "$name failed" >&2
        exit 2
    fi
    seconds=$(awk -F': ' '/Elapsed \(wall clock\)/ {
        n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' \
        "$scratch/$name.time")
    megabytes=$(awk -F': ' '/Maximum resident set size/ { printf "%.0f", $2 / 1024 }' \
        "$scratch/$name.time")
}

# goal TEXT CONDITION: prints the line with met or missed; CONDITION is awk.
goal() {
    if awk "BEGIN { exit !($2) }"; then
        echo "  $1: met"
    else
        echo "  $1: missed"
        missed=1
    fi
}

# figures NAME DIR [judged]: the figures of DIR/NAME/qsos.tsv against DIR/truth.tsv;
# a missed goal counts only when judged.
figures() {
    status=0
    "$figures" "$2/truth.tsv" "$2/$1/qsos.tsv" >"$scratch/$1.figures" 2>"$scratch/$1.err" ||
        status=$?
    sed 's/^/  /' "$scratch/$1.figures"
    [ "$status" -le 1 ] || { cat "$scratch/$1.err" >&2; exit 2; }
    if [ "$status" -ne 0 ] && [ "${3:-}" = judged ]; then missed=1; fi
}

contest() {
    timed "sim-$1" "$sim" --logs "$1" --seed 1 --out "$scratch/c$1"
    sed 's/^/  /' "$scratch/sim-$1.out"
    lines=$(($(wc -l <"$scratch/c$1/truth.tsv") - 1))
}

echo "contest of $logs logs:"
contest "$logs"
full_lines=$lines
timed checker $checker --out "$scratch/c$logs/checker" "$scratch/c$logs/logs"
check_seconds=$seconds
echo "checker: $full_lines QSO lines in $seconds s, $megabytes MB peak"
goal "under 10 s" "$seconds < 10"
goal "under 2 GB" "$megabytes < 2048"
figures checker "$scratch/c$logs" judged

timed baseline $baseline --out "$scratch/c$logs/baseline" "$scratch/c$logs/logs"
echo "Python exact-match baseline: $seconds s, $megabytes MB peak"
figures baseline "$scratch/c$logs"
speedup=$(awk "BEGIN { s = $check_seconds; printf \"%.1f\", $seconds / (s > 0.01 ? s : 0.01) }")
goal "the checker $speedup times as fast as the baseline (goal: at least 10)" "$speedup >= 10"

tenth=$((logs / 10))
echo "contest of $tenth logs:"
contest "$tenth"
timed tenth $checker --out "$scratch/c$tenth/checker" "$scratch/c$tenth/logs"
echo "checker: $lines QSO lines in $seconds s, $megabytes MB peak"
more=$(awk "BEGIN { printf \"%.1f\", $full_lines / $lines }")
longer=$(awk "BEGIN { printf \"%.1f\", $check_seconds / ($seconds > 0.01 ? $seconds : 0.01) }")
goal "$more times the QSOs in $longer times the time (goal: at most 1.2 times $more)" \
    "$longer <= 1.2 * $more"

exit $missed
