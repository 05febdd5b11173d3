#!/usr/bin/env bash
# Tests the Python package: installs it into a virtual environment made from
# Debian's python3 (with the system's numpy, pytest, matplotlib, meshio and
# pandas) and runs tests/python against the abimport tool at ABIMPORT_CLI.
#
#   scripts/python-test.sh source VENV   pip install . into VENV
#   scripts/python-test.sh wheel VENV    pip wheel ., then a fresh VENV with
#                                        only the wheel installed
# Offline: pip uses the system's setuptools and pybind11 and no index.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:?source or wheel}
venv=$(realpath -m "${2:?virtual environment folder}")
python=/usr/bin/python3
export ABIMPORT_CLI=${ABIMPORT_CLI:-$PWD/build/tools/abimport}
pip_offline=(--disable-pip-version-check --no-build-isolation --no-index --no-deps)

case "$mode" in
source)
  scripts/python-install.sh "$venv"
  ;;
wheel)
  wheels=$(mktemp -d)
  trap 'rm -rf "$wheels"' EXIT
  "$python" -m pip wheel -q "${pip_offline[@]}" -w "$wheels" .
  rm -rf "$venv"
  "$python" -m venv --system-site-packages "$venv"
  "$venv/bin/pip" install -q --disable-pip-version-check --no-index --no-deps "$wheels"/abimport-*.whl
  ;;
*)
  echo "usage: $0 source|wheel VENV" >&2
  exit 2
  ;;
esac
# From outside the source tree, so that the installed package is the one tested.
cd tests/python
"$venv/bin/python" -m pytest -q -p no:cacheprovider .
