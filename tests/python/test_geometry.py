"""nodes() and shells(): the arrays hold what the geometry cards hold, under
the documented rules for cards without some values."""

import math
import os

import numpy
import pytest

import abimport
from conftest import ROOT

def node_line(*fields):
    """A node line in the 8/16/16/16 columns; None leaves a field blank."""
    widths = (8, 16, 16, 16)
    return "".join(("" if f is None else str(f)).rjust(w) for f, w in zip(fields, widths)).rstrip()


GEOMETRY = "\n".join([
    "*AIRBAG_REFERENCE_GEOMETRY",
    node_line(1, 1.5, 2.5, 3.5),
    node_line(2, 4.0),
    node_line(3, None, None, 9.0),
    "",
    "*AIRBAG_REFERENCE_GEOMETRY_BIRTH",
    "     0.25",
    node_line(4, 1.0, 1.0, 1.0),
    "*AIRBAG_REFERENCE_GEOMETRY_BIRTH_RDT",
    "",
    node_line(5, 2.0, 2.0, 2.0),
    "*AIRBAG_REFERENCE_GEOMETRY_RDT",
    "6,7.0,8.0,9.0",
    "*AIRBAG_SHELL_REFERENCE_GEOMETRY",
    "     100       7       1       2       3       4",
    "     101       8       2       5",
    "*AIRBAG_REFERENCE_GEOMETRY",
    "",
])


@pytest.mark.parametrize("source", ["examples/airbags.k", "examples/airbags-comma.k",
                                    "examples/model/main.k", "tests/golden/geometry.k"])
def test_node_and_shell_arrays_hold_the_cards(source):
    deck = abimport.read(os.path.join(ROOT, source))
    nodes, shells = deck.nodes(), deck.shells()
    cards = [(k, c) for k, keyword in enumerate(deck) if 4 <= keyword.code <= 7
             for c in keyword.cards if c.name == "NodeInfo" and isinstance(c.get("NID"), int)]
    assert nodes.nid.tolist() == [c["NID"] for _, c in cards]
    assert nodes.xyz.tolist() == [[c.get(axis) or 0.0 for axis in "XYZ"] for _, c in cards]
    assert nodes.keyword.tolist() == [k for k, _ in cards]
    elements = [c for c in deck.cards() if c.name == "ShellInfo" and isinstance(c.get("EID"), int)]
    assert shells.eid.tolist() == [c["EID"] for c in elements]
    assert shells.pid.tolist() == [c.get("PID") or 0 for c in elements]
    assert shells.nodes.tolist() == [[c.get("N%d" % n) or 0 for n in range(1, 5)] for c in elements]


@pytest.mark.parametrize("flags", [0x16, 0x14], ids=hex)
def test_geometry_rules(flags):
    # Spelled out for the deck above, with field names and without: short
    # lines give 0, the empty line gives no node, births by keyword.
    deck = abimport.read_text(GEOMETRY, flags=flags)
    nodes, shells = deck.nodes(), deck.shells()
    assert [a.dtype for a in nodes] == [numpy.int32, numpy.float64, numpy.int32, numpy.float64]
    assert [a.dtype for a in shells] == [numpy.int32] * 3
    assert nodes.nid.tolist() == [1, 2, 3, 4, 5, 6]
    assert nodes.xyz.tolist() == [[1.5, 2.5, 3.5], [4.0, 0, 0], [0, 0, 9.0], [1, 1, 1], [2, 2, 2],
                                  [7, 8, 9]]
    assert nodes.keyword.tolist() == [0, 0, 0, 1, 2, 3]
    numpy.testing.assert_array_equal(nodes.birth, [math.nan] * 3 + [0.25] + [math.nan] * 2)
    assert shells.eid.tolist() == [100, 101] and shells.pid.tolist() == [7, 8]
    assert shells.nodes.tolist() == [[1, 2, 3, 4], [2, 5, 0, 0]]


def test_empty_geometry():
    nodes, shells = abimport.read_text("*KEYWORD\n*END\n").nodes(), abimport.read_text("").shells()
    assert nodes.xyz.shape == (0, 3) and shells.nodes.shape == (0, 4)
