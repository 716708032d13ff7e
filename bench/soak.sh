#!/usr/bin/env bash
# bench/soak.sh: builds soak_bench with a sanitizer and runs it.
#   bench/soak.sh asan|tsan|plain [MESSAGES_PER_THREAD] [more soak_bench options]
# The full soak is 8 threads x 20,000 messages (the default); a number makes it shorter,
# e.g. `bench/soak.sh tsan 500`. Builds only what soak_bench needs, in the build directory
# scripts/build.sh uses for that sanitizer (build-sanitize, build-tsan; build for plain).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-asan}
messages=${2:-20000}
shift $(($# > 2 ? 2 : $#))
case "$mode" in
    asan)
        dir=build-sanitize
        options=(-DCMAKE_BUILD_TYPE=Debug -DMTAFILTER_SANITIZE=ON -DMTAFILTER_BENCH=OFF)
        ;;
    tsan)
        dir=build-tsan
        options=(-DCMAKE_BUILD_TYPE=Debug -DMTAFILTER_TSAN=ON -DMTAFILTER_BENCH=OFF)
        ;;
    plain)
        dir=build
        options=()
        ;;
    *)
        echo "usage: bench/soak.sh asan|tsan|plain [MESSAGES_PER_THREAD] [soak_bench options]" >&2
        exit 2
        ;;
esac
echo "soak.sh: building soak_bench in $dir" >&2
cmake -S . -B "$dir" -G Ninja "${options[@]}" -DMTAFILTER_SOAK=ON >/dev/null
cmake --build "$dir" -j "$(nproc)" --target soak_bench
echo "soak.sh: running $dir/bench/soak_bench --messages $messages $*" >&2
# A small quarantine, so that the resident memory shows what the plug-in holds rather than
# the freed blocks AddressSanitizer keeps back (256 MB by default).
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=8} \
    TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 second_deadlock_stack=1} \
    "$dir/bench/soak_bench" --messages "$messages" "$@"
