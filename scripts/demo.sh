#!/usr/bin/env bash
# Builds the library, installs it into build/install, builds the C host program of
# examples/host against the installed package (find_package) and runs it. The C++ property
# demo runs first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j"$jobs" --target ekx_file_vor4 ekx_basic ekx_io ekx_prg ekx_path ekx_vor4_demo
./build/release/demo/ekx_vor4_demo

echo
echo "== the C host program, built against the installed library =="
rm -rf build/install
cmake --install build/release --prefix build/install
cmake -S examples/host -B build/host -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$PWD/build/install"
cmake --build build/host -j"$jobs"
mkdir -p build/host-run
./build/host/ekx_vor4_host build/host-run
