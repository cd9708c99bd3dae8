#!/usr/bin/env bash
# The main job: builds and installs the library and the vor4 tool into build/install, makes a
# sample survey (a 2D grid with a few properties, one with missing cells) and looks inside it
# with the installed tool; GDAL opens a property through an exported VRT. Last, the C host
# program of examples/host is built against the installed package and run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j"$jobs" --target ekx_file_vor4 ekx_basic ekx_io ekx_prg ekx_path vor4
rm -rf build/install
cmake --install build/release --prefix build/install
vor4=build/install/bin/vor4
survey=build/survey
rm -rf "$survey" && mkdir -p "$survey"

step() { printf '\n== %s\n' "$*"; }

step "a sample survey: 320 x 200 cells of 25 m, three properties made with numpy and imported"
/usr/bin/python3 - "$survey" <<'PY'
import sys
import numpy as np
out = sys.argv[1]
y, x = np.mgrid[0:200, 0:320].astype(np.float64)
depth = 1500 + 40 * np.sin(x / 37) * np.cos(y / 23) + 0.8 * x + 0.3 * y
np.save(f"{out}/depth.npy", depth.astype(np.float32))
porosity = 0.18 + 0.06 * np.sin(x / 15 + y / 40)
porosity[(x - 220) ** 2 / 60 ** 2 + (y - 60) ** 2 / 40 ** 2 < 1] = np.nan   # a lake: no wells there
np.save(f"{out}/porosity.npy", porosity.astype(np.float32))
np.save(f"{out}/facies.npy", ((x // 80 + y // 50) % 4).astype(np.uint8))
PY
"$vor4" import "$survey/survey.xml" Depth "$survey/depth.npy" --origin 500000,6200000 --cell 25,25 --azimuth 15
"$vor4" import "$survey/survey.xml" Porosity "$survey/porosity.npy"
"$vor4" import "$survey/survey.xml" Facies "$survey/facies.npy" --kind pkClass

step "vor4 info"
"$vor4" info "$survey/survey.xml"
step "vor4 stats --update: computed, stored in the document, the histogram drawn"
"$vor4" stats "$survey/survey.xml" Porosity --update
step "vor4 cat: a 16 x 8 overview of the porosity (-- and nan are missing cells)"
"$vor4" cat "$survey/survey.xml" Porosity --size 16,8
step "vor4 export to .vrt, opened by gdalinfo -stats (no data copied)"
"$vor4" export "$survey/survey.xml" Porosity -o "$survey/porosity.vrt"
gdalinfo -stats "$survey/porosity.vrt"
step "vor4 check"
"$vor4" check "$survey/survey.xml"

step "the C host program, built against the installed library"
cmake -S examples/host -B build/host -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$PWD/build/install"
cmake --build build/host -j"$jobs"
mkdir -p build/host-run
./build/host/ekx_vor4_host build/host-run
