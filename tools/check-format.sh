#!/usr/bin/env bash
# Checks that every C++ file of the repository is laid out as .clang-format says (Debian's
# clang-format 14); prints what it would change and fails if anything. `--fix` applies it instead.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-dependencies.sh format

mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
    echo "Layout: ${#files[@]} C++ files as .clang-format says"
fi
