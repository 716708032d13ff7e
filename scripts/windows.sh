#!/usr/bin/env bash
# scripts/windows.sh: the Windows leg (run by `scripts/build.sh windows`, which installs
# mingw-w64 and Wine first). Cross-builds MTAFILTER.DLL, mtafilter.exe and the Windows
# test programs into build-windows/, checks the DLL's exports and imports, then runs
# everything under Wine in a fresh prefix inside build-windows/ (never the user's own).
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-windows
wine=/usr/lib/wine/wine64
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2

echo "windows.sh: configuring $build" >&2
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DMTAFILTER_BENCH=OFF -DMTAFILTER_TESTS=ON >/dev/null
echo "windows.sh: building $build" >&2
cmake --build "$build" -j "$jobs"

echo "windows.sh: checking the DLL's exports and imports" >&2
dump=$(x86_64-w64-mingw32-objdump -p "$build/MTAFILTER.DLL")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk '/\[/ && NR > 1 {print $NF}' | sort | tr '\n' ' ')
if [ "$exports" != "ExecuteVBScript FilterCommand FilterExecute FilterInit FilterUnInit " ]; then
    echo "windows.sh: MTAFILTER.DLL exports '$exports', not exactly the five entry points" >&2
    exit 1
fi
imports=$(awk '/DLL Name:/ {print toupper($3)}' <<<"$dump" | sort -u | tr '\n' ' ')
for dll in $imports; do
    case "$dll" in
        ADVAPI32.DLL | KERNEL32.DLL | MSVCRT.DLL | OLE32.DLL | OLEAUT32.DLL | WS2_32.DLL) ;;
        *)
            echo "windows.sh: MTAFILTER.DLL imports $dll, which is not a system DLL" >&2
            exit 1
            ;;
    esac
done

export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installer dialogs while the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
echo "windows.sh: creating a fresh Wine prefix in $WINEPREFIX" >&2
rm -rf "$WINEPREFIX"
"$wine" wineboot --init >/dev/null 2>&1
/usr/lib/wine/wineserver -w

if [ -f "$build/CTestTestfile.cmake" ] && grep -q add_test "$build/CTestTestfile.cmake" 2>/dev/null ||
    ls "$build"/tests/CTestTestfile.cmake >/dev/null 2>&1; then
    echo "windows.sh: running the tests under Wine" >&2
    # One at a time: the tests share the one system registry of the prefix.
    ctest --test-dir "$build" --output-on-failure -j 1 --timeout 600
fi

echo "windows.sh: the demo tree through MTAFILTER.DLL under Wine" >&2
rm -rf "$build/demo"
(cd "$build" && "$wine" mtafilter.exe demo 'demo')
/usr/lib/wine/wineserver -w
