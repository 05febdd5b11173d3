"""What read() and read_text() raise, and what they report as warnings."""

import os
import pathlib

import pytest

import abimport
from conftest import ROOT

AIRBAGS = os.path.join(ROOT, "examples", "airbags.k")


@pytest.mark.parametrize("make_path, error", [
    (lambda tmp: str(tmp / "missing.k"), FileNotFoundError),
    (lambda tmp: str(tmp), IsADirectoryError),
    (lambda tmp: pathlib.Path(tmp / "missing.k"), FileNotFoundError),
    (lambda tmp: os.fsencode(tmp / "missing.k"), FileNotFoundError),
])
def test_unreadable_deck_names_the_file(tmp_path, make_path, error):
    path = make_path(tmp_path)
    with pytest.raises(error) as raised:
        abimport.read(path)
    assert raised.value.filename == os.fsdecode(path)
    assert os.fsdecode(path) in str(raised.value)


@pytest.mark.parametrize("flags, error", [
    (-1, ValueError), (2 ** 32, ValueError), (2 ** 64, ValueError), (1.0, TypeError),
    ("0x16", TypeError),
])
def test_flag_word_must_fit_32_bits(flags, error):
    with pytest.raises(error):
        abimport.read(AIRBAGS, flags=flags)
    with pytest.raises(error):
        abimport.read_text("", flags=flags)


def test_path_with_nul_is_refused():
    with pytest.raises(ValueError, match="null"):
        abimport.read(AIRBAGS + "\0.k")


def test_strict_raises_with_the_warnings(write_deck):
    path = write_deck("*AIRBAG_INTERACTION\n      abc\n*INCLUDE\nnowhere.k\n")
    deck = abimport.read(path)
    assert [w.kind for w in deck.warnings] == ["not-a-number", "include-not-found"]
    assert [w.line for w in deck.warnings] == [2, 3]
    assert str(deck.warnings[1]).startswith(path + ":3: warning: cannot find *INCLUDE 'nowhere.k'")
    assert str(deck.warnings[1]).endswith(" [include-not-found]")
    with pytest.raises(abimport.DeckError, match="2 warnings") as raised:
        abimport.read(path, strict=True)
    assert [(w.kind, w.message) for w in raised.value.warnings] == \
           [(w.kind, w.message) for w in deck.warnings]
    with pytest.raises(abimport.DeckError):
        abimport.read_text(open(path, "rb").read(), strict=True)
    assert abimport.read(AIRBAGS, strict=True).warnings == []


def test_text_with_a_surrogate_for_no_byte_must_be_bytes():
    with pytest.raises(ValueError, match="bytes"):
        abimport.read_text("*AIRBAG_INTERACTION\n\ud800\n")


def test_text_name_and_relative_includes(tmp_path):
    (tmp_path / "part.k").write_text("*AIRBAG_INTERACTION\n         1\n")
    deck = abimport.read_text("*INCLUDE\npart.k\n", name=str(tmp_path / "main.k"))
    assert deck.path == str(tmp_path / "main.k")
    assert deck.files == [str(tmp_path / "main.k"), str(tmp_path / "part.k")]
    assert deck[0].file == str(tmp_path / "part.k")
