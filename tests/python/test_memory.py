"""Where the objects of an import come from: the extension's own operator new
and delete, which serve an import from the small-object heap and which no
other library of the process sees; freed decks give their memory back for
later imports, and to the system once no deck is waiting to be freed."""

import ctypes
import ctypes.util
import gc
import os
import time

import pytest

import abimport
from abimport import _core
from conftest import node_deck
from test_threads import FifoRead

NODES = 20000
# A deck of about 75 MB of cards, and what may stay of it once it is freed:
# the heap keeps a few MiB for the next import.
LARGE_NODES = 200000
KEPT_BYTES = 20e6
RELEASE_SECONDS = 20  # only memory never given back waits this long


def resident_bytes():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    raise AssertionError("no VmRSS in /proc/self/status")


def resident_after_release(bound):
    """The resident size once it fell to bound, or after RELEASE_SECONDS."""
    deadline = time.monotonic() + RELEASE_SECONDS
    while resident_bytes() > bound and time.monotonic() < deadline:
        time.sleep(0.02)
    return resident_bytes()


@pytest.fixture
def large_deck(tmp_path):
    path = tmp_path / "large.k"
    path.write_bytes(node_deck(LARGE_NODES))
    # A first read sets the heap up; what it keeps counts as before.
    abimport.read(path)
    gc.collect()
    time.sleep(0.5)
    return str(path)


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


def test_a_freed_deck_gives_its_memory_back_to_the_system(large_deck):
    before = resident_bytes()
    deck = abimport.read(large_deck)
    nodes = deck.nodes()
    assert resident_bytes() > before + 3 * KEPT_BYTES
    del deck, nodes
    gc.collect()
    assert resident_after_release(before + KEPT_BYTES) <= before + KEPT_BYTES


def test_memory_freed_during_an_import_goes_back_after_it(large_deck, tmp_path):
    # While an import runs its memory is not given back (it would take it
    # again); once the import ends, it is.
    fifo = str(tmp_path / "deck.fifo")
    os.mkfifo(fifo)
    before = resident_bytes()
    deck = abimport.read(large_deck)
    running = FifoRead(fifo, 0x16)
    running.start()
    del deck
    gc.collect()
    time.sleep(0.5)
    # The import ends; no deck is let go of after it (finish() would).
    with running.out:
        running.out.write(node_deck(10))
    running.join(RELEASE_SECONDS)
    assert running.deck is not None
    assert resident_after_release(before + KEPT_BYTES) <= before + KEPT_BYTES
