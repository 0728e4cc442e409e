#!/usr/bin/env bash
# Formats the C++ sources with the repository's .clang-format.
#   tools/format.sh              formats every tracked source in place
#   tools/format.sh FILE...      formats the given files in place
#   tools/format.sh --check      changes nothing; lists each file that differs and fails if any does
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}
check=false
if [ "${1:-}" = "--check" ]; then
    check=true
    shift
fi
if [ $# -gt 0 ]; then
    files=("$@")
elif git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t files < <(find skedra tests bench examples -name '*.cpp' -o -name '*.h' | sort)
fi
if ! $check; then
    "$clang_format" -i "${files[@]}"
    exit 0
fi
# One run over all files; each difference is reported as "file:line:col: error: ...".
status=0
report=$("$clang_format" --dry-run --Werror "${files[@]}" 2>&1 >/dev/null) || status=$?
if [ $status -ne 0 ]; then
    mapfile -t differing < <(sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*/\1/p' <<<"$report" | sort -u)
    if [ ${#differing[@]} -eq 0 ]; then
        echo "$report" >&2
        exit $status
    fi
    echo "Not formatted with .clang-format ($($clang_format --version)); run tools/format.sh:" >&2
    printf '  %s\n' "${differing[@]}" >&2
    exit 1
fi
echo "Formatting: ${#files[@]} files as .clang-format has them."
