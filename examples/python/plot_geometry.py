#!/usr/bin/env python3
"""Draws the airbag reference geometry of a deck: the shell elements as
polygons over the nodes, seen from above (x, y), in a PNG. Node numbers are
written beside the nodes when there are few enough to read.

Usage: plot_geometry.py DECK OUTPUT.png
"""

import sys

import matplotlib

matplotlib.use("Agg")  # draws to a file; no display needed
import matplotlib.pyplot as plt
import numpy
from matplotlib.collections import PolyCollection

import abimport


def element_polygons(nodes, shells):
    """The x, y corners of each shell element whose nodes all exist; a
    triangle has N4 blank (0) or repeats N3."""
    row_of = {nid: row for row, nid in enumerate(nodes.nid.tolist())}
    polygons = []
    for corners in shells.nodes.tolist():
        if corners[3] in (0, corners[2]):
            corners = corners[:3]
        if all(n in row_of for n in corners):
            polygons.append(nodes.xyz[[row_of[n] for n in corners], :2])
    return polygons


def counted(number, noun):
    return "%d %s%s" % (number, noun, "" if number == 1 else "s")


# Node numbers are written up to this many nodes; beyond, they overlap.
MOST_LABELS = 60


def draw(deck):
    """The figure of the deck's geometry, with the numbers of nodes and shells it shows."""
    nodes, shells = deck.nodes(), deck.shells()
    if len(nodes.nid) == 0:
        raise ValueError("%s holds no reference geometry nodes" % deck.path)
    polygons = element_polygons(nodes, shells)
    figure, axes = plt.subplots(figsize=(6, 6))
    axes.add_collection(PolyCollection(polygons, facecolors="#9ecae1",
                                       edgecolors="#3182bd", linewidths=0.8))
    born = ~numpy.isnan(nodes.birth)
    axes.scatter(nodes.xyz[~born, 0], nodes.xyz[~born, 1], s=12, color="#08306b", zorder=3,
                 label="node")
    if born.any():
        axes.scatter(nodes.xyz[born, 0], nodes.xyz[born, 1], s=40, marker="*",
                     color="#d94801", zorder=4, label="node with birth time")
    if len(nodes.nid) <= MOST_LABELS:
        for nid, (x, y, _) in zip(nodes.nid, nodes.xyz):
            axes.annotate(str(nid), (x, y), fontsize=6, xytext=(2, 2), textcoords="offset points")
    axes.set_aspect("equal")
    axes.autoscale_view()
    axes.set_xlabel("x")
    axes.set_ylabel("y")
    shown = "%s, %s" % (counted(len(nodes.nid), "node"), counted(len(polygons), "shell"))
    if len(polygons) < len(shells.eid):
        shown += " (%s naming nodes it lacks)" % counted(len(shells.eid) - len(polygons), "shell")
    axes.set_title("%s: %s" % (deck.path, shown), fontsize=9)
    axes.margins(0.06)
    figure.legend(loc="lower center", ncol=2, fontsize=8, frameon=False)
    figure.tight_layout(rect=(0, 0.04, 1, 1))
    return figure, shown


def main(deck_path, output):
    try:
        figure, shown = draw(abimport.read(deck_path))
    except (OSError, ValueError) as error:
        sys.exit("plot_geometry.py: %s" % error)
    figure.savefig(output, dpi=100)
    print("%s: %s" % (output, shown))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    main(sys.argv[1], sys.argv[2])
