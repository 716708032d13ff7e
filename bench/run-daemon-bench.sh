#!/bin/bash
# bench/run-daemon-bench.sh: starts a private clamd and spamd (test signature and test
# rule only, unix sockets in a temporary directory), runs daemon_scan_bench against
# them and stops them again. The machine's own daemons are not touched.
#
#   bash bench/run-daemon-bench.sh [BUILD_DIR] [daemon_scan_bench options...]
#
# It prints, per caller count, each client's time per message (median of the rounds),
# its overhead over a raw protocol client, and a PASS or FAIL line for the plug-in's
# overhead (exit 1 on FAIL). The machine may be shared: the niceness and the load
# average are printed with the figures, and a run at a niceness other than 0 is refused.
# To profile one way: BENCH_WRAPPER="perf record -g" bash bench/run-daemon-bench.sh build --only plug-in
set -euo pipefail
build=${1:-build}
shift || true
bench="$build/bench/daemon_scan_bench"
if [ "$(nice)" != 0 ]; then
    echo "run-daemon-bench: running at niceness $(nice); run it at 0 so that the figures compare" >&2
    exit 1
fi
[ -x "$bench" ] || { echo "run-daemon-bench: build $bench first (cmake --build $build --target daemon_scan_bench)" >&2; exit 1; }

dir=$(mktemp -d /tmp/daemon-bench.XXXXXX)
chmod 755 "$dir"  # spamd's children run as nobody and must read the rules
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$dir"
}
trap cleanup EXIT

mkdir -p "$dir/db" "$dir/rules" "$dir/site"
hex=$(printf '%s' 'QUILL-POST-TEST-VIRUS-SIGNATURE-7F3A' | od -An -tx1 | tr -d ' \n')
echo "MTAFILTER.Test.Signature:0:*:$hex" > "$dir/db/test.ndb"
cat > "$dir/clamd.conf" <<CONF
LocalSocket $dir/clamd.sock
DatabaseDirectory $dir/db
Foreground yes
LogFile $dir/clamd.log
MaxThreads 8
CONF
echo "loadplugin Mail::SpamAssassin::Plugin::Check" > "$dir/rules/init.pre"
cat > "$dir/rules/10_test.cf" <<CONF
required_score 5.0
util_rb_tld com net org
body QP_TEST_SPAM /QUILL-POST-TEST-SPAM-PHRASE/
score QP_TEST_SPAM 10.0
CONF

# spamd's children are neither retired after 200 connections nor let go when idle: a
# child starting up costs seconds of CPU, which would fall on whichever way is measured.
clamd -c "$dir/clamd.conf" > "$dir/clamd.out" 2>&1 &
pids+=($!)
spamd --configpath="$dir/rules" --siteconfigpath="$dir/site" --local --nouser-config \
    --max-children=8 --min-children=8 --min-spare=8 --max-spare=8 \
    --max-conn-per-child=1000000 --socketpath="$dir/spamd.sock" --syslog=stderr \
    > "$dir/spamd.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 300); do
    [ -S "$dir/clamd.sock" ] && [ -S "$dir/spamd.sock" ] && break
    sleep 0.1
done
sleep 2  # let spamd's children come up before measuring
echo "niceness $(nice), $(nproc) CPUs, $(uname -sr)"
${BENCH_WRAPPER:-} "$bench" --spamd "$dir/spamd.sock" --clamd "$dir/clamd.sock" \
    --daemon-pid "${pids[0]}" --daemon-pid "${pids[1]}" "$@"
