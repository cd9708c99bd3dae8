#!/usr/bin/env bash
# Installs the Python package vor4 into a virtual environment made from Debian's Python (with the
# system's numpy, xarray and Dask) and runs its tests against the shared library of a build tree.
# Usage: scripts/python_tests.sh [build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$PWD/${1:-build/release}"
lib="$build/api/libekx_file_vor4.so"
[ -f "$lib" ] || { echo "no shared library at $lib: build the tree first" >&2; exit 1; }

venv="$build/python-venv"
rm -rf "$venv"
/usr/bin/python3 -m venv --system-site-packages "$venv"
# Built from a copy, so that the build leaves nothing in the source tree.
src=$(mktemp -d)
trap 'rm -rf "$src"' EXIT
cp -r python/pyproject.toml python/vor4 "$src"
"$venv/bin/python" -m pip install --no-build-isolation --no-index --quiet "$src"

# -P keeps the working folder off the import path: the installed package is the one tested.
export EKX_VOR4_LIBRARY="$lib" PYTHONDONTWRITEBYTECODE=1
"$venv/bin/python" -P -c "import vor4; print(\"testing\", vor4.__file__)"
"$venv/bin/python" -P -m pytest -p no:cacheprovider -p no:logging -q python/tests
