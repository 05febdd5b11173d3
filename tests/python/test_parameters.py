"""Parameters from Python: Card.parameters, parameters=False, and the JSON
Lines and comparison the tool gives for a parameterised model."""

import json
import os

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
