"""VOR4 grid documents as numpy arrays, xarray datasets and Dask arrays.

    doc = vor4.open("survey.xml")                           # numpy: doc.properties["Depth"][::8, ::8]
    ds = xarray.open_dataset("survey.xml", engine="vor4")   # xarray, loaded lazily
    ds = xarray.open_dataset("survey.xml", engine="vor4", chunks={"y": 1024, "x": 1024})  # Dask

The package calls the ekx_file_vor4 shared library through its exported C functions (found
through EKX_VOR4_LIBRARY, beside the package, or by the system's loader).
"""
from ._codes import DATA_TYPES, FILL_INT32, FILL_UINT8, GRID_TYPES, KINDS
from ._document import Document, Histogram, Property, Statistics, create, open

__all__ = ["open", "create", "Document", "Property", "Statistics", "Histogram", "GRID_TYPES", "KINDS", "DATA_TYPES",
           "FILL_INT32", "FILL_UINT8"]
__version__ = "0.1.0"
