"""GDAL reads what `vor4 export -o X.vrt` writes: for properties of every type imported into a rotated
2D document and a rotated 3D document, each cell's value, its no-data state and the world point of its
centre must equal what the library gives (its geotransform, cell location and reads), and the values
must be those of the arrays imported.

Run as: python3 gdal_roundtrip.py VOR4 LIBRARY_PROBE WORK_FOLDER"""
import math, os, shutil, subprocess, sys  # noqa: E401

import numpy as np
from osgeo import gdal

gdal.UseExceptions()
vor4, probe, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

# dtype, the value the document stores for "no value" (None: the type has none).
TYPES = [(np.float32, np.nan), (np.uint8, 255), (np.int32, 2147483647), (np.bool_, None), (np.float64, np.nan)]
DOCUMENTS = [
    ("plane.xml", (5, 7), ["--origin", "1000.5,2000", "--cell", "10,25", "--azimuth", "30"]),
    ("cube.xml", (3, 4, 6), ["--origin", "-50,80,100", "--cell", "2,3,7", "--azimuth", "-112.5"]),
]
rng = np.random.default_rng(12)
checked = 0


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True)
    return done.stdout if done.returncode == 0 else sys.exit(f"{' '.join(args)} failed: {done.stderr}")


for doc_name, shape, geometry in DOCUMENTS:
    doc = os.path.join(work, doc_name)
    for t, (dtype, nodata) in enumerate(TYPES):
        values = (rng.integers(0, 2 if nodata is None else 200, size=shape) * (0.5 if isinstance(nodata, float) else 1)).astype(dtype)
        missing = rng.random(shape) < (0 if nodata is None else 0.2)
        if nodata is not None:
            values[missing] = nodata
        name, vrt = f"P{t}", os.path.join(work, f"{doc_name}P{t}.vrt")
        np.save(os.path.join(work, name + ".npy"), values)
        run(vor4, "import", doc, name, os.path.join(work, name + ".npy"), *(geometry if t == 0 else []))
        run(vor4, "export", doc, name, "-o", vrt)

        ds = gdal.Open(vrt)
        assert (ds.RasterXSize, ds.RasterYSize, ds.RasterCount) == (shape[-1], shape[-2], shape[0] if len(shape) == 3 else 1)
        gt = ds.GetGeoTransform()
        bands = [ds.GetRasterBand(b + 1) for b in range(ds.RasterCount)]
        pixels = [b.ReadAsArray().astype(np.float64) for b in bands]
        masks = [b.GetMaskBand().ReadAsArray() == 0 for b in bands]
        for line in run(probe, doc, name).splitlines():
            k, c, r, x, y, col, row, value = (float(w) if i in (3, 4, 7) else int(w) for i, w in enumerate(line.split()))
            where, cell = f"{doc_name} {name} layer {k} column {c} row {r}", (k, r, c) if len(shape) == 3 else (r, c)
            # The library's value is the imported one (a missing value reads back as NaN, a byte as itself).
            assert (math.isnan(value) and missing[cell]) or value == float(values[cell]), f"{where}: library {value}, imported {values[cell]}"
            # GDAL's pixel at the cell the library locates holds that value, or is no-data where the
            # library has no value; its no-data cells are the imported missing ones.
            assert masks[k][row, col] if math.isnan(value) else pixels[k][row, col] == value, f"{where}: GDAL {pixels[k][row, col]}, library {value}"
            assert masks[k][row, col] == missing[cell], f"{where}: no-data state"
            # GDAL's centre of that pixel is the library's centre of the cell.
            gx, gy = (gt[3 * i] + (col + 0.5) * gt[3 * i + 1] + (row + 0.5) * gt[3 * i + 2] for i in (0, 1))
            assert abs(gx - x) <= 1e-7 * max(map(abs, gt)) and abs(gy - y) <= 1e-7 * max(map(abs, gt)), f"{where}: GDAL ({gx}, {gy}), library ({x}, {y})"
            checked += 1
        nodata_value = bands[0].GetNoDataValue()
        assert nodata_value is None if nodata is None else math.isnan(nodata_value) if isinstance(nodata, float) else nodata_value == nodata

expected = sum(5 * math.prod(shape) for _, shape, _ in DOCUMENTS)
assert checked == expected, f"{checked} cells checked, {expected} expected"
print(f"{checked} cells: GDAL agrees with the library")
