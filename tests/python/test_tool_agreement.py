"""The package's outputs are the tool's: json_lines() is what `abimport
--json` prints and text() what `abimport` writes back, byte for byte, for
every deck of the repository, under several flag words, from a file and from
the same bytes in memory."""

import os

import pytest

import abimport
from conftest import DECKS, ROOT, deck_id

FLAG_WORDS = [0x16, 0x14, 0x12, 0x4, 0x2, 0]


@pytest.mark.parametrize("flags", FLAG_WORDS, ids=hex)
@pytest.mark.parametrize("path", DECKS, ids=deck_id)
def test_outputs_equal_the_tool(tool, path, flags):
    deck = abimport.read(path, flags=flags)
    assert deck.json_lines().encode("utf-8", "surrogateescape") == tool("--json", "--flags", hex(flags), path)
    assert deck.text().encode("utf-8", "surrogateescape") == tool("--flags", hex(flags), path)

    with open(path, "rb") as f:
        in_memory = abimport.read_text(f.read(), flags=flags, name=path)
    assert in_memory.json_lines() == deck.json_lines()


@pytest.mark.parametrize("path", DECKS, ids=deck_id)
def test_without_includes_equals_the_tool(tool, path):
    deck = abimport.read(path, includes=False)
    assert deck.json_lines().encode("utf-8", "surrogateescape") == tool("--json", "--no-includes", path)


def test_hostile_bytes_equal_the_tool(tool, write_deck):
    # Long lines, NUL and high bytes, CR, tabs, commas, and a count of -1.
    path = write_deck(b"*AIRBAG_REFERENCE_GEOMETRY\n" + b"1" * 300 + b"\n"
                      b"\x00 2 3\n\xff\xfe,,1.0\r\n\t4 5\r6\n*AIRBAG_ALE\n"
                      b"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21\n-1\n")
    deck = abimport.read(path)
    assert deck.warnings
    assert deck.json_lines().encode("utf-8", "surrogateescape") == tool("--json", path)
    assert deck.text().encode("utf-8", "surrogateescape") == tool(path)


def test_model_check_equals_the_tool(tool):
    path = os.path.join(ROOT, "examples", "check", "main.k")
    deck = abimport.read(path, check=True)
    assert deck.json_lines().encode("utf-8", "surrogateescape") == tool("--json", "--check", path)
    assert {"undefined-reference", "duplicate-id", "include-repeated"} <= \
           {w.kind for w in deck.warnings}
    assert not {w.kind for w in abimport.read(path).warnings} & {"undefined-reference"}
    text = abimport.read_text(b"*NODE\n1\n*AIRBAG_REFERENCE_GEOMETRY\n       2\n*END\n", check=True)
    assert [(w.kind, w.line) for w in text.warnings] == [("undefined-reference", 4)]
