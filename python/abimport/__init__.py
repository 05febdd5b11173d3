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

from __future__ import annotations

import collections.abc
import json
import math
import operator
import re
import warnings
from typing import Any, Dict, List, Union

from . import _core
from ._core import (Call, Card, CardList, Deck, DeckWarning, Flags, Keyword, KeywordList,
                    library_version)
from ._deckmethods import PathArgument
from ._deckmethods import path_bytes as _path_bytes
from ._results import Nodes, Shells

__version__: str = _core.__version__

__all__ = [
    "Call", "Card", "CardList", "Deck", "DeckError", "DeckWarning", "Flags", "Keyword",
    "KeywordList", "Nodes", "Shells", "DEFAULT_FLAGS", "KEEP_NAMES", "BUILD_CARDS",
    "REPORT_IDS", "diff", "library_version", "read", "read_text",
]

KEEP_NAMES = Flags.KEEP_NAMES
"""Flag: keep the field names of each card (Flags.KEEP_NAMES)."""
BUILD_CARDS = Flags.BUILD_CARDS
"""Flag: build cards (Flags.BUILD_CARDS)."""
REPORT_IDS = Flags.REPORT_IDS
"""Flag: report the ID-bearing fields to the host (Flags.REPORT_IDS)."""
DEFAULT_FLAGS = Flags.DEFAULT
"""The flag word read() takes by default (Flags.DEFAULT)."""

collections.abc.Sequence.register(CardList)
collections.abc.Sequence.register(KeywordList)


def __getattr__(name: str) -> Any:
    # The warning record was called Warning, which hid the builtin of that
    # name from ``from abimport import *``; the old name stays for a release.
    if name == "Warning":
        warnings.warn("abimport.Warning is deprecated and goes in the next release: "
                      "use abimport.DeckWarning", DeprecationWarning, stacklevel=2)
        return DeckWarning
    raise AttributeError("module 'abimport' has no attribute %r" % name)


class DeckError(Exception):
    """A deck read with ``strict=True`` gave warnings; ``.warnings`` holds them."""

    def __init__(self, path: str, warnings: List[DeckWarning]):
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


def _checked(deck: Deck, strict: bool) -> Deck:
    if strict and deck.warnings:
        raise DeckError(deck.path, deck.warnings)
    return deck


def read(path: PathArgument, *, flags: int = Flags.DEFAULT, includes: bool = True,
         strict: bool = False, check: bool = False, parameters: bool = True) -> Deck:
    """Read the deck at path with the files it includes.

    flags is the host flag word: Flags (KEEP_NAMES 0x2, BUILD_CARDS 0x4,
    REPORT_IDS 0x10; DEFAULT, 0x16, is the three), or any int of 32 bits.
    includes=False leaves the include keywords unfollowed (each is then a
    warning). strict=True raises DeckError when the deck gave
    warnings. check=True checks the model as ``abimport --check`` does: each
    reference to a node, shell, part, curve, vector or transformation that
    nothing in the model defines, each ID defined twice and each file
    included twice is a warning. parameters=False reads a field that names a
    parameter (&name) as its text, as ``abimport --no-parameters`` does; by
    default it takes the value of its *PARAMETER or *PARAMETER_EXPRESSION.
    "-" reads standard input, as the tool does.

    Raises FileNotFoundError, IsADirectoryError, PermissionError or another
    OSError naming the file when the deck cannot be read, and ValueError for
    a flag word outside 32 bits. An include that cannot be read is a warning.
    The import runs without the GIL: other threads go on meanwhile.
    """
    return _checked(_core.read_file(_path_bytes(path), _flag_word(flags), bool(includes),
                                    bool(check), bool(parameters)), strict)


def read_text(text: Union[str, bytes], *, flags: int = Flags.DEFAULT, name: str = "<text>",
              includes: bool = True, strict: bool = False, check: bool = False,
              parameters: bool = True) -> Deck:
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
                                    bool(includes), bool(check), bool(parameters)), strict)


def _snake_case(key: str) -> str:
    # The JSON's own keys are camelCase (keywordId); field names (NID) start
    # with a capital and stay as the deck writes them.
    if not key[:1].islower():
        return key
    return re.sub(r"(?<=[a-z0-9])(?=[A-Z])", "_", key).lower()


def _python_keys(pairs: List[Any]) -> Dict[str, Any]:
    return {_snake_case(key): value for key, value in pairs}


def diff(old: Union[Deck, PathArgument], new: Union[Deck, PathArgument], *,
         tolerance: float = 0.0, abs_tolerance: float = 0.0, all: bool = False,
         flags: int = Flags.DEFAULT,
         includes: bool = True, strict: bool = False) -> List[Dict[str, Any]]:
    """What changed in the airbag keywords from old to new, as values.

    old and new are decks read before, or paths read here with flags,
    includes and strict as in read(). The comparison is the tool's: one
    dict per change, the objects that ``abimport diff --json`` prints with
    their keys in snake_case ("keywordId" is "keyword_id"; a node's or
    shell's ID stays under its field's name, "NID" or "EID"). "change" is
    "value", "added", "removed" or "geometry"; "from" and "to" name the file
    and line in each model. Doubles a and b are equal when
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

    def deck_of(model: Union[Deck, PathArgument]) -> Deck:
        if isinstance(model, Deck):
            return model
        return read(model, flags=flags, includes=includes, strict=strict)

    lines = _core.diff_json(deck_of(old), deck_of(new), tolerance, bool(all), abs_tolerance)
    return [json.loads(line, object_pairs_hook=_python_keys) for line in lines.splitlines()]
