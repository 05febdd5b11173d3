#!/usr/bin/env bash
# Checks that a host built from examples/host/deckloop.cpp names the keywords
# that the abimport tool imports from each deck (file and line, as the
# write-back's "$ FILE:LINE" comments give them) and prints the warnings the
# tool prints:
#   scripts/compare-example-deckloop.sh HOST ABIMPORT DECK...
set -euo pipefail
host=${1:?host} tool=${2:?abimport}
shift 2
for deck in "$@"; do
  diff -u <("$tool" "$deck" 2>/dev/null | sed -n 's/^[$] \(.*:[0-9]*\)$/\1/p') \
          <("$host" "$deck" 2>/dev/null | sed -n 's/: [*].*//p') ||
    { echo "$host names other keywords of $deck than abimport" >&2; exit 1; }
  diff -u <("$tool" -q "$deck" 2>&1) <("$host" "$deck" 2>&1 >/dev/null) ||
    { echo "$host prints other warnings for $deck than abimport" >&2; exit 1; }
done
