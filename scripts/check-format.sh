#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted with the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
[ -z "$files" ] && exit 0
echo "$files" | xargs clang-format-14 --dry-run --Werror
echo "format: $(echo "$files" | wc -l) files clean"
