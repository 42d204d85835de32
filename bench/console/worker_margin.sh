#!/bin/bash
# What a test in a worker costs over a plain run, at the margin: the runner with
# `--jobs 2` and without, on the trivial test library at 20,000 and 100,000 tests.
#
#   worker_margin.sh [-n ROUNDS] LABEL=RUNNER,LIBRARY...
#
# Each round runs every runner given once in each configuration, taking turns, so that
# an old and a new build share the machine's moods. RUN_WITH is put before each
# command (e.g. "chrt -f 10 /usr/lib/wine/wine64"). It prints, for each runner, the
# best and the median of the rounds of each configuration and the margin in µs a test:
# ((jobs 100k - jobs 20k) - (plain 100k - plain 20k)) / 80,000, of the best times and
# of the medians. It exits 1 when a run does not pass every test it was given.
set -u

rounds=3
if [ "${1:-}" = "-n" ]; then
    rounds=$2
    shift 2
fi
if [ $# -eq 0 ]; then
    echo "usage: worker_margin.sh [-n ROUNDS] LABEL=RUNNER,LIBRARY..." >&2
    exit 2
fi

small=20000
large=100000
results=$(mktemp)
trap 'rm -f "$results"' EXIT

# Times one run; a run that does not end in "N passed, 0 failed" with status 0 ends the
# benchmark.
time_run() {
    local label=$1 runner=$2 library=$3 tests=$4 mode=$5
    local options=(--quiet)
    if [ "$mode" = jobs2 ]; then
        options+=(--jobs 2)
    fi
    local start end output status
    start=$(date +%s%N)
    # shellcheck disable=SC2086
    output=$(NORVIK_BENCH_TESTS=$tests ${RUN_WITH:-} "$runner" "${options[@]}" "$library" 2>&1)
    status=$?
    end=$(date +%s%N)
    if [ $status -ne 0 ] || ! printf '%s\n' "$output" | tr -d '\r' | grep -qx "$tests passed, 0 failed"; then
        echo "wrong result: $label $mode $tests tests, status $status: $(printf '%s' "$output" | tail -n 3)" >&2
        exit 1
    fi
    echo "$label $mode $tests $(((end - start) / 1000))" >>"$results"
}

for ((round = 1; round <= rounds; ++round)); do
    for pair in "$@"; do
        label=${pair%%=*}
        paths=${pair#*=}
        for tests in $small $large; do
            for mode in plain jobs2; do
                time_run "$label" "${paths%%,*}" "${paths#*,}" "$tests" "$mode"
            done
        done
    done
done

for pair in "$@"; do
    label=${pair%%=*}
    awk -v label="$label" -v small=$small -v large=$large '
        $1 == label { key = $2 " " $3; times[key] = times[key] " " $4 }
        function sorted(list, out,   n, i, j, t) {
            n = split(list, out, " ")
            for (i = 2; i <= n; ++i) {
                for (j = i; j > 1 && out[j - 1] + 0 > out[j] + 0; --j) { t = out[j]; out[j] = out[j - 1]; out[j - 1] = t }
            }
            return n
        }
        END {
            split("plain jobs2", modes, " ")
            for (m = 1; m <= 2; ++m) {
                for (s = 0; s < 2; ++s) {
                    size = s == 0 ? small : large
                    key = modes[m] " " size
                    n = sorted(times[key], values)
                    best[key] = values[1]; median[key] = values[int((n + 1) / 2)]
                    printf "runner=%s mode=%s tests=%d best_s=%.3f median_s=%.3f\n", label, modes[m], size, best[key] / 1e6, median[key] / 1e6
                }
            }
            margin_best = ((best["jobs2 " large] - best["jobs2 " small]) - (best["plain " large] - best["plain " small])) / (large - small)
            margin_median = ((median["jobs2 " large] - median["jobs2 " small]) - (median["plain " large] - median["plain " small])) / (large - small)
            plain_best = (best["plain " large] - best["plain " small]) / (large - small)
            printf "runner=%s plain_per_test_us=%.2f worker_margin_us best=%.2f median=%.2f\n", label, plain_best, margin_best, margin_median
        }' "$results"
done
