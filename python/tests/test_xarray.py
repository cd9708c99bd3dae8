"""The xarray backend: dims, coordinates, attributes and lazy window reads."""
import numpy as np
import pytest
import xarray as xr

import vor4
from conftest import on_disk

LAYOUTS = [
    # grid type, shape, origin, cell, azimuth, dims, expected coordinates (hand-computed cell centres)
    ("gt2D", (3, 4), (100.0, 50.0), (10.0, 5.0), 0.0, ("y", "x"), {"x": [100, 110, 120, 130], "y": [60, 55, 50]}),  # row 0 is the grid's last y
    ("gt3D", (2, 2, 3), (1.0, 2.0, -10.0), (1.0, 2.0, 4.0), 0.0, ("z", "y", "x"), {"x": [1, 2, 3], "y": [4, 2], "z": [-10, -6]}),
    ("gt1D", (5,), (3.0,), (0.5,), 0.0, ("x",), {"x": [3, 3.5, 4, 4.5, 5]}),
    # clockwise by 90 degrees: a column step goes to -y, a step of the grid's y to +x
    ("gt2D", (2, 3), (100.0, 50.0), (10.0, 5.0), 90.0, ("y", "x"), {"xc": [[105, 105, 105], [100, 100, 100]], "yc": [[50, 40, 30], [50, 40, 30]]}),
]


@pytest.mark.parametrize("grid_type, shape, origin, cell, azimuth, dims, coords", LAYOUTS, ids=["2d", "3d", "1d", "rotated"])
def test_dims_and_cell_centre_coordinates(tmp_path, grid_type, shape, origin, cell, azimuth, dims, coords):
    with vor4.create(path := tmp_path / "l.xml", grid_type, shape, origin=origin, cell=cell, azimuth=azimuth) as doc:
        doc.add_property("V", np.float32).write(np.arange(np.prod(shape), dtype=np.float32).reshape(shape))
    with xr.open_dataset(path, engine="vor4") as ds, vor4.open(path) as doc:
        assert ds.V.dims == dims and ds.V.shape == shape and set(ds.coords) == set(coords)
        for name, values in coords.items():
            np.testing.assert_allclose(ds[name].values, values, atol=1e-9)
        if len(shape) == 2:  # the library finds each cell under its own centre
            xs, ys = np.broadcast_arrays(*((ds.x.values[None, :], ds.y.values[:, None]) if "x" in ds.coords else (ds.xc.values, ds.yc.values)))
            assert [doc.locate(x, y) for x, y in zip(xs.flat, ys.flat)] == [divmod(i, shape[1]) for i in range(xs.size)]


def test_variables_carry_attributes_and_fill_values(tmp_path):
    with vor4.create(path := tmp_path / "a.xml", "gt2D", (2, 3), origin=(5.0, 6.0)) as doc:
        (depth := doc.add_property("Depth", np.float32, "pkQuantCriter")).write(np.array([[1, 2, np.nan], [4, 5, 6]], np.float32))
        depth.caption, depth.precision = "Глубина", "0.0"
        depth.statistics(update=True)
        doc.add_property("Code", np.int32, "pkClass").write(np.array([[1, 2147483647, 3], [4, 5, 6]]))
        doc.add_property("Mask", np.bool_, "pkMask")
    with xr.open_dataset(path, engine="vor4") as ds:
        assert list(ds.data_vars) == ["Depth", "Code", "Mask"] and ((a := ds.Depth.attrs)["caption"], a["kind"], a["precision"], a["data_type"]) == ("Глубина", "pkQuantCriter", "0.0", "dtSingle")
        assert (a["statistics_min"], a["statistics_max"], a["statistics_mean"], a["statistics_missing"]) == (1, 6, 3.6, 1)
        assert np.isnan(ds.Depth.encoding["_FillValue"]) and ds.Depth.dtype == np.float32 and ds.Code.encoding["_FillValue"] == vor4.FILL_INT32
        np.testing.assert_array_equal(ds.Code.values, [[1, np.nan, 3], [4, 5, 6]])
        assert ds.Mask.dtype == np.bool_ and "_FillValue" not in ds.Mask.encoding and not ds.Mask.values.any()
        assert (ds.attrs["grid_type"], ds.attrs["x0"], ds.attrs["y0"], ds.attrs["object_count"]) == ("gt2D", 5, 6, 6)
    with xr.open_dataset(path, engine="vor4", mask_and_scale=False, drop_variables="Mask") as raw:
        assert raw.Code.dtype == np.int32 and raw.Code.values[0, 1] == vor4.FILL_INT32 and "Mask" not in raw


def test_point_sets_have_their_coordinate_properties_as_coordinates(tmp_path):
    with vor4.create(path := tmp_path / "p.xml", "gt2dCoord", (3,)) as doc:
        for name, values in (("E", [1.0, 2.0, 3.0]), ("N", [7.0, 8.0, 9.0]), ("T", [0.5, 0.25, 0.125])):
            doc.add_property(name, np.float64).write(np.array(values))
        doc.set_coordinate_property("x", "E"), doc.set_coordinate_property("y", "N")
    with xr.open_dataset(path, engine="vor4") as ds:
        assert list(ds.data_vars) == ["T"] and set(ds.coords) == {"E", "N"} and ds.T.dims == ("index",)
        assert ds.T.sel(index=ds.E > 1.5).N.values.tolist() == [8.0, 9.0]


@pytest.mark.parametrize("key", [dict(y=slice(1, 5, 2)), dict(x=[8, 0, 3], y=2), dict(y=slice(None, None, -1), x=slice(2, 7, 4)),
                                 dict(x=xr.DataArray([1, 2], dims="p"), y=xr.DataArray([0, 5], dims="p"))], ids=range(4))
def test_lazy_indexing_and_dask_chunks_read_the_right_cells(grid, key):
    reference = xr.DataArray(on_disk(str(grid).replace(".xml", ".Depth.property"), np.float32).reshape(6, 9), dims=("y", "x"))
    with xr.open_dataset(grid, engine="vor4") as lazy, xr.open_dataset(grid, chunks={"y": 4, "x": 5}) as chunked:
        assert chunked.Depth.chunks == ((4, 2), (5, 4))
        for ds in (lazy, chunked):
            np.testing.assert_array_equal(ds.Depth.isel(**key).values, reference.isel(**key).values)
