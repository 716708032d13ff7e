#!/usr/bin/env bash
# scripts/fuzz.sh: builds the libFuzzer targets with clang (address and undefined behaviour
# sanitizers) in build-fuzz and runs each for a bounded time, starting from its seed corpus
# in tests/fuzz/corpus/<Target>/. Fails on the first finding, saying how to reproduce it.
#   FUZZ_SECONDS   time per target (default 15)
#   FUZZ_TARGETS   the targets to run (default: every target tests/fuzz/CMakeLists.txt adds)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-15}
dir=build-fuzz
if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ not found; install the Debian packages clang and libclang-rt-14-dev" \
         "(scripts/build.sh installs them when run as root)" >&2
    exit 1
fi
targets=${FUZZ_TARGETS:-$(sed -n 's/^add_fuzz_target(\([A-Za-z0-9_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)}

echo "fuzz.sh: configuring and building $dir with clang" >&2
# Optimised, with line tables only: the sanitizers slow every execution, and a long run
# needs the pace.
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_FLAGS_RELEASE="-O2 -gline-tables-only" \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -gline-tables-only" \
    -DMTAFILTER_FUZZ=ON -DMTAFILTER_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target fuzz_targets

findings=$dir/findings
mkdir -p "$findings"
for target in $targets; do
    binary=$dir/tests/fuzz/$target
    seeds=tests/fuzz/corpus/$target
    if [ ! -x "$binary" ] || [ ! -d "$seeds" ]; then
        echo "fuzz.sh: $target has no program ($binary) or no seed corpus ($seeds/); add it" \
             "with add_fuzz_target in tests/fuzz/CMakeLists.txt and give it seed inputs" >&2
        exit 1
    fi
    work=$(mktemp -d)
    options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -close_fd_mask=1
             -print_final_stats=1 -artifact_prefix="$findings/$target-")
    [ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")
    echo "fuzz.sh: $target for ${seconds}s from $(ls "$seeds" | wc -l) seed inputs" >&2
    # New inputs go into the scratch directory, so the tree's corpus stays as it is.
    if ! "$binary" "${options[@]}" "$work" "$seeds" >"$findings/$target.log" 2>&1; then
        tail -n 40 "$findings/$target.log" >&2
        echo "fuzz.sh: $target found a fault; the input is $findings/$target-* (log:" \
             "$findings/$target.log). Reproduce with: $binary <input>; once fixed, add the" \
             "input to $seeds/ so that every build replays it" >&2
        rm -rf "$work"
        exit 1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$findings/$target.log" |
        tr '\n' ' ' | sed "s/^/fuzz.sh: $target ok: /; s/\$/\n/" >&2
    rm -rf "$work"
done
echo "fuzz.sh: no findings" >&2
