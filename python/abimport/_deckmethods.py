"""The methods of Deck written in Python, put on the extension's class under
their own names, and the path conversion they share with read()."""

from __future__ import annotations

import os
from typing import TYPE_CHECKING, Any, Callable, Dict, Optional, TypeVar, Union

from ._core import Deck

if TYPE_CHECKING:
    import pandas  # type: ignore[import]

PathArgument = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
"""A path as read() and Deck.save() take it."""

_Method = TypeVar("_Method", bound=Callable[..., Any])


def _deck_method(method: _Method) -> _Method:
    """Makes method a method of Deck, named as help() and tracebacks show it."""
    method.__qualname__ = "Deck." + method.__name__
    setattr(Deck, method.__name__, method)
    return method


def path_bytes(path: PathArgument) -> bytes:
    """The bytes of a path, as the extension takes it."""
    encoded = os.fsencode(path)
    if b"\0" in encoded:
        raise ValueError("embedded null byte in the path %r" % (path,))
    return encoded


@_deck_method
def table(self: Deck, name: str) -> pandas.DataFrame:
    """The cards called name as a pandas DataFrame: one row per card, the
    columns ``file``, ``line`` (``<NA>`` for a card from the end of a file)
    and ``keyword`` (the title of the keyword it belongs to: cards of one
    name come from several keywords), then one per field in layout order. A
    field a card does not hold is a missing value: NaN in a float column,
    ``<NA>`` in an integer column, which stays integer (pandas' Int64 where
    values are missing, int64 otherwise). Raises KeyError listing the card
    names when none is called name, and ImportError when pandas is not
    installed.
    """
    try:
        import pandas
    except ImportError as error:
        raise ImportError("Deck.table() needs pandas, which is not installed: "
                          "pip install pandas, or apt-get install python3-pandas") from error
    names, columns, lines, file_codes, files, keyword_codes, titles = self._table_columns(name)
    data: Dict[str, Any] = {
        "file": pandas.Categorical.from_codes(file_codes, categories=files),
        "line": pandas.arrays.IntegerArray(lines, lines == 0) if (lines == 0).any() else lines,
        "keyword": pandas.Categorical.from_codes(keyword_codes, categories=titles)}
    for field, (kind, values, missing) in zip(names, columns):
        if kind == "int" and missing.any():
            values = pandas.arrays.IntegerArray(values, missing)
        data[field] = values
    return pandas.DataFrame(data)


@_deck_method
def save(self: Deck, folder: Optional[PathArgument] = None) -> None:
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
    ValueError for a deck read with read_text or from standard input. After
    a save in place the deck's cards still show the values set; diff() is
    empty until a field is set again.
    """
    self._save(None if folder is None else path_bytes(folder))
