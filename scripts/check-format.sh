#!/usr/bin/env bash
# Fails, naming each file and line, where the code differs from what
# clang-format makes of it with the repository's .clang-format files.
set -euo pipefail
cd "$(dirname "$0")/.."

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "format: every file follows .clang-format"
