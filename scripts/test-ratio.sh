#!/usr/bin/env bash
# Prints the lines of the tests and of the code they test, and their ratio.
# A line counts when it is not blank and not only a comment (// or a /* */
# block in C++, # in Python). Tests: the C++ files under tests/ and the
# Python files under tests/python/. Code: the C++ and Python files of the
# source folders below.
# Python files without a suffix are known by their first line.
set -euo pipefail
cd "$(dirname "$0")/.."

code_dirs=(model frame keywords host output edit compare memory tools python lsp bench examples)

# Prints the tracked C++ and Python source files under the folders given,
# each after its kind.
sources() {
  git ls-files -- "$@" | while IFS= read -r f; do
    case "$f" in
      *.cpp | *.h | *.cc | *.hpp) echo "cpp $f" ;;
      *.py | *.pyi) echo "py $f" ;;
      *.*) ;;
      *) head -n1 "$f" | grep -q '^#!.*python' && echo "py $f" ;;
    esac
  done
}

# Counts the lines that hold code in the files listed on standard input.
count() {
  local total=0 kind f n
  while read -r kind f; do
    if [ "$kind" = py ]; then
      n=$(grep -cvE '^[[:space:]]*(#|$)' "$f" || true)
    else
      n=$(awk '
        {
          line = $0
          if (inblock) {
            end = index(line, "*/")
            if (!end) next
            line = substr(line, end + 2)
            inblock = 0
          }
          while (match(line, /^[[:space:]]*\/\*/)) {
            rest = substr(line, RLENGTH + 1)
            end = index(rest, "*/")
            if (!end) { inblock = 1; line = ""; break }
            line = substr(rest, end + 2)
          }
          if (line ~ /^[[:space:]]*(\/\/.*)?$/) next
          lines++
        }
        END { print lines + 0 }' "$f")
    fi
    total=$((total + n))
  done
  echo "$total"
}

tests=$(sources tests | awk '$1 == "cpp" || $2 ~ /^tests\/python\// ' | count)
code=$(sources "${code_dirs[@]}" | count)
echo "tests: $tests lines"
echo "code:  $code lines"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio: %.3f\n", t / c }'
