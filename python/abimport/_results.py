"""The array results of Deck.nodes() and Deck.shells()."""

from typing import NamedTuple

import numpy


class Nodes(NamedTuple):
    """Every reference-geometry node of a deck, one row per node."""

    nid: numpy.ndarray
    """Node numbers, int32, shape (n,)."""
    xyz: numpy.ndarray
    """Coordinates, float64, shape (n, 3)."""
    keyword: numpy.ndarray
    """Index into Deck.keywords of the node's keyword, int32, shape (n,)."""
    birth: numpy.ndarray
    """The keyword's birth time, float64, shape (n,); NaN where it has none."""


class Shells(NamedTuple):
    """Every shell reference-geometry element of a deck, one row per element."""

    eid: numpy.ndarray
    """Element numbers, int32, shape (n,)."""
    pid: numpy.ndarray
    """Part numbers, int32, shape (n,)."""
    nodes: numpy.ndarray
    """Node numbers N1 to N4, int32, shape (n, 4); N4 equals N3 for a triangle."""
