#!/usr/bin/env python3
"""Shows every card of one name in a deck as a pandas DataFrame: one row per
card, one column per field, with the keyword, file and line it came from.

Usage: cards_table.py DECK CARD_NAME     (e.g. NodeInfo, ShellInfo, ALEMesh)
"""

import sys

import pandas

import abimport


def cards_table(deck, name):
    rows = []
    for keyword in deck:
        for card in keyword.cards:
            if card.name == name:
                rows.append({"keyword": keyword.title, "file": keyword.file, "line": card.line,
                             **card.to_dict()})
    return pandas.DataFrame(rows)


def card_names(deck):
    """The card names of the deck, first seen first."""
    return list(dict.fromkeys(card.name for keyword in deck for card in keyword.cards))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    try:
        deck = abimport.read(sys.argv[1])
    except OSError as error:
        sys.exit("cards_table.py: %s" % error)
    if sys.argv[2] not in card_names(deck):
        sys.exit("cards_table.py: %s has no card named %r; its cards: %s"
                 % (deck.path, sys.argv[2], ", ".join(card_names(deck)) or "none"))
    with pandas.option_context("display.width", 200, "display.max_columns", 20):
        print(cards_table(deck, sys.argv[2]).to_string())
