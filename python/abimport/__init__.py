"""Read the airbag keywords of a finite-element keyword input deck.

One call reads a deck, with the files it includes, through the same host code
as the ``abimport`` tool::

    import abimport
    deck = abimport.read("model/main.k")
    for keyword in deck:
        print(keyword.title, keyword.file, keyword.line, len(keyword.cards))
    nodes = deck.nodes()          # numpy arrays: nodes.nid, nodes.xyz, ...

Deck text and file paths are decoded as the tool's JSON output decodes: valid
UTF-8 as its characters, and each byte that is no part of valid UTF-8 as the
surrogate U+DC80 to U+DCFF that ``os.fsdecode`` makes of it, so that
``os.fsencode`` (or ``str.encode("utf-8", "surrogateescape")``) gives the
exact bytes back.
"""

import collections.abc
import json
import math
import operator
import os
from typing import Any, Dict, List, Union

from . import _core
from ._core import Call, Card, CardList, Deck, Keyword, KeywordList, Warning, library_version
from ._results import Nodes, Shells

__version__: str = _core.__version__

__all__ = [
    "Call", "Card", "CardList", "Deck", "DeckError", "Keyword", "KeywordList", "Nodes",
    "Shells", "Warning", "DEFAULT_FLAGS", "KEEP_NAMES", "BUILD_CARDS", "REPORT_IDS",
    "diff", "library_version", "read", "read_text",
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
    columns ``file``, ``line`` (``<NA>`` for a card from the end of a file)
    and ``keyword`` (the title of the keyword it belongs to: cards of one
    name come from several keywords), then one per field in layout order. A field a card does not hold is a
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
    names, columns, lines, file_codes, files, keyword_codes, titles = self._table_columns(name)
    data = {"file": pandas.Categorical.from_codes(file_codes, categories=files),
            "line": pandas.arrays.IntegerArray(lines, lines == 0) if (lines == 0).any() else lines,
            "keyword": pandas.Categorical.from_codes(keyword_codes, categories=titles)}
    for field, (kind, values, missing) in zip(names, columns):
        if kind == "int" and missing.any():
            values = pandas.arrays.IntegerArray(values, missing)
        data[field] = values
    return pandas.DataFrame(data)


Deck.table = _table


def _save(self: Deck, folder: Union[None, str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"] = None) -> None:
    """Write the fields set on the deck's cards.

    Without folder, the files that changed are rewritten in place; with
    folder, the whole model is written under it, its folders below the main
    deck's mirrored, the files without edits copied byte for byte. Only the
    columns (fixed form) or the word (comma form) of each field set change.
    Each file is written atomically (a temporary file, then renamed).

    Raises OSError naming the file: before anything is written when a file
    to rewrite changed on disk since it was read for editing (at the first
    field set) or an include lies outside the main deck's folder (with
    folder); when a file cannot be written, leaving that file as it was.
    ValueError for a deck read with
    read_text or from standard input. After a save in place the deck's
    cards still show the values set; diff() is empty until a field is set
    again.
    """
    self._save(None if folder is None else _path_bytes(folder))


Deck.save = _save


def _checked(deck: Deck, strict: bool) -> Deck:
    if strict and deck.warnings:
        raise DeckError(deck.path, deck.warnings)
    return deck


def read(path: Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"], *,
         flags: int = DEFAULT_FLAGS, includes: bool = True, strict: bool = False,
         check: bool = False) -> Deck:
    """Read the deck at path with the files it includes.

    flags is the host flag word (0x2 keep field names, 0x4 build cards, 0x10
    report IDs). includes=False leaves the include keywords unfollowed (each
    is then a warning). strict=True raises DeckError when the deck gave
    warnings. check=True checks the model as ``abimport --check`` does: each
    reference to a node, shell, part, curve, vector or transformation that
    nothing in the model defines, each ID defined twice and each file
    included twice is a warning. "-" reads standard input, as the tool does.

    Raises FileNotFoundError, IsADirectoryError, PermissionError or another
    OSError naming the file when the deck cannot be read, and ValueError for
    a flag word outside 32 bits. An include that cannot be read is a warning.
    The import runs without the GIL: other threads go on meanwhile.
    """
    return _checked(_core.read_file(_path_bytes(path), _flag_word(flags), bool(includes),
                                    bool(check)), strict)


def read_text(text: Union[str, bytes], *, flags: int = DEFAULT_FLAGS, name: str = "<text>",
              includes: bool = True, strict: bool = False, check: bool = False) -> Deck:
    """Read a deck held in memory.

    text is bytes, or str, which is read as its UTF-8 bytes (surrogates
    U+DC80 to U+DCFF as the bytes they stand for, as os.fsencode does). name stands for the deck's
    path in keywords, warnings and the outputs; relative includes are looked
    up from its folder (the working folder for the default name). The other
    arguments are those of read().
    """
    if isinstance(text, str):
        try:
            text = text.encode("utf-8", "surrogateescape")
        except UnicodeEncodeError as error:
            raise ValueError("the deck text holds a surrogate that stands for no byte; "
                             "pass the deck as bytes") from error
    return _checked(_core.read_text(bytes(text), _path_bytes(name), _flag_word(flags),
                                    bool(includes), bool(check)), strict)


def diff(old: Union[Deck, str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"],
         new: Union[Deck, str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"], *,
         tolerance: float = 0.0, abs_tolerance: float = 0.0, all: bool = False,
         flags: int = DEFAULT_FLAGS,
         includes: bool = True, strict: bool = False) -> List[Dict[str, Any]]:
    """What changed in the airbag keywords from old to new, as values.

    old and new are decks read before, or paths read here with flags,
    includes and strict as in read(). The comparison is the tool's: one
    dict per change, exactly the objects that ``abimport diff --json`` prints
    ("change" is "value", "added", "removed" or "geometry"; "from" and "to"
    name the file and line in each model). Doubles a and b are equal when
    ``abs(a - b) <= tolerance * max(abs(a), abs(b))`` or
    ``abs(a - b) <= abs_tolerance`` (the larger of the two counts); all=True lists each
    node and shell besides the count per keyword. An empty list: no change.
    """
    tolerance = float(tolerance)
    if not (tolerance >= 0 and math.isfinite(tolerance)):
        raise ValueError("tolerance must be a finite number, 0 or more, not %r" % tolerance)
    abs_tolerance = float(abs_tolerance)
    if not (abs_tolerance >= 0 and math.isfinite(abs_tolerance)):
        raise ValueError("abs_tolerance must be a finite number, 0 or more, not %r" % abs_tolerance)

    def deck_of(model) -> Deck:
        if isinstance(model, Deck):
            return model
        return read(model, flags=flags, includes=includes, strict=strict)

    lines = _core.diff_json(deck_of(old), deck_of(new), tolerance, bool(all), abs_tolerance)
    return [json.loads(line) for line in lines.splitlines()]
