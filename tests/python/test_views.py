"""Keywords, cards, calls and warnings as Python objects say what the JSON
events say, and behave as read-only sequences and mappings."""

import collections.abc
import json
import math
import os

import pytest

import abimport
from conftest import DECKS, ROOT, deck_id

HOST_CALLS = {"addIDToRefFile", "airbagFind", "airbagVentHoleFind", "airbagAdvancedAle"}


def same_value(a, b):
    # The JSON writes infinities and NaN as strings, and every double that is
    # a whole number as one.
    if isinstance(b, str) and isinstance(a, float) and not math.isfinite(a):
        sign = "-" if math.copysign(1.0, a) < 0 else ""
        return b == sign + ("nan" if math.isnan(a) else "inf")
    if isinstance(a, float) and isinstance(b, (int, float)):
        return a == b
    return a == b and type(a) is type(b)


@pytest.mark.parametrize("flags", [0x16, 0x14], ids=hex)
@pytest.mark.parametrize("path", DECKS, ids=deck_id)
def test_objects_match_the_json_events(path, flags):
    deck = abimport.read(path, flags=flags)
    events = [json.loads(line) for line in deck.json_lines().splitlines()]
    keywords = [e for e in events if e["event"] == "keyword"]
    calls = [e for e in events if e["event"] in HOST_CALLS]
    cards = [e for e in events if e["event"] == "card"]
    warnings = [e for e in events if e["event"] == "warning"]

    assert len(deck) == len(keywords)
    assert [(k.code, k.title, k.file, k.line) for k in deck] == \
           [(e["code"], e["title"], e["file"], e["line"]) for e in keywords]
    assert [c.to_dict() for k in deck for c in k.calls] == calls
    assert [(w.file, w.line, w.kind, w.message) for w in deck.warnings] == \
           [(e["file"], e["line"], e["kind"], e["message"]) for e in warnings]

    built = [card for keyword in deck for card in keyword.cards]
    assert len(built) == len(cards) == len(deck.cards())
    for card, event in zip(built, cards):
        assert (card.name, card.field_names, card.empty_field_names, card.text, card.line) == \
               (event["name"], event["fieldNames"], event["emptyFieldNames"], event["text"],
                event["line"])
        fields = event["fields"]
        assert card.types == [f["type"] for f in fields]
        assert card.widths == [f["width"] for f in fields]
        assert len(card) == len(fields)
        for value, field in zip(card.values, fields):
            assert same_value(value, field["value"]), (card, value, field)


def test_model_files_and_keyword_sources():
    deck = abimport.read(os.path.join(ROOT, "examples", "model", "main.k"))
    model = os.path.join(ROOT, "examples", "model")
    assert deck.files == [os.path.join(model, name) for name in
                          ("main.k", "bags/driver-bag-with-interaction.k", "bags/advanced-ale.k",
                           "common/geometry.k")]
    assert {k.file for k in deck} == set(deck.files[1:])
    assert deck.warnings == []
    assert [k.index for k in deck] == list(range(len(deck)))


