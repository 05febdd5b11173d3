"""The type stubs name what the extension has, so that an editor's
completion and checks match the package."""

import ast
import os

import abimport
from abimport import _core


def stub_classes():
    path = os.path.join(os.path.dirname(abimport.__file__), "_core.pyi")
    with open(path, encoding="utf-8") as f:
        tree = ast.parse(f.read())
    return {node.name: {item.name for item in node.body if isinstance(item, ast.FunctionDef)}
            for node in tree.body if isinstance(node, ast.ClassDef)}


def test_stubs_list_every_public_member():
    stubs = stub_classes()
    runtime = {name: {member for member in dir(cls) if not member.startswith("_")}
               for name, cls in vars(_core).items()
               if isinstance(cls, type) and not name.startswith("_")}
    assert set(stubs) == set(runtime)
    for name, members in runtime.items():
        assert {m for m in stubs[name] if not m.startswith("_")} == members, name
