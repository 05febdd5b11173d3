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


def by_field(card, name, position):
    if card.field_names:
        return card.get(name)
    return card.values[position] if position < len(card) else None


def expected_nodes(deck):
    rows = []
    for k, keyword in enumerate(deck):
        if not 4 <= keyword.code <= 7:
            continue
        birth = math.nan
        births = [c for c in keyword.cards if c.name == "BirthCard"]
        if keyword.code in (5, 6) and births and by_field(births[0], "BIRTH", 0) is not None:
            birth = by_field(births[0], "BIRTH", 0)
        for card in keyword.cards:
            nid = by_field(card, "NID", 0) if card.name == "NodeInfo" else None
            if isinstance(nid, int):
                xyz = [by_field(card, axis, 1 + i) or 0.0 for i, axis in enumerate("XYZ")]
                rows.append((nid, xyz, k, birth))
    return rows


@pytest.mark.parametrize("flags", [0x16, 0x14], ids=hex)
@pytest.mark.parametrize("source", ["examples/airbags.k", "examples/airbags-comma.k",
                                    "examples/model/main.k", "tests/golden/geometry.k",
                                    "the deck above"])
def test_node_and_shell_arrays_hold_the_cards(source, flags):
    if source == "the deck above":
        deck = abimport.read_text(GEOMETRY, flags=flags)
    else:
        deck = abimport.read(os.path.join(ROOT, source), flags=flags)
    nodes = deck.nodes()
    rows = expected_nodes(deck)
    assert [a.dtype for a in nodes] == [numpy.int32, numpy.float64, numpy.int32, numpy.float64]
    assert nodes.xyz.shape == (len(rows), 3)
    assert nodes.nid.tolist() == [r[0] for r in rows]
    assert nodes.xyz.tolist() == [r[1] for r in rows]
    assert nodes.keyword.tolist() == [r[2] for r in rows]
    numpy.testing.assert_array_equal(nodes.birth, [r[3] for r in rows])

    shells = deck.shells()
    cards = [c for k in deck if k.code == 8 for c in k.cards if isinstance(by_field(c, "EID", 0), int)]
    assert [a.dtype for a in shells] == [numpy.int32] * 3
    assert shells.eid.tolist() == [by_field(c, "EID", 0) for c in cards]
    assert shells.pid.tolist() == [by_field(c, "PID", 1) or 0 for c in cards]
    assert shells.nodes.tolist() == [[by_field(c, "N%d" % n, 1 + n) or 0 for n in range(1, 5)]
                                     for c in cards]


def test_geometry_rules():
    # Spelled out for the deck above: short lines give 0, the empty line gives
    # no node, births by keyword.
    deck = abimport.read_text(GEOMETRY)
    nodes, shells = deck.nodes(), deck.shells()
    assert nodes.nid.tolist() == [1, 2, 3, 4, 5, 6]
    assert nodes.xyz.tolist() == [[1.5, 2.5, 3.5], [4.0, 0, 0], [0, 0, 9.0], [1, 1, 1], [2, 2, 2],
                                  [7, 8, 9]]
    assert nodes.keyword.tolist() == [0, 0, 0, 1, 2, 3]
    numpy.testing.assert_array_equal(nodes.birth, [math.nan] * 3 + [0.25] + [math.nan] * 2)
    assert shells.eid.tolist() == [100, 101]
    assert shells.nodes.tolist() == [[1, 2, 3, 4], [2, 5, 0, 0]]


def test_empty_geometry():
    nodes, shells = abimport.read_text("*KEYWORD\n*END\n").nodes(), abimport.read_text("").shells()
    assert nodes.xyz.shape == (0, 3) and shells.nodes.shape == (0, 4)
