#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a share of
# TOTAL seconds (default 110): fuzz.sh [TOTAL]
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
total="${1:-110}"
CC=clang CXX=clang++ "$here/scripts/build.sh" build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" \
    -DPENNIVALE_FUZZ=ON -DPENNIVALE_TESTS=OFF
mapfile -t targets < <(find "$here/build-fuzz/fuzz" -type f -executable -name 'fuzz_*' | sort)
if [ ${#targets[@]} -eq 0 ]; then
    echo "no fuzz targets" >&2
    exit 1
fi
each=$(( total / ${#targets[@]} ))
[ "$each" -ge 5 ] || each=5
for t in "${targets[@]}"; do
    name="$(basename "$t")"
    corpus="$here/build-fuzz/corpus/$name"
    mkdir -p "$corpus"
    seeds="$here/fuzz/seeds/$name"
    echo "-- $name for ${each}s"
    dirs=("$corpus")
    [ -d "$seeds" ] && dirs+=("$seeds")
    log="$here/build-fuzz/$name.log"
    rc=0
    "$t" -max_total_time="$each" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
        -artifact_prefix="$here/build-fuzz/$name-" "${dirs[@]}" >"$log" 2>&1 || rc=$?
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
    if [ "$rc" -ne 0 ]; then
        tail -n 60 "$log"
        exit "$rc"
    fi
done
