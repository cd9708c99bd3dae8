"""Worker processes of a Dask cluster read one document side by side."""
import dask.array as da
import numpy as np
import pytest
import xarray as xr
from dask.distributed import Client, LocalCluster, get_task_stream

import vor4


def test_two_worker_processes_compute_the_library_statistics(tmp_path):
    # Values k + 0.25 sit inside the bins of width 1 between the bounds 0 and 99, so that the
    # histogram does not depend on how a bin edge is rounded.
    rng = np.random.default_rng(7)
    values = (rng.integers(0, 99, (256, 192)) + 0.25).astype(np.float32)
    values[rng.random(values.shape) < 0.05] = np.nan
    values[0, 0], values[-1, -1] = 0.0, 99.0
    with vor4.create(path := tmp_path / "big.xml", "gt2D", values.shape) as doc:
        (prop := doc.add_property("Depth", np.float32)).write(values)
        stats, hist = prop.statistics(update=True), prop.histogram(update=True)
    assert (hist.lower, hist.upper) == (0.0, 99.0)

    with LocalCluster(processes=True, n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, Client(cluster) as client, \
            xr.open_dataset(path, engine="vor4", chunks={"y": 64, "x": 96}) as ds, get_task_stream(client) as tasks:
        depth = ds.Depth.data
        counts, _ = da.histogram(depth[~da.isnan(depth)], bins=99, range=(hist.lower, hist.upper))
        mean, std, missing, counts = client.compute([ds.Depth.mean(), ds.Depth.std(ddof=1), ds.Depth.isnull().sum(), counts], sync=True)
    assert float(mean) == pytest.approx(stats.mean, rel=1e-6) and float(std) == pytest.approx(stats.std, rel=1e-5) and int(missing) == stats.missing
    np.testing.assert_array_equal(counts, hist.counts[:99])  # the hundredth bin stays empty
    assert len({t["worker"] for t in tasks.data}) == 2
