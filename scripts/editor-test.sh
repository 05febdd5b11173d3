#!/usr/bin/env bash
# The editor test: Neovim, headless, with its built-in LSP client running
# `abimport lsp` (tests/editor/init.lua) on a deck with known problems
# (tests/editor/model/). What the client received is compared with
# tests/editor/expected.txt; the deck's folder is written {dir} there.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${1:?usage: scripts/editor-test.sh ABIMPORT}
tool=$(realpath "$tool")
work=$(mktemp -d /tmp/abimport-editor.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp -r tests/editor/model "$work/model"
# A home of its own: no user configuration, state or log of Neovim's is read or left.
HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state \
  XDG_CACHE_HOME=$work/cache ABIMPORT=$tool ABIMPORT_EDITOR_OUT=$work/received \
  timeout 120 nvim --headless --clean -u tests/editor/init.lua "$work/model/main.k" </dev/null
sed "s|$work/model|{dir}|g" "$work/received" > "$work/received.txt"
if diff -u tests/editor/expected.txt "$work/received.txt"; then
  echo "editor test: Neovim received what tests/editor/expected.txt says"
  echo "1 passed, 0 failed"
else
  echo "editor test: Neovim received something else (diff above)" >&2
  echo "0 passed, 1 failed"
  exit 1
fi
