#!/usr/bin/env python3
"""Writes the airbag reference geometry of a deck as a VTU file for ParaView:
the shell elements as quads (triangles where N4 repeats N3), with the node
numbers, birth times and element and part numbers as data.

Usage: to_vtu.py DECK OUTPUT.vtu
"""

import sys

import meshio
import numpy

import abimport


def geometry_mesh(deck):
    nodes, shells = deck.nodes(), deck.shells()
    row_of = numpy.full(int(nodes.nid.max(initial=0)) + 1, -1, dtype=numpy.int64)
    row_of[nodes.nid] = numpy.arange(len(nodes.nid))
    corners = row_of[shells.nodes]
    known = (corners >= 0).all(axis=1)
    triangle = known & (shells.nodes[:, 2] == shells.nodes[:, 3])
    quad = known & ~triangle
    blocks = [(kind, rows, count) for kind, rows, count
              in (("quad", quad, 4), ("triangle", triangle, 3)) if rows.any()]
    return meshio.Mesh(
        nodes.xyz, [(kind, corners[rows][:, :count]) for kind, rows, count in blocks],
        point_data={"nid": nodes.nid, "birth": nodes.birth},
        cell_data={"eid": [shells.eid[rows] for _, rows, _ in blocks],
                   "pid": [shells.pid[rows] for _, rows, _ in blocks]})

if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    geometry_mesh(abimport.read(sys.argv[1])).write(sys.argv[2])
