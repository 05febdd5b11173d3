"""Editing a read deck: fields set on cards, the diff, and the saves, which
go through the same edit as ``abimport --set``."""

import os
import shutil

import numpy
import pytest

import abimport
from conftest import ROOT

MODEL = os.path.join(ROOT, "examples", "model")
BAG = os.path.join("bags", "driver-bag-with-interaction.k")
GEOMETRY = os.path.join("common", "geometry.k")


def card(deck, name, file, line):
    return next(c for k in deck for c in k.cards if c.name == name and k.file == file and c.line == line)


def edit_model(deck):
    card(deck, "Interaction", BAG, 25)["AREA"] = 0.0025
    card(deck, "VentHole", BAG, 12).set_text("VNTCOF", "0.75")
    card(deck, "NodeInfo", GEOMETRY, 7)["X"] = -1523.123456


def model_copy(tmp_path):
    shutil.copytree(MODEL, tmp_path / "model")
    os.chdir(tmp_path / "model")
    return {f: open(f, "rb").read() for f in abimport.read("main.k").files}


def values(deck):
    return [(k.file, c.line, c.name, c.to_dict()) for k in deck for c in k.cards]


def test_edit_diff_save_round_trip(tmp_path, tool, monkeypatch):
    monkeypatch.chdir(ROOT)
    before = model_copy(tmp_path)
    deck = abimport.read("main.k")
    edit_model(deck)
    assert card(deck, "Interaction", BAG, 25)["AREA"] == 0.0025
    assert card(deck, "NodeInfo", GEOMETRY, 7).get("X") == -1523.123456
    assert deck.diff() == tool("--set", BAG + ":25:AREA=0.0025", "--set", BAG + ":12:VNTCOF=0.75",
                               "--set", GEOMETRY + ":7:X=-1523.123456", "--diff", "main.k").decode()
    assert {f: open(f, "rb").read() for f in before} == before  # nothing written before save
    deck.save()
    assert deck.diff() == ""
    changes = {(BAG, 25, "Interaction"): {"AREA": 0.0025}, (BAG, 12, "VentHole"): {"VNTCOF": 0.75},
               (GEOMETRY, 7, "NodeInfo"): {"X": -1523.123456}}
    os.chdir(MODEL)
    expected = [(f, line, name, dict(fields, **changes.get((f, line, name), {})))
                for f, line, name, fields in values(abimport.read("main.k"))]
    os.chdir(tmp_path / "model")
    assert values(abimport.read("main.k")) == expected
    untouched = [f for f in before if f not in (BAG, GEOMETRY)]
    assert untouched and all(open(f, "rb").read() == before[f] for f in untouched)


def test_save_to_folder_copies_untouched_files_exactly(tmp_path, monkeypatch):
    monkeypatch.chdir(ROOT)
    before = model_copy(tmp_path)
    deck = abimport.read("main.k")
    card(deck, "Interaction", BAG, 25)["AREA"] = 0.0025
    deck.save(tmp_path / "out")
    for f, data in before.items():
        assert open(f, "rb").read() == data  # the model itself is left alone
        copied = (tmp_path / "out" / f).read_bytes()
        assert (copied == data) == (f != BAG), f
    os.chdir(tmp_path / "out")
    assert card(abimport.read("main.k"), "Interaction", BAG, 25)["AREA"] == 0.0025


ERROR_DECK = ("*AIRBAG_INTERACTION\n         1         2       1.5\n"
              "*AIRBAG_REFERENCE_GEOMETRY\n       7             0.0\n" + " " * 130
              + "\n*AIRBAG_REFERENCE_GEOMETRY\n")


