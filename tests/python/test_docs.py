"""Every transcript and Python example in README.md and docs/ shows what the
programs print today (tests/docs/transcripts.py says how they are run)."""

import glob
import os
import re
import sys

import pytest

from conftest import ROOT

sys.path.insert(0, os.path.join(ROOT, "tests", "docs"))
import transcripts  # noqa: E402

DOCUMENTS = [os.path.join(ROOT, "README.md")] + sorted(glob.glob(os.path.join(ROOT, "docs", "*.md")))
BLOCKS = [block for path in DOCUMENTS for block in transcripts.blocks_of(path)]


@pytest.mark.parametrize("block", BLOCKS, ids=[block.name for block in BLOCKS])
def test_transcript_matches(block):
    problem = transcripts.run(block)
    assert not problem, problem


def test_host_guide_shows_the_example_hosts():
    """The guide's C++ code is the shipped example hosts' code, each file once."""
    with open(os.path.join(ROOT, "docs", "host-guide.md"), encoding="utf-8") as guide:
        blocks = re.findall(r"^```cpp\n(.*?)^```$", guide.read(), re.M | re.S)
    examples = sorted(glob.glob(os.path.join(ROOT, "examples", "host", "*.cpp")))
    shown = []
    for path in examples:
        with open(path, encoding="utf-8") as source:
            shown.append(blocks.count(source.read()))
    assert shown == [1] * len(examples), "shown once each: %s" % examples
    assert len(blocks) == len(examples), "a C++ block of the guide is no example host"
