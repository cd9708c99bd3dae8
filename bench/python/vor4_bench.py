"""Speed of the Python package against plain numpy on the same data file, in one run.

    EKX_VOR4_LIBRARY=build/release/api/libekx_file_vor4.so python3 bench/python/vor4_bench.py

Writes one 8192 x 8192 float32 property (256 MiB) into a temporary folder, then times, in
interleaved repetitions (the median of each is reported, with the ratio reference / vor4, so
that a ratio above 1 means the package is faster):

1. the whole property into numpy, against numpy.fromfile of its data file;
2. a 1024 x 1024 overview (every 8th row and column), against numpy.memmap(...)[::8, ::8].copy();
3. the mean over Dask's distributed scheduler with 2 worker processes, against one process that
   reads the property whole and takes numpy.nanmean.

Warm: the data file sits in the page cache after the first repetition, so every contestant reads
from memory and the figures compare the reading paths. Cold (Linux): the file's pages are dropped
from the page cache (posix_fadvise) before every timed call of 1 and 2, so each reads the disk.
The library keeps a mapping of the data file while the document is open, and the kernel keeps
mapped pages, so for a cold call the document is closed first and opened again (untimed).
"""
import argparse
import os
import statistics
import sys
import tempfile
import time

import numpy as np

import vor4


def timed(fn):
    t = time.perf_counter()
    result = fn()
    return time.perf_counter() - t, result


def compare(name, contestants, repeat, before=lambda: None):
    """contestants: {label: function}; the first is the reference. Returns the medians."""
    times = {label: [] for label in contestants}
    results = {}
    for _ in range(repeat):
        for label, fn in contestants.items():
            before()
            t, results[label] = timed(fn)
            times[label].append(t)
    medians = {label: statistics.median(ts) for label, ts in times.items()}
    labels = list(contestants)
    ref = labels[0]
    print(f"\n{name}")
    for label in labels:
        ratio = "" if label == ref else f"   ratio {ref} / {label} = {medians[ref] / medians[label]:.2f}"
        print(f"  {label:<34} median {medians[label] * 1e3:9.1f} ms  (of {repeat}){ratio}")
    return medians, results


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--dir", default=None, help="folder for the document (default: a temporary one)")
    parser.add_argument("--size", type=int, default=8192, help="rows and columns of the grid (default 8192)")
    parser.add_argument("--repeat", type=int, default=7)
    parser.add_argument("--no-dask", action="store_true")
    args = parser.parse_args()
    n, step = args.size, 8

    with tempfile.TemporaryDirectory(dir=args.dir) as folder:
        path = os.path.join(folder, "bench.xml")
        values = np.random.default_rng(1).random((n, n), dtype=np.float32) * 1000
        with vor4.create(path, "gt2D", (n, n)) as doc:
            doc.add_property("Depth", np.float32).write(values)
        del values
        opened = {}

        def open_document():
            opened["doc"] = vor4.open(path)
            opened["prop"] = opened["doc"].properties["Depth"]

        def reopen_cold():
            opened["doc"].close()
            drop_from_cache(data_file)
            open_document()

        open_document()
        data_file = opened["prop"].file_path
        print(f"{n} x {n} float32, {os.path.getsize(data_file) / 2**20:.0f} MiB, library {vor4._lib.get().path}")

        caches = [("warm", lambda: None)]
        if hasattr(os, "posix_fadvise"):
            caches.append(("cold", reopen_cold))
        for cache, before in caches:
            _, whole = compare(f"read the whole property ({cache})", {
                "numpy.fromfile": lambda: np.fromfile(data_file, dtype="<f4").reshape(n, n),
                "vor4 Property.read()": lambda: opened["prop"].read(),
            }, args.repeat, before)
            assert np.array_equal(whole["numpy.fromfile"], whole["vor4 Property.read()"])
            del whole

            _, over = compare(f"overview {n}^2 -> {n // step}^2 ({cache})", {
                "numpy.memmap[::8, ::8].copy()":
                    lambda: np.memmap(data_file, dtype="<f4", mode="r", shape=(n, n))[::step, ::step].copy(),
                "vor4 Property.read(shape=...)": lambda: opened["prop"].read(shape=(n // step, n // step)),
                "vor4 Property[::8, ::8]": lambda: opened["prop"][::step, ::step],
            }, args.repeat, before)
            assert all(np.array_equal(over["numpy.memmap[::8, ::8].copy()"], r) for r in over.values())
            del over

        if not args.no_dask:
            dask_mean(path, opened["prop"], args.repeat)
        opened["doc"].close()


def drop_from_cache(path):
    fd = os.open(path, os.O_RDONLY)
    try:
        os.fsync(fd)
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    finally:
        os.close(fd)


def dask_mean(path, prop, repeat):
    import xarray as xr
    from dask.distributed import Client, LocalCluster

    n = prop.shape[0]
    with LocalCluster(processes=True, n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        ds = xr.open_dataset(path, engine="vor4", chunks={"y": n // 8, "x": n})
        client.compute(ds.Depth.mean(), sync=True)  # the workers import everything once before timing
        _, means = compare("mean of the property", {
            "one process: read() + nanmean": lambda: float(np.nanmean(prop.read())),
            "Dask, 2 worker processes": lambda: float(client.compute(ds.Depth.mean(), sync=True)),
        }, repeat)
        ds.close()
    a, b = means.values()
    assert abs(a - b) <= 1e-4 * abs(a), means


if __name__ == "__main__":
    sys.exit(main())
