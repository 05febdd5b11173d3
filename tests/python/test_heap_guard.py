"""No block of the extension's small-object heap reaches the C library's
free(): the whole life of decks (threads importing at once, text and JSON
written on two threads, arrays, decks freed on other threads, a fork) runs in
a process with tests/freeguard.cpp preloaded, which stops it when free() or
realloc() is handed a pointer into the heap's reservation."""

import os
import subprocess
import sys

import pytest

from conftest import ROOT, node_deck

WORKLOAD = r"""
import ctypes, os, sys, threading
import abimport

path, guard, control = sys.argv[1], sys.argv[2], sys.argv[3] == "control"

def use_decks():
    for _ in range(2):
        deck = abimport.read(path)
        deck.text(), deck.json_lines(), deck.nodes()
        cards = [card.to_dict() for keyword in deck for card in keyword.cards]
        del deck, cards

threads = [threading.Thread(target=use_decks) for _ in range(3)]
for thread in threads:
    thread.start()
use_decks()
for thread in threads:
    thread.join()
pid = os.fork()
if pid == 0:
    use_decks()
    os._exit(0)
assert os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]) == 0

start = ctypes.c_size_t()
assert ctypes.CDLL(guard).abimport_freeguard_reservations(ctypes.byref(start)) >= 1
if control:  # the guard must catch a heap block handed to free()
    ctypes.CDLL(None).free(ctypes.c_void_p(start.value + 4096))
print("ok")
"""


@pytest.fixture(scope="module")
def guard():
    path = os.environ.get("ABIMPORT_FREE_GUARD",
                          os.path.join(ROOT, "build", "tests", "libabimport_freeguard.so"))
    if not os.path.isfile(path):
        pytest.fail("no free() guard at %s: build the tests or set ABIMPORT_FREE_GUARD" % path)
    return path


@pytest.mark.parametrize("mode", ["decks", "control"])
def test_no_heap_block_reaches_free(tmp_path, guard, mode):
    deck = tmp_path / "nodes.k"
    deck.write_bytes(node_deck(20000))  # more cards than one thread writes alone
    run = subprocess.run([sys.executable, "-c", WORKLOAD, str(deck), guard, mode],
                         env=dict(os.environ, LD_PRELOAD=guard), capture_output=True, text=True,
                         timeout=300, check=False)
    if mode == "decks":
        assert (run.returncode, run.stdout, run.stderr) == (0, "ok\n", "")
    else:
        assert run.returncode != 0
        assert "freeguard: a block of the small-object heap reached free()" in run.stderr
