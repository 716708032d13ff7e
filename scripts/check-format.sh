#!/usr/bin/env bash
# scripts/check-format.sh: fails when a C++ source file deviates from .clang-format.
# Fix what it lists with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
    echo "check-format.sh: clang-format is missing; install it with: apt-get install clang-format" >&2
    exit 1
fi
bad=()
while IFS= read -r file; do
    clang-format --dry-run -Werror "$file" >/dev/null 2>&1 || bad+=("$file")
done < <(git ls-files '*.cpp' '*.h' '*.hpp' '*.c' '*.cc')
if [ ${#bad[@]} -ne 0 ]; then
    echo "check-format.sh: ${#bad[@]} file(s) deviate from .clang-format:" >&2
    printf '  %s\n' "${bad[@]}" >&2
    echo "check-format.sh: run: clang-format -i FILE... (see the command at the top of this script)" >&2
    exit 1
fi
echo "check-format.sh: all files follow .clang-format" >&2
