"""Parameters from Python: Card.parameters, parameters=False, the JSON Lines
and comparison the tool gives for a parameterised model, and setting a
parameter's value."""

import json
import os
import shutil

import pytest

import abimport
from conftest import ROOT

MODEL = os.path.join(ROOT, "examples", "parameters")


def test_cards_name_their_parameters():
    deck = abimport.read(os.path.join(MODEL, "main.k"))
    interaction = deck.cards("Interaction")[0]
    assert interaction["AREA"] == 0.0025 and interaction.parameters == {"AREA": "vent",
                                                                        "LCID": "inflow"}
    assert [c.parameters for c in deck.cards("NodeInfo")][1] == {"X": "half", "Z": "zfold"}
    as_text = abimport.read(os.path.join(MODEL, "main.k"), parameters=False)
    assert as_text.cards("Interaction")[0].parameters == {}
    assert as_text.cards("Interaction")[0]["AREA"] == 0.0
    assert "not-a-number" in {w.kind for w in as_text.warnings}


def test_json_and_comparison_equal_the_tool(tool):
    main = os.path.join(MODEL, "main.k")
    assert abimport.read(main).json_lines().encode() == tool("--json", main)
    changes = abimport.diff(main, os.path.join(MODEL, "bigger-vent.k"))
    assert changes[0]["change"] == "parameter" and changes[0]["parameter"] == "vent2"
    assert [c.get("parameter") for c in changes if c["change"] == "value"] == ["vent", "vent2"]
    assert json.loads(tool("diff", "--json", main,
                           os.path.join(MODEL, "bigger-vent.k")).splitlines()[0]) == changes[0]


def test_set_parameter_writes_its_definition_as_the_tool_does(tmp_path, tool, monkeypatch):
    shutil.copytree(MODEL, tmp_path / "model")
    monkeypatch.chdir(tmp_path / "model")
    deck = abimport.read("main.k")
    assert deck.set_parameter("VENT", 0.003) == 0.003
    assert deck.set_parameter("inflow", 21) == 21
    assert deck.diff() == tool("--set-parameter", "vent=0.003", "--set-parameter", "inflow=21",
                               "--diff", "main.k").decode()
    with pytest.raises(ValueError, match=r"^params.k:7: parameter vent2: it is an expression"):
        deck.set_parameter("vent2", 1.0)
    with pytest.raises(KeyError, match="no parameter of the model is called nope"):
        deck.set_parameter("nope", 1.0)
    with pytest.raises(TypeError):
        deck.set_parameter("vent", True)
    interaction = deck.cards("Interaction")[0]
    with pytest.raises(ValueError, match=r"^main.k:7: Interaction AREA: the field holds '&vent', "
                                         r"the value of parameter vent defined at params.k:4"):
        interaction["AREA"] = 0.5
    with pytest.raises(ValueError, match="the field holds '-&half'"):
        deck.cards("NodeInfo")[2].set_text("X", "1.0")
    interaction["SF"] = 2.0  # a field beside one that names a parameter
    deck.save()
    again = abimport.read("main.k")
    assert again.cards("Interaction")[0].to_dict()["AREA"] == 0.003
    assert again.cards("Interaction")[0]["SF"] == 2.0 and again.cards("Interaction")[1]["LCID"] == 21
    with pytest.warns(UserWarning, match="bigger-vent.k:6: parameter vent: defined more than once"):
        assert abimport.read("bigger-vent.k").set_parameter("vent", 0.004) == 0.004
    with pytest.raises(ValueError, match="read without its parameters"):
        abimport.read("main.k", parameters=False).set_parameter("vent", 0.004)
