"""Imports run without the GIL and side by side when their flag words agree;
an import with another flag word waits for them; a deck may be let go of on
any thread. A deck read from a FIFO
holds its import open until the test writes the deck, which makes the order
of events certain without timing anything."""

import faulthandler
import os
import queue
import threading

import pytest

import abimport
from conftest import ROOT, node_deck

AIRBAGS = os.path.join(ROOT, "examples", "airbags.k")
JOIN_SECONDS = 60  # only a hang waits this long


# More than a pipe holds: once written, the reader has taken in part of it,
# so its import runs (a deck is read only inside the import).
FILLER = b"$ filler\n" * 40000


class FifoRead(threading.Thread):
    """Reads the deck at a FIFO in a thread. start() returns once the import
    is under way and waits for the rest of the deck; finish() writes it."""

    def __init__(self, fifo, flags):
        super().__init__(daemon=True)
        self.fifo, self.flags, self.deck, self.error = fifo, flags, None, None

    def run(self):
        try:
            self.deck = abimport.read(self.fifo, flags=self.flags)
        except BaseException as error:  # reported by the test
            self.error = error

    def start(self):
        super().start()
        self.out = open(self.fifo, "wb")
        self.out.write(FILLER)
        self.out.flush()

    def finish(self, path):
        with self.out, open(path, "rb") as deck:
            self.out.write(deck.read())
        self.join(JOIN_SECONDS)
        assert not self.is_alive() and self.error is None
        with open(path, "rb") as deck:
            expected = abimport.read_text(FILLER + deck.read(), name=self.fifo, flags=self.flags)
        assert self.deck.json_lines() == expected.json_lines()
        return self.deck


@pytest.fixture(autouse=True)
def end_a_hang():
    """An import that kept the GIL would hang these tests: end the run instead."""
    faulthandler.dump_traceback_later(JOIN_SECONDS * 2, exit=True)
    yield
    faulthandler.cancel_dump_traceback_later()


@pytest.fixture
def fifo(tmp_path):
    path = tmp_path / "deck.fifo"
    os.mkfifo(path)
    return str(path)


def test_same_flags_run_while_an_import_waits(fifo):
    blocked = FifoRead(fifo, 0x16)
    blocked.start()
    # The main thread runs only if the blocked read gave up the GIL, and
    # imports with the same flag word while that read is in its import.
    deck = abimport.read(AIRBAGS, flags=0x16)
    assert blocked.is_alive() and len(deck) == 8
    assert len(blocked.finish(AIRBAGS)) == 8


def test_other_flags_wait_for_the_running_import(fifo):
    blocked = FifoRead(fifo, 0x16)
    blocked.start()
    results = {}
    waiting = threading.Thread(target=lambda: results.update(
        deck=abimport.read(AIRBAGS, flags=0x14)), daemon=True)
    waiting.start()
    waiting.join(0.5)
    assert waiting.is_alive(), "an import with another flag word ran beside a running one"
    deck = blocked.finish(AIRBAGS)
    waiting.join(JOIN_SECONDS)
    assert not waiting.is_alive()
    assert deck.cards()[0].field_names and not results["deck"].cards()[0].field_names
    assert results["deck"].json_lines() == abimport.read(AIRBAGS, flags=0x14).json_lines()


def test_many_threads_mixed_flags_get_single_thread_results():
    decks = [os.path.join(ROOT, "examples", name) for name in
             ("airbags.k", "airbags-comma.k", "model/main.k")]
    expected = {(d, f): abimport.read(d, flags=f).json_lines() for d in decks for f in (0x16, 0x14, 0x4)}
    jobs = list(expected) * 4
    got = [None] * len(jobs)

    def work(i):
        deck, flags = jobs[i]
        got[i] = abimport.read(deck, flags=flags).json_lines()
    threads = [threading.Thread(target=work, args=(i,)) for i in range(len(jobs))]
    for t in threads:
        t.start()
    for t in threads:
        t.join(JOIN_SECONDS)
    assert got == [expected[job] for job in jobs]


def test_decks_read_on_some_threads_and_freed_on_others(tmp_path):
    # Node decks large enough for the import heap and its page helper, and a
    # small deck, read on three threads at once; three other threads check
    # each deck and let go of it while the reads go on.
    big = tmp_path / "nodes.k"
    big.write_bytes(node_deck(20000))
    paths = [str(big), AIRBAGS]
    expected = {}
    for path in paths:
        deck = abimport.read(path)
        expected[path] = (deck.json_lines(), deck.nodes().xyz.tolist())
    decks = queue.Queue()
    wrong = []

    def read(n):
        for i in range(6):
            path = paths[(n + i) % len(paths)]
            decks.put((path, abimport.read(path)))

    def check():
        while (item := decks.get()) is not None:
            path, deck = item
            if (deck.json_lines(), deck.nodes().xyz.tolist()) != expected[path]:
                wrong.append(path)
            del item, deck
    readers = [threading.Thread(target=read, args=(n,)) for n in range(3)]
    checkers = [threading.Thread(target=check) for _ in range(3)]
    for t in readers + checkers:
        t.start()
    for t in readers:
        t.join(JOIN_SECONDS)
    for _ in checkers:
        decks.put(None)
    for t in checkers:
        t.join(JOIN_SECONDS)
    assert not any(t.is_alive() for t in readers + checkers)
    assert wrong == []
