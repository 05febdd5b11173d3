#!/usr/bin/env bash
# Fills a fuzzer's corpus folder with seeds. For the deck fuzzer: the
# checked-in seeds of fuzz/seeds as they are, and every *.k deck of examples/
# and tests/ behind a first byte of 0x16 (the default host flag word: names,
# cards and ID reports). For the language server's (--lsp): the seeds of
# fuzz/lsp-seeds, and every deck followed by a "%%" line and a script of
# actions that opens it, edits it and asks about it.
# Entries from earlier runs stay.
set -euo pipefail
lsp=false
if [ "${1:-}" = --lsp ]; then lsp=true; shift; fi
[ $# -eq 1 ] || { echo "usage: $0 [--lsp] CORPUS_DIR" >&2; exit 2; }
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$1"
mkdir -p "$corpus"
if $lsp; then cp "$root"/fuzz/lsp-seeds/* "$corpus"/; else cp "$root"/fuzz/seeds/* "$corpus"/; fi
count=0
while IFS= read -r -d '' deck; do
  name="deck-$(printf '%s' "${deck#"$root"/}" | tr '/' '-')"
  if $lsp; then
    { cat "$deck"; printf '\n%%%%\n\x00\x02\x00\x03\x05\x01\x02\x04\x03\x00\x31\x02\x04\x04\x02\x02\x06\x04'; } > "$corpus/$name"
  else
    { printf '\x16'; cat "$deck"; } > "$corpus/$name"
  fi
  count=$((count + 1))
done < <(find "$root/examples" "$root/tests" -name '*.k' -type f -print0 2>/dev/null)
echo "corpus $corpus: $(ls "$corpus" | wc -l) entries ($count decks from examples/ and tests/)"
