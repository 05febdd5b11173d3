"""Renders a terminal screen captured with `tmux capture-pane -e -p` (text
with ANSI colour escapes) to a PNG, one monospace cell per character.

    /usr/bin/python3 scripts/ansi-to-png.py SCREEN.ansi OUT.png
"""
import re
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.patches import Rectangle  # noqa: E402

BASE = ["#1d1f21", "#cc6666", "#b5bd68", "#f0c674", "#81a2be", "#b294bb", "#8abeb7", "#c5c8c6",
        "#666666", "#d54e53", "#b9ca4a", "#e7c547", "#7aa6da", "#c397d8", "#70c0b1", "#eaeaea"]
DEFAULT_FG, DEFAULT_BG = "#d0d0d0", "#1d1f21"


def xterm256(n):
    if n < 16:
        return BASE[n]
    if n < 232:
        n -= 16
        levels = [0, 95, 135, 175, 215, 255]
        return "#%02x%02x%02x" % (levels[n // 36], levels[n // 6 % 6], levels[n % 6])
    grey = 8 + (n - 232) * 10
    return "#%02x%02x%02x" % (grey, grey, grey)


def parse(text):
    """Yields rows of cells (char, fg, bg, bold, underline)."""
    fg, bg, bold, reverse, under = DEFAULT_FG, DEFAULT_BG, False, False, False
    rows = []
    for line in text.split("\n"):
        row = []
        for part in re.split(r"(\x1b\[[0-9;:]*m)", line):
            if part.startswith("\x1b["):
                codes = [int(c) if c else 0 for c in re.split("[;:]", part[2:-1])] or [0]
                i = 0
                while i < len(codes):
                    c = codes[i]
                    if c == 0:
                        fg, bg, bold, reverse, under = DEFAULT_FG, DEFAULT_BG, False, False, False
                    elif c == 4:
                        under = True
                        if i + 1 < len(codes) and ":" in part:
                            i += 1  # the style of a colon form (4:3, curly)
                    elif c == 24:
                        under = False
                    elif c == 1:
                        bold = True
                    elif c == 22:
                        bold = False
                    elif c == 7:
                        reverse = True
                    elif c == 27:
                        reverse = False
                    elif 30 <= c <= 37:
                        fg = BASE[c - 30]
                    elif 90 <= c <= 97:
                        fg = BASE[c - 90 + 8]
                    elif 40 <= c <= 47:
                        bg = BASE[c - 40]
                    elif 100 <= c <= 107:
                        bg = BASE[c - 100 + 8]
                    elif c == 39:
                        fg = DEFAULT_FG
                    elif c == 49:
                        bg = DEFAULT_BG
                    elif c in (38, 48) and i + 1 < len(codes):
                        if codes[i + 1] == 5 and i + 2 < len(codes):
                            colour = xterm256(codes[i + 2])
                            i += 2
                        elif codes[i + 1] == 2 and i + 4 < len(codes):
                            colour = "#%02x%02x%02x" % tuple(codes[i + 2:i + 5])
                            i += 4
                        else:
                            colour = None
                        if colour and c == 38:
                            fg = colour
                        elif colour:
                            bg = colour
                    i += 1
                continue
            for ch in part:
                row.append((ch, bg if reverse else fg, fg if reverse else bg, bold, under))
        rows.append(row)
    while rows and not rows[-1]:
        rows.pop()
    return rows


def render(rows, out, columns):
    cell_w, cell_h = 0.6, 1.2
    fig = plt.figure(figsize=(columns * cell_w * 0.16, len(rows) * cell_h * 0.16), dpi=120)
    ax = fig.add_axes([0, 0, 1, 1])
    ax.set_xlim(0, columns * cell_w)
    ax.set_ylim(len(rows) * cell_h, 0)
    ax.axis("off")
    ax.add_patch(Rectangle((0, 0), columns * cell_w, len(rows) * cell_h, color=DEFAULT_BG))
    for y, row in enumerate(rows):
        for x, (ch, fg, bg, bold, under) in enumerate(row):
            if bg != DEFAULT_BG:
                ax.add_patch(Rectangle((x * cell_w, y * cell_h), cell_w * 1.02, cell_h * 1.02,
                                       color=bg, linewidth=0))
            if under:
                ax.plot([x * cell_w, (x + 1) * cell_w], [(y + 0.95) * cell_h] * 2, color=fg,
                        linewidth=1)
            if ch.strip():
                ax.text(x * cell_w, (y + 0.8) * cell_h, ch, color=fg, family="DejaVu Sans Mono",
                        fontsize=cell_w * 0.16 * 72 / 0.6, fontweight="bold" if bold else "normal")
    fig.savefig(out, facecolor=DEFAULT_BG)


def main():
    text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
    rows = parse(text)
    render(rows, sys.argv[2], max(len(r) for r in rows))


if __name__ == "__main__":
    main()
