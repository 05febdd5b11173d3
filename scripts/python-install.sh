#!/usr/bin/env bash
# Installs the Python package from the source tree into VENV, a virtual
# environment of Debian's python3 with the system's packages, made when it is
# missing. Offline: pip uses the system's setuptools and pybind11 and no index.
#
#   scripts/python-install.sh VENV
set -euo pipefail
cd "$(dirname "$0")/.."
venv=$(realpath -m "${1:?virtual environment folder}")
[ -x "$venv/bin/python" ] || /usr/bin/python3 -m venv --system-site-packages "$venv"
"$venv/bin/pip" install -q --disable-pip-version-check --no-build-isolation --no-index --no-deps .
