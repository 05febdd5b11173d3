#!/usr/bin/env python3
"""Writes the airbag reference geometry of a deck as a VTU file for ParaView:
the shell elements as quads, and as triangles where N4 is blank (0) or repeats
N3, with the node numbers, birth times and element and part numbers as data.
Shells that name a node the reference geometry lacks are left out and
counted on standard error.

Usage: to_vtu.py DECK OUTPUT.vtu
"""

import sys

import meshio
import numpy

import abimport


def geometry_mesh(deck):
    """The mesh, and the number of shells left out for nodes it lacks."""
    nodes, shells = deck.nodes(), deck.shells()
    if len(nodes.nid) == 0:
        raise ValueError("%s holds no reference geometry nodes" % deck.path)
    # Node number to row; numbers outside the table name no node.
    row_of = numpy.full(int(nodes.nid.max()) + 1, -1, dtype=numpy.int64)
    valid = nodes.nid >= 0
    row_of[nodes.nid[valid]] = numpy.arange(len(nodes.nid))[valid]
    inside = (shells.nodes >= 0) & (shells.nodes < len(row_of))
    corners = numpy.full(shells.nodes.shape, -1, dtype=numpy.int64)
    corners[inside] = row_of[shells.nodes[inside]]
    triangle = (shells.nodes[:, 3] == 0) | (shells.nodes[:, 3] == shells.nodes[:, 2])
    known = (corners[:, :3] >= 0).all(axis=1) & (triangle | (corners[:, 3] >= 0))
    blocks = [(kind, rows, count) for kind, rows, count
              in (("quad", known & ~triangle, 4), ("triangle", known & triangle, 3)) if rows.any()]
    mesh = meshio.Mesh(
        nodes.xyz, [(kind, corners[rows][:, :count]) for kind, rows, count in blocks],
        point_data={"nid": nodes.nid, "birth": nodes.birth},
        cell_data={"eid": [shells.eid[rows] for _, rows, _ in blocks],
                   "pid": [shells.pid[rows] for _, rows, _ in blocks]})
    return mesh, int((~known).sum())


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    try:
        mesh, left_out = geometry_mesh(abimport.read(sys.argv[1]))
    except (OSError, ValueError) as error:
        sys.exit("to_vtu.py: %s" % error)
    if left_out:
        print("to_vtu.py: shells naming nodes that the reference geometry lacks, left out: %d"
              % left_out, file=sys.stderr)
    mesh.write(sys.argv[2])
