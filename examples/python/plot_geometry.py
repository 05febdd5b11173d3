#!/usr/bin/env python3
"""Draws the airbag reference geometry of a deck: the shell elements as
polygons over the nodes, seen from above (x, y), in a PNG.

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
    """The x, y corners of each shell element; a triangle repeats N3 as N4."""
    row_of = {int(nid): row for row, nid in enumerate(nodes.nid)}
    polygons = []
    for corners in shells.nodes:
        rows = [row_of[int(n)] for n in dict.fromkeys(corners) if int(n) in row_of]
        if len(rows) >= 3:
            polygons.append(nodes.xyz[rows, :2])
    return polygons


def main(deck_path, output):
    deck = abimport.read(deck_path)
    nodes, shells = deck.nodes(), deck.shells()
    figure, axes = plt.subplots(figsize=(6, 6))
    axes.add_collection(PolyCollection(element_polygons(nodes, shells), facecolors="#9ecae1",
                                       edgecolors="#3182bd", linewidths=0.8))
    born = ~numpy.isnan(nodes.birth)
    axes.scatter(nodes.xyz[~born, 0], nodes.xyz[~born, 1], s=12, color="#08306b", zorder=3,
                 label="node")
    if born.any():
        axes.scatter(nodes.xyz[born, 0], nodes.xyz[born, 1], s=40, marker="*",
                     color="#d94801", zorder=4, label="node with birth time")
    for nid, (x, y, _) in zip(nodes.nid, nodes.xyz):
        axes.annotate(str(nid), (x, y), fontsize=6, xytext=(2, 2), textcoords="offset points")
    axes.set_aspect("equal")
    axes.autoscale_view()
    axes.set_xlabel("x")
    axes.set_ylabel("y")
    axes.set_title("%s: %d nodes, %d shells" % (deck_path, len(nodes.nid), len(shells.eid)))
    axes.margins(0.06)
    figure.legend(loc="lower center", ncol=2, fontsize=8, frameon=False)
    figure.tight_layout(rect=(0, 0.04, 1, 1))
    figure.savefig(output, dpi=100)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    main(sys.argv[1], sys.argv[2])
