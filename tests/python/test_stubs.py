"""What stubtest (scripts/python-types.sh) does not compare: the members of
the stubs' enums, here the flag bits, which the extension makes."""

import ast
import enum
import os

import abimport
from abimport import _core


def stub_enum_members():
    path = os.path.join(os.path.dirname(abimport.__file__), "_core.pyi")
    with open(path, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    return {node.name: [item.target.id for item in node.body if isinstance(item, ast.AnnAssign)]
            for node in tree.body if isinstance(node, ast.ClassDef)
            and any(isinstance(base, ast.Attribute) and base.attr.endswith("Flag") for base in node.bases)}


def test_stub_enums_list_every_member():
    stubs = stub_enum_members()
    runtime = {name: list(cls.__members__) for name, cls in vars(_core).items()
               if isinstance(cls, enum.EnumMeta)}
    assert stubs == runtime and "Flags" in runtime
