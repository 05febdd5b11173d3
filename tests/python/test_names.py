"""The package's names: Flags are the library's flag bits, the warning record
no longer hides the builtin Warning, and the methods written in Python carry
their own names."""

import pydoc
import warnings

import pytest

import abimport

GEOMETRY = ("*AIRBAG_REFERENCE_GEOMETRY\n"
            "       2             1.0             0.0             0.0\n*END\n")


@pytest.mark.parametrize("flags, names, cards, id_calls", [
    (abimport.Flags.DEFAULT, ["NID", "X", "Y", "Z"], 1, 1),
    (abimport.Flags.DEFAULT & ~abimport.Flags.KEEP_NAMES,
     ["field 1", "field 2", "field 3", "field 4"], 1, 1),
    (abimport.Flags.KEEP_NAMES | abimport.Flags.BUILD_CARDS, ["NID", "X", "Y", "Z"], 1, 0),
    (abimport.Flags.KEEP_NAMES | abimport.Flags.REPORT_IDS, None, 0, 1),
], ids=["default", "no-names", "no-ids", "no-cards"])
def test_each_flag_does_what_it_names(flags, names, cards, id_calls):
    deck = abimport.read_text(GEOMETRY, flags=flags, strict=True)
    assert isinstance(deck.flags, abimport.Flags) and deck.flags == flags
    assert len(deck.cards()) == cards
    if names:
        assert list(deck.cards()[0].to_dict()) == names
    assert [c.name for c in deck[0].calls].count("addIDToRefFile") == id_calls


def test_default_flags_and_plain_words():
    assert abimport.read_text(GEOMETRY).flags is abimport.Flags.DEFAULT
    assert abimport.DEFAULT_FLAGS is abimport.Flags.DEFAULT
    # A word with bits that no member names is kept whole.
    assert int(abimport.read_text(GEOMETRY, flags=0xFFFFFFFF).flags) == 0xFFFFFFFF
    assert abimport.read_text(GEOMETRY, flags=0x14).json_lines() == \
        abimport.read_text(GEOMETRY, flags=abimport.Flags(0x14)).json_lines()


def test_warning_record_is_deck_warning_and_the_old_name_warns():
    deck = abimport.read_text("*INCLUDE\nnowhere.k\n")
    assert type(deck.warnings[0]) is abimport.DeckWarning
    assert repr(deck.warnings[0]).startswith("<DeckWarning <text>:1 include-not-found: ")
    with pytest.warns(DeprecationWarning, match="abimport.DeckWarning"):
        assert abimport.Warning is abimport.DeckWarning
    with pytest.raises(AttributeError, match="'abimport' has no attribute 'Warnings'"):
        abimport.Warnings
    namespace = {}
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        exec("from abimport import *", namespace)
    assert "Warning" not in namespace and "DeckWarning" in namespace


@pytest.mark.parametrize("method, signature", [
    (abimport.Deck.table, "table(self: 'Deck', name: 'str') -> 'pandas.DataFrame'"),
    (abimport.Deck.save, "save(self: 'Deck', folder: 'Optional[PathArgument]' = None) -> 'None'"),
])
def test_deck_methods_written_in_python_show_their_names(method, signature):
    assert method.__qualname__ == "Deck." + method.__name__
    assert signature in pydoc.render_doc(abimport.Deck, renderer=pydoc.plaintext)
