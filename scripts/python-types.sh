#!/usr/bin/env bash
# The Python package's types: mypy --strict on python/abimport (the code and
# the extension's stubs), then stubtest, which compares the stubs with the
# extension as built, installed into VENV (scripts/python-install.sh).
# Both come with Debian's python3-mypy. Fails on any error either reports.
#
#   scripts/python-types.sh VENV
set -euo pipefail
cd "$(dirname "$0")/.."
venv=$(realpath -m "${1:?virtual environment folder}")
allowlist=$PWD/python/stubtest-allowlist.txt
# mypy keeps its cache beside the environment, not in the source tree.
export MYPY_CACHE_DIR=$venv/mypy-cache
/usr/bin/python3 -m mypy --strict python/abimport
scripts/python-install.sh "$venv"
# From outside the source tree, so that the installed package is the one
# checked (and stubtest's empty cache folder lands in the environment).
cd "$venv"
"$venv/bin/python" -m mypy.stubtest --allowlist "$allowlist" abimport
