#!/usr/bin/env bash
# Fills the fuzzer's corpus folder with seeds: the checked-in seeds of fuzz/seeds
# as they are, and every *.k deck of examples/ and tests/ behind a first byte
# of 0x16 (the default host flag word: names, cards and ID reports).
# Entries from earlier runs stay.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 CORPUS_DIR" >&2; exit 2; }
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$1"
mkdir -p "$corpus"
cp "$root"/fuzz/seeds/* "$corpus"/
count=0
while IFS= read -r -d '' deck; do
  name="deck-$(printf '%s' "${deck#"$root"/}" | tr '/' '-')"
  { printf '\x16'; cat "$deck"; } > "$corpus/$name"
  count=$((count + 1))
done < <(find "$root/examples" "$root/tests" -name '*.k' -type f -print0 2>/dev/null)
echo "corpus $corpus: $(ls "$corpus" | wc -l) entries ($count decks from examples/ and tests/)"
