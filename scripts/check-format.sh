#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what .clang-format makes of it,
# and names the files (clang-format-14 -i FILE mends one).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/require-packages.sh clang-format-14
mapfile -t files < <(git ls-files '*.cpp' '*.h')
bad=()
for f in "${files[@]}"; do
  clang-format-14 --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -ne 0 ]; then
  echo "Not formatted as .clang-format asks (clang-format-14 -i mends them):" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "clang-format: ${#files[@]} files match"
