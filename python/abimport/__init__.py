"""Read the airbag keywords of a finite-element keyword input deck.

One call reads a deck, with the files it includes, through the same host code
as the ``abimport`` tool::

    import abimport
    deck = abimport.read("model/main.k")
    for keyword in deck:
        print(keyword.title, keyword.file, keyword.line, len(keyword.cards))
    nodes = deck.nodes()          # numpy arrays: nodes.nid, nodes.xyz, ...

Deck text is taken byte for byte: each byte of the deck is one character of
the strings handed out (U+0000 to U+00FF), as in the tool's JSON output, and
``str.encode("latin-1")`` gives the bytes back. File paths are decoded as the
file system encodes them.
"""

import collections.abc
import operator
import os
from typing import List, Union

from . import _core
from ._core import Call, Card, CardList, Deck, Keyword, KeywordList, Warning, library_version
from ._results import Nodes, Shells

__version__: str = _core.__version__

__all__ = [
    "Call", "Card", "CardList", "Deck", "DeckError", "Keyword", "KeywordList", "Nodes",
    "Shells", "Warning", "DEFAULT_FLAGS", "KEEP_NAMES", "BUILD_CARDS", "REPORT_IDS",
    "library_version", "read", "read_text",
]

KEEP_NAMES = 0x2
"""Flag: keep the field names of each card."""
BUILD_CARDS = 0x4
"""Flag: build cards."""
REPORT_IDS = 0x10
"""Flag: report the ID-bearing fields to the host (the addIDToRefFile calls)."""
DEFAULT_FLAGS = KEEP_NAMES | BUILD_CARDS | REPORT_IDS

collections.abc.Sequence.register(CardList)
collections.abc.Sequence.register(KeywordList)


class DeckError(Exception):
    """A deck read with ``strict=True`` gave warnings; ``.warnings`` holds them."""

    def __init__(self, path: str, warnings: List[Warning]):
        self.path = path
        self.warnings = warnings
        first = str(warnings[0]) if warnings else ""
        super().__init__("%s: %d warning%s, the first: %s"
                         % (path, len(warnings), "" if len(warnings) == 1 else "s", first))


def _flag_word(flags: int) -> int:
    flags = operator.index(flags)
    if not 0 <= flags <= 0xFFFFFFFF:
        raise ValueError("flags must be a 32-bit word (0 to 0xFFFFFFFF), not %#x" % flags)
    return flags


def _path_bytes(path) -> bytes:
    encoded = os.fsencode(path)
    if b"\0" in encoded:
        raise ValueError("embedded null byte in the path %r" % (path,))
    return encoded


def _table(self: Deck, name: str) -> "pandas.DataFrame":
    """The cards called name as a pandas DataFrame: one row per card, the
    columns ``file`` and ``line`` (``<NA>`` for a card from the end of a file),
    then one per field in layout order. A field a card does not hold is a
    missing value: NaN in a float column, ``<NA>`` in an integer column,
    which stays integer (pandas' Int64 where values are missing, int64
    otherwise). Raises KeyError listing the card names when none is called
    name, and ImportError when pandas is not installed.
    """
    try:
        import pandas
    except ImportError as error:
        raise ImportError("Deck.table() needs pandas, which is not installed: "
                          "pip install pandas, or apt-get install python3-pandas") from error
    names, columns, lines, file_codes, files = self._table_columns(name)
    data = {"file": pandas.Categorical.from_codes(file_codes, categories=files),
            "line": pandas.arrays.IntegerArray(lines, lines == 0) if (lines == 0).any() else lines}
    for field, (kind, values, missing) in zip(names, columns):
        if kind == "int" and missing.any():
            values = pandas.arrays.IntegerArray(values, missing)
        data[field] = values
    return pandas.DataFrame(data)


Deck.table = _table


def _checked(deck: Deck, strict: bool) -> Deck:
    if strict and deck.warnings:
        raise DeckError(deck.path, deck.warnings)
    return deck


def read(path: Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"], *,
         flags: int = DEFAULT_FLAGS, includes: bool = True, strict: bool = False) -> Deck:
    """Read the deck at path with the files it includes.

    flags is the host flag word (0x2 keep field names, 0x4 build cards, 0x10
    report IDs). includes=False leaves the include keywords unfollowed (each
    is then a warning). strict=True raises DeckError when the deck gave
    warnings. "-" reads standard input, as the tool does.

    Raises FileNotFoundError, IsADirectoryError, PermissionError or another
    OSError naming the file when the deck cannot be read, and ValueError for
    a flag word outside 32 bits. An include that cannot be read is a warning.
    The import runs without the GIL: other threads go on meanwhile.
    """
    return _checked(_core.read_file(_path_bytes(path), _flag_word(flags), bool(includes)), strict)


def read_text(text: Union[str, bytes], *, flags: int = DEFAULT_FLAGS, name: str = "<text>",
              includes: bool = True, strict: bool = False) -> Deck:
    """Read a deck held in memory.

    text is bytes, or str whose characters are the deck's bytes (U+0000 to
    U+00FF; encode other text to bytes first). name stands for the deck's
    path in keywords, warnings and the outputs; relative includes are looked
    up from its folder (the working folder for the default name). The other
    arguments are those of read().
    """
    if isinstance(text, str):
        try:
            text = text.encode("latin-1")
        except UnicodeEncodeError as error:
            raise ValueError("the deck text holds characters beyond U+00FF; the deck is read "
                             "byte for byte, so pass bytes (e.g. text.encode('utf-8'))") from error
    return _checked(_core.read_text(bytes(text), _path_bytes(name), _flag_word(flags),
                                    bool(includes)), strict)
