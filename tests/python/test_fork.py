"""A child of os.fork() reads decks like its parent, whatever the parent's
threads were doing: the import heap's page helper running, an import under
way with another flag word. The child must neither hang nor crash, and read
what the parent reads."""

import os
import signal
import threading
import time

import pytest

import abimport
from conftest import ROOT, node_deck
from test_threads import FifoRead

AIRBAGS = os.path.join(ROOT, "examples", "airbags.k")
CHILD_SECONDS = 60  # only a hang waits this long


def exit_code_of_child(work):
    """Runs work() in a child process; its exit code: 0 when work() returned
    True, 1 when False, 2 when it raised, -signal when a signal ended it,
    None when it was still running after CHILD_SECONDS."""
    pid = os.fork()
    if pid == 0:
        code = 2
        try:
            code = 0 if work() else 1
        finally:
            os._exit(code)
    deadline = time.monotonic() + CHILD_SECONDS
    while time.monotonic() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return os.waitstatus_to_exitcode(status)
        time.sleep(0.01)
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    return None


@pytest.fixture
def nodes_path(tmp_path):
    path = tmp_path / "nodes.k"
    path.write_bytes(node_deck(20000))
    return str(path)


def reads_as(path, flags, expected):
    deck = abimport.read(path, flags=flags)
    return deck.json_lines() == expected


def test_child_reads_while_a_parent_thread_is_in_an_import(tmp_path, nodes_path):
    fifo = str(tmp_path / "deck.fifo")
    os.mkfifo(fifo)
    expected = abimport.read(nodes_path, flags=0x14).json_lines()
    held = FifoRead(fifo, 0x16)
    held.start()
    try:
        # The child's read has another flag word than the import held open,
        # which in the parent would wait for it.
        assert exit_code_of_child(lambda: reads_as(nodes_path, 0x14, expected)) == 0
    finally:
        held.finish(AIRBAGS)


def test_child_reads_while_parent_threads_read_and_free(nodes_path):
    expected = abimport.read(nodes_path).json_lines()
    stop = threading.Event()

    def churn():
        while not stop.is_set():
            abimport.read(nodes_path).nodes()
    threads = [threading.Thread(target=churn) for _ in range(2)]
    for thread in threads:
        thread.start()
    try:
        codes = [exit_code_of_child(lambda: reads_as(nodes_path, 0x16, expected))
                 for _ in range(10)]
    finally:
        stop.set()
        for thread in threads:
            thread.join()
    assert codes == [0] * 10
