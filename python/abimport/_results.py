"""The array results of Deck.nodes() and Deck.shells()."""

import typing

import numpy
import numpy.typing


class Nodes(typing.NamedTuple):
    """Every reference-geometry node of a deck, one row per node."""

    nid: numpy.typing.NDArray[numpy.int32]
    """Node numbers, int32, shape (n,)."""
    xyz: numpy.typing.NDArray[numpy.float64]
    """Coordinates, float64, shape (n, 3)."""
    keyword: numpy.typing.NDArray[numpy.int32]
    """Index into Deck.keywords of the node's keyword, int32, shape (n,)."""
    birth: numpy.typing.NDArray[numpy.float64]
    """The keyword's birth time, float64, shape (n,); NaN where it has none."""


class Shells(typing.NamedTuple):
    """Every shell reference-geometry element of a deck, one row per element."""

    eid: numpy.typing.NDArray[numpy.int32]
    """Element numbers, int32, shape (n,)."""
    pid: numpy.typing.NDArray[numpy.int32]
    """Part numbers, int32, shape (n,)."""
    nodes: numpy.typing.NDArray[numpy.int32]
    """Node numbers N1 to N4, int32, shape (n, 4); N4 equals N3 for a triangle."""
