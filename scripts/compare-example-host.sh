#!/usr/bin/env bash
# Checks that a host built from examples/host/ writes each deck back with the
# same keywords, cards and values as the abimport tool, includes followed:
#   scripts/compare-example-host.sh HOST ABIMPORT DECK...
# The comment lines are left out of the comparison (the tool names where each
# keyword came from and writes a header of field names once per run of cards,
# the example, printing each card's own text, once per card), and so is the
# form of a number (the write-back's "1.0" is the card text's "1."): each line
# is compared as its words, numbers by value.
set -euo pipefail
host=${1:?host} tool=${2:?abimport}
shift 2
values() { awk '{ for (i = 1; i <= NF; i++) printf "%s%s", (i > 1 ? " " : ""), \
  ($i ~ /^[-+]?[0-9.]+([eE][-+]?[0-9]+)?$/ ? sprintf("%.17g", $i) : $i); print "" }'; }
for deck in "$@"; do
  expected=$("$tool" "$deck" 2>/dev/null | grep -v '^\$' | values)
  written=$("$host" "$deck" 2>/dev/null | grep -v '^\$' | values) ||
    { echo "$host failed on $deck" >&2; exit 1; }
  diff -u <(echo "$expected") <(echo "$written") ||
    { echo "$host writes $deck differently from abimport" >&2; exit 1; }
done