# A float without an exact text that fits: docs/python.md's session (SF).
@pytest.mark.parametrize("line, edit, error, message", [
    (4, lambda c: c.set_text("X", "1.5+3"), ValueError, ":4: NodeInfo X: '1.5+3' is not a number"),
    (2, lambda c: c.__setitem__("ARE", 1), KeyError, ":2: Interaction has no field 'ARE' on this line"),
    (2, lambda c: c.__setitem__("AB1", 1.5), ValueError, ":2: Interaction AB1: '1.5' is not an integer"),
    (5, lambda c: c.__setitem__("NID", 1), ValueError, ":5: the line is longer than 126 characters"),
    (2, lambda c: c.__setitem__("AREA", "1.5"), TypeError,
     ":2: Interaction AREA: a field takes an int or a float"),
])
def test_edit_errors_name_the_field_and_change_nothing(write_deck, line, edit, error, message):
    path = write_deck(ERROR_DECK)
    deck = abimport.read(path)
    target = next(c for c in deck.cards() if c.line == line)
    with pytest.raises(error) as raised:
        edit(target)
    assert message in str(raised.value)
    deck.save()
    assert deck.diff() == "" and open(path).read() == ERROR_DECK


def test_save_errors_write_nothing(tmp_path, write_deck):
    path = write_deck(ERROR_DECK)
    deck = abimport.read(path)
    deck.cards("Interaction")[0]["AREA"] = 2.5
    with open(path, "a") as f:
        f.write("$ changed meanwhile\n")
    with pytest.raises(OSError, match="deck.k: the file changed on disk since it was read"):
        deck.save()
    with pytest.raises(OSError, match="deck.k: the file changed on disk since it was read"):
        deck.save(tmp_path / "elsewhere")
    assert open(path).read() == ERROR_DECK + "$ changed meanwhile\n"
    assert not (tmp_path / "elsewhere").exists()

    # An include outside the main deck's folder: CliTest.EditErrorsNameTheFieldAndWriteNothing.
    text_deck = abimport.read_text(ERROR_DECK, name=path)
    with pytest.raises(ValueError, match="read from text or standard input"):
        text_deck.cards("Interaction")[0]["AREA"] = 1
    with pytest.raises(ValueError, match="read from text or standard input"):
        text_deck.save()


def test_set_rounds_blanks_and_reads_in_any_case(write_deck):
    path = write_deck("*AIRBAG_INTERACTION\n         1         2       1.5       2.5\n")
    deck = abimport.read(path)
    interaction = deck.cards("Interaction")[0]
    assert interaction.set("area", 0.8250000000000001, round=True) == 0.825
    assert interaction["AREA"] == 0.825 and interaction["area"] == 0.825
    interaction["SF"] = float("inf")
    assert interaction["SF"] == float("inf")
    assert interaction.set_text("SF", "") == 0.0  # blank columns read as 0
    deck.save()
    assert open(path).read() == "*AIRBAG_INTERACTION\n         1         2     0.825          \n"


def test_set_nodes_and_shells_write_only_the_changed_fields(write_deck):
    text = ("*AIRBAG_REFERENCE_GEOMETRY\n       7             0.0             1.0             2.0\n"
            "8,3.0,4.0,5.0\n*AIRBAG_SHELL_REFERENCE_GEOMETRY\n       1       5       7       8       9\n")
    path = write_deck(text)
    deck = abimport.read(path)
    deck.set_nodes(numpy.array([8, 7]), numpy.array([[3.0, -4.5, 5.0], [0.1, 1.0, 2.0]]))
    deck.set_shells(numpy.array([1]), numpy.array([[7, 8, 9, 10]]))
    with pytest.raises(ValueError, match="no node 99 in the reference geometries"):
        deck.set_nodes(numpy.array([7, 99]), numpy.zeros((2, 3)))
    with pytest.raises(ValueError, match=":2: NodeInfo X: '0.1234567890123456' has no text that "
                                         "fits its 16 columns; the closest is '.123456789012346'"):
        deck.set_nodes(numpy.array([7]), numpy.array([[0.1234567890123456, 0, 0]]))
    deck.save()
    assert open(path).read() == text.replace("             0.0             1.0", "             0.1             1.0") \
        .replace("8,3.0,4.0,5.0", "8,3.0,-4.5,5.0").replace("       9\n", "       9      10\n")
    nodes = abimport.read(path).nodes()
    assert nodes.nid.tolist() == [7, 8] and nodes.xyz.tolist() == [[0.1, 1.0, 2.0], [3.0, -4.5, 5.0]]
