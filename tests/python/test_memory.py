"""Where the objects of an import come from: the extension's own operator new
and delete, which serve an import from the small-object heap and which no
other library of the process sees; freed decks give their memory back for
later imports."""

import ctypes
import ctypes.util

import pytest

import abimport
from abimport import _core
from conftest import node_deck

NODES = 20000


@pytest.mark.parametrize("symbol", [
    "_Znwm", "_Znam", "_ZdlPv", "_ZdaPv", "_ZdlPvm", "_ZnwmSt11align_val_t", "_ZdlPvSt11align_val_t",
])
def test_operators_stay_inside_the_extension(symbol):
    # Looked up through the extension's handle, an operator its dynamic symbol
    # table exported would be found there first; it must be the C++
    # library's, which everyone else in the process uses.
    extension = ctypes.CDLL(_core.__file__)
    library = ctypes.CDLL(ctypes.util.find_library("stdc++") or "libstdc++.so.6")
    address = ctypes.cast(getattr(extension, symbol), ctypes.c_void_p).value
    assert address == ctypes.cast(getattr(library, symbol), ctypes.c_void_p).value


def test_reads_in_a_row_reuse_the_memory_of_freed_decks(tmp_path):
    path = tmp_path / "nodes.k"
    path.write_bytes(node_deck(NODES))
    deck = abimport.read(path)
    expected = deck.nodes()
    # Seven heap objects a node card, about 370 bytes, live in the heap (which
    # may have held them for earlier decks).
    assert _core._heap_claimed_bytes() >= NODES * 300
    del deck
    claimed = []
    for _ in range(8):
        deck = abimport.read(path)
        assert (deck.nodes().xyz == expected.xyz).all()
        del deck
        claimed.append(_core._heap_claimed_bytes())
    # Each read waits until the deck before it is freed and takes its blocks.
    assert claimed == [claimed[0]] * len(claimed)
