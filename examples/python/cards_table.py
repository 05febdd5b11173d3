#!/usr/bin/env python3
"""Shows every card of one name in a deck as a pandas DataFrame: one row per
card, with the file and line it came from and one column per field.

Usage: cards_table.py DECK CARD_NAME     (e.g. NodeInfo, ShellInfo, ALEMesh)
"""

import sys

import pandas

import abimport


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    try:
        deck = abimport.read(sys.argv[1])
    except OSError as error:
        sys.exit("cards_table.py: %s" % error)
    try:
        table = deck.table(sys.argv[2])
    except KeyError as error:
        sys.exit("cards_table.py: %s" % error.args[0])
    with pandas.option_context("display.width", 200, "display.max_columns", 20):
        print(table.to_string())