def test_cards_by_field_name_and_the_sequences():
    deck = abimport.read(os.path.join(ROOT, "examples", "airbags.k"))
    node = deck.cards("NodeInfo")[1]
    assert (node["NID"], node["X"], node["Y"], node["Z"]) == (2, 1.0, 0.0, 0.0)
    assert node.to_dict() == {"NID": 2, "X": 1.0, "Y": 0.0, "Z": 0.0}
    assert "NID" in node and "EID" not in node
    assert node.get("EID") is None and node.get("EID", 7) == 7
    for absent in ("EID", "\u2192"):
        with pytest.raises(KeyError):
            node[absent]
        assert absent not in node
    assert repr(node) == "<Card 'NodeInfo': NID=2 X=1.0 Y=0.0 Z=0.0>"
    assert node["nid"] == 2 and "z" in node  # names in any case, as the edits take them
    assert list(node.keys()) == ["NID", "X", "Y", "Z"] and dict(node) == node.to_dict()
    assert node.file == "examples/airbags.k" or node.file.endswith(os.path.join("examples", "airbags.k"))
    assert node.keyword.title == "AIRBAG_REFERENCE_GEOMETRY" and node.keyword.file == node.file
    assert repr(node.keyword).endswith(", 2 cards>")
    blank = abimport.read_text("*AIRBAG_INTERACTION\n\n")
    assert repr(blank) == "<Deck '<text>': 1 keyword, 1 card, 1 warning>"
    assert blank.warnings[0].message == "blank line read as an Interaction card: each of its fields is empty"

    # Blank placeholders are None in values and left out of to_dict().
    air = deck.cards("AirCard")[0]
    assert air.values[:3] == [None, None, None] and air.types[:3] == [8, 8, 8]
    assert " " not in air.to_dict() and "MWAIR" in air.to_dict()

    # The keywords and cards are sequences.
    keywords = deck.keywords
    assert isinstance(keywords, collections.abc.Sequence)
    assert [k.title for k in keywords[-2:]] == [k.title for k in list(deck)[-2:]]
    assert deck[-1].title == keywords[len(keywords) - 1].title
    with pytest.raises(IndexError):
        keywords[len(keywords)]
    cards = deck[0].cards
    assert isinstance(cards, collections.abc.Sequence)
    assert [c.name for c in cards] == [c.name for c in cards[::1]]
    assert [c.text for c in cards[::-1]] == [c.text for c in reversed(list(cards))]
    with pytest.raises(IndexError):
        cards[-len(cards) - 1]
    walk = iter(cards)
    assert iter(walk) is walk and next(walk).name == cards[0].name


def test_cards_without_names():
    deck = abimport.read(os.path.join(ROOT, "examples", "airbags.k"), flags=0x14)
    node = deck.cards("NodeInfo")[1]
    assert node.field_names == []
    with pytest.raises(KeyError, match="0x2"):
        node["NID"]
    assert node.to_dict() == {"field 1": 2, "field 2": 1.0, "field 3": 0.0, "field 4": 0.0}
    assert repr(node) == "<Card 'NodeInfo': 2 1.0 0.0 0.0>"


def test_views_keep_the_deck_alive():
    card = abimport.read(os.path.join(ROOT, "examples", "airbags.k")).keywords[0].cards[0]
    calls = abimport.read(os.path.join(ROOT, "examples", "airbags.k"))[0].calls
    import gc
    gc.collect()
    assert card.name == "Interaction" and card["PID"] == 10
    assert calls[0].name == "addIDToRefFile" and calls[0].words[2] == "        10"


def test_text_is_utf8_and_other_bytes_come_back_through_fsencode(write_deck):
    # An accented folder and include name, a Latin-1 byte, a four-byte character.
    name = "si\u00e8ge_passager.k"
    include = write_deck(b"*AIRBAG_INTERACTION\n\xe9t\xe9\xf0\x9f\x8e\x88         2\n",
                         name="\u00e9t\u00e9-" + name)
    main = write_deck(b"*INCLUDE\n" + os.fsencode(os.path.basename(include)) + b"\n", name="main.k")
    deck = abimport.read(main)
    assert deck.files[1] == include and deck[0].file == include
    word = deck[0].calls[0].words[0]
    assert word == "\udce9t\udce9\U0001f388   " and os.fsencode(word) == b"\xe9t\xe9\xf0\x9f\x8e\x88   "
    assert "$ %s:1\n" % include in deck.text()
    events = [json.loads(line) for line in deck.json_lines().splitlines()]
    assert deck.json_lines().isascii()
    assert [e["path"] for e in events if e["event"] == "include"] == [include]
    assert [e["words"][0] for e in events if e["event"] == "addIDToRefFile"] == [word]
    assert abimport.read_text(open(main, "rb").read().decode("utf-8", "surrogateescape"),
                              name=main).json_lines() == deck.json_lines()
