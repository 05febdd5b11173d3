"""The scripts of examples/python run on the example model and write what
they say: a PNG, a VTU file that reads back to the deck's geometry, and a
table of cards."""

import os
import runpy
import subprocess
import sys

import meshio
import numpy

import abimport
from conftest import ROOT

MODEL = os.path.join(ROOT, "examples", "model", "main.k")


def run_example(name, *args, check=True):
    """The script's standard output; with check=False, the whole result."""
    script = os.path.join(ROOT, "examples", "python", name)
    result = subprocess.run([sys.executable, script, *args], capture_output=True, text=True,
                            check=check)
    return result.stdout if check else result


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
    assert table[0].split() == ["file", "line", "keyword", "EID", "PID", "N1", "N2", "N3", "N4"]
    assert len(table) == 1 + len(shells.eid)
    assert table[1].split()[4:] == [str(n) for n in (shells.eid[0], shells.pid[0], *shells.nodes[0])]


def shell_line(eid, *nodes):
    return "".join("%8s" % n for n in (eid, 7) + nodes)


def load_example(name):
    """The script's functions and constants, without running it."""
    return runpy.run_path(os.path.join(ROOT, "examples", "python", name))


def test_examples_on_models_with_gaps(tmp_path, write_deck):
    # Nodes 1 to 4; a quad, triangles with N4 blank and N4 = N3, a shell naming
    # node 99 beyond the last node and one with N2 blank (node 0).
    nodes = ["%8d%16.1f%16.1f%16.1f" % (n, n % 2, n // 3, 0.0) for n in (1, 2, 3, 4)]
    shells = [shell_line(10, 1, 2, 3, 4), shell_line(11, 1, 2, 3, ""), shell_line(12, 2, 3, 4, 4),
              shell_line(13, 1, 2, 99, 4), shell_line(14, 1, "", 3, 4)]
    deck = write_deck("\n".join(["*AIRBAG_REFERENCE_GEOMETRY"] + nodes + ["*AIRBAG_SHELL_REFERENCE_GEOMETRY"]
                                + shells + ["*END", ""]))
    vtu = str(tmp_path / "gaps.vtu")
    result = run_example("to_vtu.py", deck, vtu, check=False)
    assert result.returncode == 0, result.stderr
    assert result.stderr == "to_vtu.py: shells naming nodes that the reference geometry lacks, left out: 2\n"
    mesh = meshio.read(vtu)
    assert mesh.cells_dict["quad"].tolist() == [[0, 1, 2, 3]]
    assert mesh.cells_dict["triangle"].tolist() == [[0, 1, 2], [1, 2, 3]]

    plot = load_example("plot_geometry.py")
    figure, shown = plot["draw"](abimport.read(deck))
    assert shown == "4 nodes, 3 shells (2 shells naming nodes it lacks)"
    assert len(figure.axes[0].texts) == 4
    many = write_deck("\n".join(["*AIRBAG_REFERENCE_GEOMETRY"] + ["%8d%16.1f%16.1f%16.1f" % (n, n, 0, 0)
                                 for n in range(1, plot["MOST_LABELS"] + 2)] + [""]), name="many.k")
    figure, shown = plot["draw"](abimport.read(many))
    assert shown == "%d nodes, 0 shells" % (plot["MOST_LABELS"] + 1) and not figure.axes[0].texts

    bare = write_deck("*AIRBAG_INTERACTION\n         1\n", name="bare.k")
    for script in ("to_vtu.py", "plot_geometry.py"):
        result = run_example(script, bare, str(tmp_path / "out"), check=False)
        assert result.returncode == 1
        assert result.stderr == "%s: %s holds no reference geometry nodes\n" % (script, bare)
    # cards_table.py on a name the deck lacks: the transcript of docs/python.md.
