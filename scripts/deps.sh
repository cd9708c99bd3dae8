#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing: CLI11 and nlohmann-json for
# the vor4 tool, GDAL (its programs and Python bindings) for the demo and the tool's round-trip test,
# clang with libFuzzer for the fuzz targets.
set -euo pipefail
need=()
for pkg in build-essential cmake pkg-config libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev \
           libcli11-dev nlohmann-json3-dev gdal-bin python3-gdal clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${need[@]}"
fi

# The Python package and its tests: numpy, xarray and Dask come from Debian, without the
# recommended extras (file-format libraries the package does not use).
py=()
for pkg in python3-numpy python3-xarray python3-dask python3-distributed python3-pytest python3-venv python3-setuptools python3-wheel; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || py+=("$pkg")
done
if [ ${#py[@]} -gt 0 ]; then
  echo "installing: ${py[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${py[@]}"
fi
