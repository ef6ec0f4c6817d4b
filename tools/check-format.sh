#!/usr/bin/env bash
# Fails when a C++ file differs from what clang-format makes of it with the committed .clang-format.
# Mend with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -eu
cd "$(dirname "$0")/.."
git ls-files -co --exclude-standard -- '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "Format: every C++ file matches .clang-format."
