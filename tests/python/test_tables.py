"""Deck.table(): the cards of one name as a DataFrame, and the names a deck
holds; an unknown name is a KeyError that lists them."""

import os
import sys

import numpy
import pandas
import pytest

import abimport
from conftest import ROOT

DECK = (b"*AIRBAG_INTERACTION\n"
        b"         1\t                 3.        4.        10\n"
        b"*AIRBAG_REFERENCE_GEOMETRY\n"
        b"     901           -1.25             2.5             0.0\n"
        b"     902             1.5\n"
        b"     903\t                           7.5\n"
        b"\n")


def test_table_keeps_types_order_and_missing_values():
    deck = abimport.read_text(DECK, name="t.k")
    nodes = deck.table("NodeInfo")
    assert list(nodes.columns) == ["file", "line", "keyword", "NID", "X", "Y", "Z"]
    # The card of the blank line has no fields.
    assert str(nodes["NID"].dtype) == "Int64" and nodes["NID"][:3].tolist() == [901, 902, 903]
    assert nodes["NID"].isna().tolist() == [False, False, False, True]
    assert deck.table("NodeInfo")[:3]["NID"].astype("int64").dtype == numpy.int64
    assert nodes["line"].tolist() == [4, 5, 6, 7]
    assert nodes["file"].tolist() == ["t.k"] * 4
    # Cards of one name from different keywords say which.
    mesh = abimport.read(os.path.join(ROOT, "examples", "airbags.k")).table("ALEMesh")
    assert sorted(set(mesh["keyword"])) == ["AIRBAG_ADVANCED_ALE", "AIRBAG_ALE"]
    numpy.testing.assert_array_equal(nodes["X"], [-1.25, 1.5, numpy.nan, numpy.nan])
    numpy.testing.assert_array_equal(nodes["Y"], [2.5, numpy.nan, 7.5, numpy.nan])

    # An empty field before a filled one keeps its column.
    interaction = deck.table("Interaction")
    assert list(interaction.columns) == ["file", "line", "keyword", "AB1", "AB2", "AREA", "SF", "PID"]
    assert interaction["AB2"].isna().all()
    assert interaction["PID"].dtype == numpy.int64 and interaction["PID"].tolist() == [10]


def test_unknown_names_list_the_card_names():
    deck = abimport.read_text(DECK, name="t.k")
    assert deck.card_names() == ["Interaction", "NodeInfo"]
    for call in (deck.cards, deck.table):
        with pytest.raises(KeyError, match="'nodeinfo'.*Interaction, NodeInfo"):
            call("nodeinfo")
    assert len(deck.cards("NodeInfo")) == 4


def test_table_without_pandas(monkeypatch):
    monkeypatch.setitem(sys.modules, "pandas", None)
    deck = abimport.read_text(DECK)
    with pytest.raises(ImportError, match="needs pandas"):
        deck.table("NodeInfo")
