#!/usr/bin/env bash
# The screenshot of docs/editor.md and the README: Neovim in a tmux pane of
# 120x22 with abimport lsp on tests/editor/model/main.k (a diagnostic beside
# each line with a problem, the hover of a field open), captured with its
# colours by tmux capture-pane and drawn to a PNG by scripts/ansi-to-png.py.
#   scripts/editor-screenshot.sh ABIMPORT [OUT.png]   (default docs/editor-neovim.png)
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(realpath "${1:?usage: scripts/editor-screenshot.sh ABIMPORT [OUT.png]}")
out=${2:-docs/editor-neovim.png}
scripts/require-packages.sh neovim tmux python3-matplotlib fonts-dejavu-core
work=$(mktemp -d /tmp/abimport-screenshot.XXXXXX)
session=abimport-screenshot-$$
trap 'tmux kill-session -t "$session" 2>/dev/null || true; rm -rf "$work"' EXIT
cp -r tests/editor/model "$work/model"
tmux new-session -d -s "$session" -x 120 -y 22 \
  "env HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state \
   XDG_CACHE_HOME=$work/cache TERM=xterm-256color ABIMPORT=$tool \
   nvim --clean -u $PWD/tests/editor/screenshot.lua $work/model/main.k"
# The hover opens once the diagnostics are in; give the screen a moment after.
for _ in $(seq 100); do
  tmux capture-pane -t "$session" -p | grep -q 'reads as' && break
  sleep 0.1
done
sleep 0.5
tmux capture-pane -t "$session" -e -p > "$work/screen.ansi"
/usr/bin/python3 scripts/ansi-to-png.py "$work/screen.ansi" "$out"
echo "wrote $out"
