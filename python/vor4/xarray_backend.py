"""xarray backend: ``xarray.open_dataset("survey.xml", engine="vor4")``.

One variable per property over dims (z, y, x) of a 3D grid, (y, x) of a 2D grid, (x,) of a 1D
grid, or (index,) of a point set, whose coordinate properties become coordinates. Grid cells
carry their centres as coordinates x and y (and z); a rotated grid has no axis-aligned
coordinates, so its centres come as two-dimensional coordinates xc and yc over (y, x). Values
load lazily: xarray's indexing turns into the library's window reads, and chunks={...} gives Dask
arrays whose tasks open the document read-only in whichever process runs them.
"""
import os

import numpy as np
import xarray as xr
from xarray.backends import BackendArray, BackendEntrypoint, CachingFileManager
from xarray.core import indexing

from ._document import open as open_document


class Vor4BackendArray(BackendArray):
    def __init__(self, manager, name, shape, dtype):
        self.manager = manager
        self.name = name
        self.shape = shape
        self.dtype = dtype

    def __getitem__(self, key):
        return indexing.explicit_indexing_adapter(key, self.shape, indexing.IndexingSupport.OUTER, self._read)

    def _read(self, key):
        doc = self.manager.acquire()
        return doc.properties[self.name]._read_outer(key)


def _dims(doc):
    shape = doc.shape
    if len(shape) == 3:
        return ("z", "y", "x")
    if len(shape) == 2:
        return ("y", "x")
    return ("x",) if doc.grid_type == "gt1D" else ("index",)


def _grid_coords(doc, dims):
    if dims == ("index",):
        return {}
    x, y = doc.cell_centers()
    m = doc.geotransform
    coords = {}
    if m[0, 1] == 0.0 and m[1, 0] == 0.0:  # axis-aligned: one coordinate per axis
        coords["x"] = ("x", x[0] if x.ndim == 2 else x)
        if "y" in dims:
            coords["y"] = ("y", y[:, 0])
    else:
        plane = dims[-2:] if len(dims) > 1 else dims
        coords["xc"] = (plane, x)
        coords["yc"] = (plane, y)
    if "z" in dims:
        z0, dz = doc.origin[2], doc.cell[2]
        coords["z"] = ("z", z0 + dz * np.arange(doc.shape[0]))
    for c in coords:
        coords[c] += ({"long_name": f"cell centre {c[0]}"},)
    return coords


def _attrs(prop):
    attrs = {"caption": prop.caption, "kind": prop.kind, "data_type": prop.data_type}
    if prop.precision:
        attrs["precision"] = prop.precision
    stats = prop.statistics()
    if stats is not None:
        attrs.update({"statistics_min": stats.min, "statistics_max": stats.max, "statistics_mean": stats.mean,
                      "statistics_std": stats.std, "statistics_missing": stats.missing})
    if prop.fill_value is not None:
        attrs["_FillValue"] = prop.dtype.type(prop.fill_value)
    return attrs


class Vor4BackendEntrypoint(BackendEntrypoint):
    description = "VOR4 grid documents (metadata .xml plus one .property data file per property)"
    open_dataset_parameters = ("filename_or_obj", "drop_variables", "mask_and_scale")

    def open_dataset(self, filename_or_obj, *, drop_variables=None, mask_and_scale=True):
        path = os.path.abspath(os.fspath(filename_or_obj))
        drop = {drop_variables} if isinstance(drop_variables, str) else set(drop_variables or ())
        manager = CachingFileManager(open_document, path, mode="r")
        try:
            doc = manager.acquire()
            dims = _dims(doc)
            variables, coord_names = {}, set()
            point_coords = {doc.coordinate_property(a).name for a in ("x", "y", "z")
                            if dims == ("index",) and doc.coordinate_property(a) is not None}
            for name, prop in doc.properties.items():
                if name in drop:
                    continue
                data = indexing.LazilyIndexedArray(Vor4BackendArray(manager, name, prop.shape, prop.dtype))
                variables[name] = xr.Variable(dims, data, attrs=_attrs(prop))
                if name in point_coords:
                    coord_names.add(name)
            for name, (cdims, values, attrs) in _grid_coords(doc, dims).items():
                variables[name] = xr.Variable(cdims, values, attrs=attrs)
                coord_names.add(name)
            x0, y0, z0 = doc.origin
            dx, dy, dz = doc.cell
            attrs = {"grid_type": doc.grid_type, "x0": x0, "y0": y0, "z0": z0, "dx": dx, "dy": dy, "dz": dz,
                     "azimuth": doc.azimuth, "object_count": doc.object_count}
            ds = xr.Dataset(variables, attrs=attrs).set_coords(sorted(coord_names))
            ds = xr.decode_cf(ds, mask_and_scale=mask_and_scale, decode_times=False, decode_coords=False)
        except BaseException:
            manager.close()
            raise
        ds.set_close(manager.close)
        return ds

    def guess_can_open(self, filename_or_obj):
        try:
            path = os.fspath(filename_or_obj)
        except TypeError:
            return False
        if not isinstance(path, str) or not path.lower().endswith(".xml") or not os.path.isfile(path):
            return False
        try:
            with open(path, "rb") as f:
                return b"<TGrDoc" in f.read(4096)
        except OSError:
            return False

