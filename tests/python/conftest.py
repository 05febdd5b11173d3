"""Shared for the package's tests: the abimport tool to compare against (the
ABIMPORT_CLI environment variable, or build/tools/abimport) and the decks."""

import glob
import os
import subprocess

import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DECKS = sorted(glob.glob(os.path.join(ROOT, "examples", "**", "*.k"), recursive=True)
               + glob.glob(os.path.join(ROOT, "tests", "**", "*.k"), recursive=True))


def deck_id(path):
    return os.path.relpath(path, ROOT)


@pytest.fixture(scope="session")
def tool():
    """Runs the tool with the given arguments and returns its standard output."""
    path = os.environ.get("ABIMPORT_CLI", os.path.join(ROOT, "build", "tools", "abimport"))
    if not os.access(path, os.X_OK):
        pytest.fail("no abimport tool at %s: build it (make build) or set ABIMPORT_CLI" % path)

    def run(*args):
        return subprocess.run([path, *args], capture_output=True, check=False).stdout
    return run


@pytest.fixture
def write_deck(tmp_path):
    """Writes bytes to a deck file in a scratch folder and returns its path."""
    def write(text, name="deck.k"):
        path = tmp_path / name
        path.write_bytes(text if isinstance(text, bytes) else text.encode("latin-1"))
        return str(path)
    return write


def node_deck(count):
    """A deck of one reference-geometry keyword with count node lines, as
    bytes: big enough from a few thousand nodes on to start the import heap's
    page helper."""
    lines = [b"*KEYWORD", b"*AIRBAG_REFERENCE_GEOMETRY"]
    lines += [b"%8d%16.6f%16.6f%16.6f" % (n, n * 0.5, -n * 0.25, n % 97) for n in range(1, count + 1)]
    return b"\n".join(lines + [b"*END", b""])
