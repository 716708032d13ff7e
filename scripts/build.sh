#!/usr/bin/env bash
# scripts/build.sh: installs what the build needs (Debian 12, as root), builds, and then
#   demo      runs the demo on a fresh default server tree (./mtafilter-demo)
#   test      runs the whole test suite
#   sanitize  builds with AddressSanitizer and UndefinedBehaviorSanitizer and runs the tests
#   tsan      builds with ThreadSanitizer and runs the tests
#   windows   cross-builds MTAFILTER.DLL, mtafilter.exe and the tests with mingw-w64 into
#             build-windows/ and runs them under Wine (scripts/windows.sh)
set -euo pipefail

mode=${1:-test}
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config libsqlite3-dev sqlite3 libgtest-dev
          libgmock-dev libbenchmark-dev libpcre2-dev binutils clang-format python3
          clang libclang-rt-14-dev
          libc-ares-dev dnsmasq-base libopendkim-dev openssl
          clamav clamav-daemon clamdscan spamassassin spamd spamc)
# Only the windows leg needs the cross compiler and Wine.
if [ "$mode" = windows ]; then
    packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 clang-format)
fi

install_packages() {
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        echo "build.sh: all packages present" >&2
        return
    fi
    if [ "$(id -u)" -ne 0 ]; then
        echo "build.sh: missing packages: ${missing[*]}; run this script as root, or install them with apt-get" >&2
        exit 1
    fi
    echo "build.sh: installing ${missing[*]}" >&2
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {  # build DIR [cmake options...]
    local dir=$1
    shift
    echo "build.sh: configuring $dir" >&2
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    echo "build.sh: building $dir" >&2
    cmake --build "$dir" -j "$(nproc)"
}

run_tests() {  # run_tests DIR
    echo "build.sh: running the tests in $1" >&2
    ctest --test-dir "$1" --output-on-failure -j "$(nproc)" --timeout 600
}

install_packages
case "$mode" in
    demo)
        build build
        ./build/mtafilter demo mtafilter-demo
        ;;
    test)
        build build
        run_tests build
        ;;
    sanitize)
        build build-sanitize -DCMAKE_BUILD_TYPE=Debug -DMTAFILTER_SANITIZE=ON -DMTAFILTER_BENCH=OFF
        ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_tests build-sanitize
        ;;
    tsan)
        build build-tsan -DCMAKE_BUILD_TYPE=Debug -DMTAFILTER_TSAN=ON -DMTAFILTER_BENCH=OFF
        TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_tests build-tsan
        ;;
    windows)
        bash scripts/windows.sh
        ;;
    *)
        echo "usage: scripts/build.sh demo|test|sanitize|tsan|windows" >&2
        exit 2
        ;;
esac
