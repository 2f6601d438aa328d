#!/bin/sh
# Checks that every C and C++ source of the repository is laid out as .clang-format says: lists
# the files that are not and fails. `scripts/check-format.sh --fix` rewrites them instead.
set -eu
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null 2>&1 || scripts/install-deps.sh --test
files=$(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = "--fix" ]; then
    echo "$files" | xargs clang-format -i
    exit 0
fi
if ! echo "$files" | xargs clang-format --dry-run --Werror 2>/dev/null; then
    echo "check-format: these files differ from .clang-format (fix: scripts/check-format.sh --fix):" >&2
    for f in $files; do
        clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "  $f" >&2
    done
    exit 1
fi
echo "check-format: $(echo "$files" | wc -l) files laid out as .clang-format says" >&2
