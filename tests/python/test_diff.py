"""abimport.diff is the tool's comparison: the same changes as `abimport diff
--json`, from paths or from decks read before."""

import json
import os
import re

import pytest

import abimport
from conftest import ROOT

MODEL = os.path.join(ROOT, "examples", "model", "main.k")
VARIANT = os.path.join(ROOT, "examples", "model-variant", "main.k")

# The tool's camelCase keys as Python has them.
PYTHON_KEYS = {"keywordId": "keyword_id"}


def python_keys(change):
    return {PYTHON_KEYS.get(key, key): value for key, value in change.items()}


def all_keys(value):
    if isinstance(value, dict):
        return set(value) | {k for v in value.values() for k in all_keys(v)}
    return set()


@pytest.mark.parametrize("options, count", [([], 3), (["--all"], 4), (["--tolerance", "0.1"], 1)],
                         ids=str)
def test_changes_equal_the_tool(tool, options, count):
    expected = [python_keys(json.loads(line))
                for line in tool("diff", "--json", *options, MODEL, VARIANT).splitlines()]
    keywords = {"all": "--all" in options,
                "tolerance": float(options[1]) if "--tolerance" in options else 0.0}
    assert abimport.diff(MODEL, VARIANT, **keywords) == expected
    assert abimport.diff(abimport.read(MODEL), abimport.read(VARIANT), **keywords) == expected
    assert len(expected) == count


def test_keys_are_snake_case_but_field_names():
    changes = abimport.diff(MODEL, VARIANT, all=True)
    assert "keyword_id" in changes[0] and changes[-1]["NID"] == 9
    assert {key for change in changes for key in all_keys(change)
            if not re.fullmatch("[a-z]+(_[a-z]+)*", key)} == {"NID"}


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
