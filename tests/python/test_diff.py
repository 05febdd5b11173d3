"""abimport.diff is the tool's comparison: the same changes as `abimport diff
--json`, from paths or from decks read before."""

import json
import os

import pytest

import abimport
from conftest import ROOT

MODEL = os.path.join(ROOT, "examples", "model", "main.k")
VARIANT = os.path.join(ROOT, "examples", "model-variant", "main.k")


@pytest.mark.parametrize("options, count", [([], 3), (["--all"], 4), (["--tolerance", "0.1"], 1)],
                         ids=str)
def test_changes_equal_the_tool(tool, options, count):
    expected = [json.loads(line) for line in tool("diff", "--json", *options, MODEL, VARIANT).splitlines()]
    keywords = {"all": "--all" in options,
                "tolerance": float(options[1]) if "--tolerance" in options else 0.0}
    assert abimport.diff(MODEL, VARIANT, **keywords) == expected
    assert abimport.diff(abimport.read(MODEL), abimport.read(VARIANT), **keywords) == expected
    assert len(expected) == count


def test_no_changes_and_bad_arguments(tmp_path):
    assert abimport.diff(MODEL, abimport.read(MODEL)) == []
    with pytest.raises(FileNotFoundError):
        abimport.diff(MODEL, tmp_path / "none.k")
    for tolerance in (-1, float("nan"), float("inf")):
        with pytest.raises(ValueError):
            abimport.diff(MODEL, MODEL, tolerance=tolerance)


def test_absolute_tolerance_and_blank_ids_pair_with_zero(tmp_path):
    old = abimport.read_text("*AIRBAG_REFERENCE_GEOMETRY\n       1             0.0\n"
                             "*AIRBAG_INTERACTION\n         0         2\n")
    new = abimport.read_text("*AIRBAG_REFERENCE_GEOMETRY\n       1           1e-06\n"
                             "*AIRBAG_INTERACTION\n\t                 2\n")
    assert [c["change"] for c in abimport.diff(old, new, tolerance=0.001)] == ["geometry"]
    assert abimport.diff(old, new, tolerance=0.001, abs_tolerance=1e-6) == []
    with pytest.raises(ValueError):
        abimport.diff(old, new, abs_tolerance=-1)
