"""The scripts of examples/python run on the example model and write what
they say: a PNG, a VTU file that reads back to the deck's geometry, and a
table of cards."""

import os
import subprocess
import sys

import meshio
import numpy

import abimport
from conftest import ROOT

MODEL = os.path.join(ROOT, "examples", "model", "main.k")


def run_example(name, *args):
    script = os.path.join(ROOT, "examples", "python", name)
    return subprocess.run([sys.executable, script, *args], capture_output=True, text=True,
                          check=True).stdout


def test_examples_write_the_geometry(tmp_path):
    png, vtu = str(tmp_path / "model.png"), str(tmp_path / "model.vtu")
    run_example("plot_geometry.py", MODEL, png)
    with open(png, "rb") as f:
        assert f.read(8) == b"\x89PNG\r\n\x1a\n"

    run_example("to_vtu.py", MODEL, vtu)
    deck = abimport.read(MODEL)
    nodes, shells = deck.nodes(), deck.shells()
    mesh = meshio.read(vtu)
    numpy.testing.assert_array_equal(mesh.points, nodes.xyz)
    numpy.testing.assert_array_equal(mesh.point_data["nid"], nodes.nid)
    row_of = {nid: row for row, nid in enumerate(nodes.nid.tolist())}
    assert mesh.cells_dict["quad"].tolist() == [[row_of[n] for n in quad]
                                               for quad in shells.nodes.tolist()]

    table = run_example("cards_table.py", MODEL, "ShellInfo").splitlines()
    assert table[0].split() == ["file", "line", "EID", "PID", "N1", "N2", "N3", "N4"]
    assert len(table) == 1 + len(shells.eid)
    assert table[1].split()[3:] == [str(n) for n in (shells.eid[0], shells.pid[0], *shells.nodes[0])]
