"""Runs the transcripts of the project's Markdown documents and compares
what they show with what the commands print now, so that the docs cannot
drift from the programs.

A fenced block whose first line begins with "$ " is a shell transcript: each
"$ " line is a command, and the lines after it are what the command prints
(standard output and standard error together, as a terminal shows them). A
line of output may itself begin with "$ " (the write-back's "$ FILE:LINE"
comments): a command's output is as many lines as the command printed, and
the next "$ " line after them is the next command. A line "..." stands for
any number of lines (none included). A command that exits with a status
other than 0 shows it as a last line "[N]".

A ```python block is a script: it runs with the package installed and must
exit 0; a ```pycon block is a session with ">>> " prompts, run by doctest.

The commands of one block run one after another in one shell, in a scratch
folder holding a copy of examples/ and tests/golden/ (so "cd examples/model" works and files
the commands write are thrown away), with the abimport tool and the Python
that has the package first on PATH. A block right after the comment
"<!-- not run: REASON -->" is not run.

  python3 tests/docs/transcripts.py README.md docs/*.md   (prints every mismatch)
"""

import doctest
import os
import re
import shutil
import subprocess
import sys
import tempfile
from dataclasses import dataclass, field

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NOT_RUN = re.compile(r"<!--\s*not run:.*?-->\s*$")
FENCE = re.compile(r"^(\s*)```(\w*)\s*$")
WILDCARD = "..."
# The folders the documents' commands name, copied into each scratch folder.
SHOWN_FOLDERS = ["examples", os.path.join("tests", "golden")]


@dataclass
class Block:
    path: str  # the document, relative to the repository
    line: int  # of its first line inside the fence
    kind: str  # "shell", "python" or "pycon"
    lines: list = field(default_factory=list)

    @property
    def name(self):
        return "%s:%d" % (self.path, self.line)


def blocks_of(path):
    """The runnable blocks of one Markdown file, in order."""
    relative = os.path.relpath(path, ROOT)
    with open(path, encoding="utf-8") as text:
        lines = text.read().split("\n")
    found, i, skip_next = [], 0, False
    while i < len(lines):
        fence = FENCE.match(lines[i])
        if not fence:
            if lines[i].strip():
                skip_next = bool(NOT_RUN.search(lines[i]))
            i += 1
            continue
        indent, info = fence.group(1), fence.group(2)
        start, i = i + 1, i + 1
        while i < len(lines) and not re.match(r"^\s*```\s*$", lines[i]):
            i += 1
        body = [line[len(indent):] if line.startswith(indent) else line for line in lines[start:i]]
        i += 1
        kind = {"python": "python", "pycon": "pycon"}.get(info)
        if kind is None and body and body[0].startswith("$ "):
            kind = "shell"
        if kind and not skip_next:
            found.append(Block(relative, start + 1, kind, body))
        skip_next = False
    return found


def take_command(lines, at):
    """The command of the "$ " line at index at, with the lines it goes on
    in (while it ends with a backslash), and the index after it."""
    command, at = lines[at][2:], at + 1
    while command.endswith("\\") and at < len(lines):
        command, at = command + "\n" + lines[at], at + 1
    return command, at


class Scratch:
    """A scratch folder with a copy of examples/ and the tools on PATH."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="abimport-docs-")
        for shown in SHOWN_FOLDERS:
            shutil.copytree(os.path.join(ROOT, shown), os.path.join(self.folder, shown),
                            symlinks=True)
        tool = os.environ.get("ABIMPORT_CLI", os.path.join(ROOT, "build", "tools", "abimport"))
        python = os.path.dirname(sys.executable)
        self.env = dict(os.environ, PATH=os.pathsep.join(
            [os.path.dirname(os.path.abspath(tool)), python, os.environ.get("PATH", "")]),
            LC_ALL="C.UTF-8", COLUMNS="100")

    def close(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def output_matches(actual, expected):
    """How many expected lines the actual output takes (wildcards included),
    such that the line after them is a command or the end; None when the
    output does not match."""
    def match(a, e):
        if a == len(actual):
            # Wildcards may still stand before the next command.
            while e < len(expected) and expected[e] == WILDCARD:
                e += 1
            if e == len(expected) or expected[e].startswith("$ "):
                return e
            return None
        if e == len(expected):
            return None
        if expected[e] == WILDCARD:
            return match(a, e + 1) if match(a, e + 1) is not None else match(a + 1, e)
        return match(a + 1, e + 1) if actual[a] == expected[e] else None
    sys.setrecursionlimit(max(sys.getrecursionlimit(), 4 * (len(actual) + len(expected)) + 100))
    return match(0, 0)


def run_shell(block, scratch):
    """The mismatches of a shell transcript, as text (empty when it matches)."""
    shell = subprocess.Popen(["bash", "--norc", "--noprofile"], cwd=scratch.folder, env=scratch.env,
                             stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    marker = "__abimport_docs_%d__" % os.getpid()
    problems, at = [], 0
    while at < len(block.lines):
        where = block.line + at
        command, at = take_command(block.lines, at)
        # Standard input is not the shell's script: a command reads nothing from it.
        shell.stdin.write(("{ %s\n} </dev/null\nprintf '\\n%s %%d\\n' $?\n"
                           % (command, marker)).encode())
        shell.stdin.flush()
        printed = []
        while True:
            raw = shell.stdout.readline()
            if not raw:
                return "%s:%d: the shell ended during '%s'" % (block.path, where, command)
            text = raw.decode("utf-8", "surrogateescape").rstrip("\n")
            if text.startswith(marker):
                status = int(text.split()[1])
                break
            printed.append(text)
        # The marker's own newline ends an output without one; drop what it added.
        if printed and printed[-1] == "":
            printed.pop()
        if status:
            printed.append("[%d]" % status)
        rest = block.lines[at:]
        taken = output_matches(printed, rest)
        if taken is None:
            taken = next((i for i, r in enumerate(rest) if r.startswith("$ ")), len(rest))
            problems.append("%s:%d: '%s' printed:\n%s\nexpected:\n%s" % (
                block.path, where, command, "\n".join(printed), "\n".join(rest[:taken])))
        at += taken
    shell.stdin.close()
    shell.wait()
    return "\n".join(problems)


def run_python(block, scratch):
    script = "\n".join(block.lines) + "\n"
    done = subprocess.run([sys.executable, "-"], input=script.encode(), cwd=scratch.folder,
                          env=scratch.env, capture_output=True, check=False)
    if done.returncode:
        return "%s: the script failed (%d):\n%s" % (block.name, done.returncode,
                                                    done.stderr.decode(errors="replace"))
    return ""


def run_pycon(block, scratch):
    parser = doctest.DocTestParser()
    test = parser.get_doctest("\n".join(block.lines) + "\n", {}, block.name, block.path, block.line)
    report = []
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    here = os.getcwd()
    os.chdir(scratch.folder)
    try:
        runner.run(test, out=report.append)
    finally:
        os.chdir(here)
    return "".join(report)


RUNNERS = {"shell": run_shell, "python": run_python, "pycon": run_pycon}


def run(block):
    scratch = Scratch()
    try:
        return RUNNERS[block.kind](block, scratch)
    finally:
        scratch.close()


def main(paths):
    failures = 0
    for path in paths:
        for block in blocks_of(os.path.abspath(path)):
            problem = run(block)
            if problem:
                failures += 1
                print(problem + "\n")
    print("%d transcripts differ" % failures if failures else "every transcript matches")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:] or [os.path.join(ROOT, "README.md")]))
