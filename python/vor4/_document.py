"""Documents and properties over the library's exported functions.

The library serves one thread at a time. Handles on one path share one document inside the
library, so every call that reaches a document holds the lock of its path; the process-wide
tables (the library's pools of open documents, and ours) are guarded by one more lock, always
taken before a path's lock.
"""
import errno
import itertools
import math
import operator
import os
import threading
from collections.abc import Mapping
from typing import NamedTuple

import numpy as np

from . import _codes, _lib
from ._selection import Axis, Segment, int_index, outer_axes, split_key


class Statistics(NamedTuple):
    min: float
    max: float
    mean: float
    std: float  # sample standard deviation
    missing: int  # cells without a value
    count: int  # cells with a value


class Histogram(NamedTuple):
    lower: float  # the bins cover [lower, upper]
    upper: float
    below: int  # values below lower
    above: int  # values above upper
    counts: np.ndarray  # int64 count of each bin


class _Shared:
    """What every Document on one path in this process shares: the lock and a generation number
    that changes whenever the property list does (property handles then have to be found again)."""

    def __init__(self):
        self.lock = threading.RLock()
        self.generation = 0
        self.users = 0


_registry_lock = threading.RLock()
_shared = {}


def _key(path):
    return os.path.normcase(path)


def _acquire_shared(path):
    shared = _shared.setdefault(_key(path), _Shared())
    shared.users += 1
    return shared


def _release_shared(path, shared):
    shared.users -= 1
    if shared.users == 0 and _shared.get(_key(path)) is shared:
        del _shared[_key(path)]


def _check_path(path):
    path = os.fspath(path)
    if isinstance(path, bytes):
        path = os.fsdecode(path)
    if not path or "\0" in path:
        raise ValueError(f"not a usable path: {path!r}")
    return os.path.abspath(path)


def open(path, mode="r"):  # noqa: A001 - the package's entry point mirrors the built-in
    """Opens a document: mode "r" reads, "r+" reads and writes.

    Every data file is opened at once: read-only documents share them with other readers, a
    writable one holds them alone, across processes; a conflict raises PermissionError."""
    if mode not in ("r", "r+"):
        raise ValueError(f"mode must be 'r' or 'r+', not {mode!r} (vor4.create makes new documents)")
    path = _check_path(path)
    lib = _lib.get()
    with _registry_lock:
        handle = lib.vor4_file_open_w(path, mode == "r")
        if not handle:
            _raise_open_failure(path, mode)
        shared = _acquire_shared(path)
    doc = Document(path, mode, handle, shared)
    try:
        with shared.lock:
            for index in range(lib.vor4_get_prop_count(handle)):
                doc._probe(index)
    except BaseException:
        doc.close()
        raise
    return doc


def _raise_open_failure(path, mode):
    if not os.path.exists(path):
        raise FileNotFoundError(errno.ENOENT, "no such document", path)
    if os.path.isdir(path):
        raise IsADirectoryError(errno.EISDIR, "a folder, not a document", path)
    if not os.access(path, os.R_OK):
        raise PermissionError(errno.EACCES, "the document cannot be read", path)
    if mode == "r+" and _key(path) in _shared:
        raise PermissionError(errno.EACCES, "the document is open read-only in this process", path)
    if mode == "r+":
        # A document that opens for reading but not for writing is held by a writer elsewhere,
        # or its file is read-only.
        lib = _lib.get()
        reader = lib.vor4_file_open_w(path, True)
        if reader:
            lib.vor4_file_close(reader)
            raise PermissionError(errno.EACCES, "the document is read-only, or open for writing in another process", path)
    raise ValueError(f"not a VOR4 document: {path}")


def create(path, grid_type, shape, origin=(0.0, 0.0, 0.0), cell=(1.0, 1.0, 1.0), azimuth=0.0, overwrite=False):
    """Creates an empty document and returns it open for writing.

    grid_type is a code or a name ("gt2D", "gt3D", "gt1D", "gt2dCoord", ...); shape is in numpy
    order, as the property arrays will be: (n,) for a 1D grid or a point set, (ny, nx) for a 2D
    grid, (nz, ny, nx) for a 3D grid. origin and cell are given as (x, y, z), shorter tuples
    keeping the defaults of the missing components; azimuth is in degrees, clockwise."""
    path = _check_path(path)
    code = _codes.grid_type_code(grid_type)
    dims = _dimensions(code, shape)
    origin = _triple(origin, 0.0, "origin")
    cell = _triple(cell, 1.0, "cell")
    azimuth = float(azimuth)
    lib = _lib.get()
    with _registry_lock:
        if os.path.lexists(path):
            if not overwrite:
                raise FileExistsError(errno.EEXIST, "the document exists (overwrite=True replaces it)", path)
            if os.path.isdir(path):
                raise IsADirectoryError(errno.EISDIR, "a folder, not a document", path)
            if _key(path) in _shared or not lib.vor4_delete_files(path):
                raise PermissionError(errno.EACCES, "the existing document cannot be replaced (open elsewhere, "
                                                    "or not a document)", path)
        if not os.path.isdir(os.path.dirname(path)):
            raise FileNotFoundError(errno.ENOENT, "no such folder", os.path.dirname(path))
        handle = lib.vor4_file_create_w(path)
        if not handle:
            if not os.access(os.path.dirname(path), os.W_OK):
                raise PermissionError(errno.EACCES, "no write access to the folder", path)
            raise OSError(errno.EIO, "the library could not create the document", path)
        lib.vor4_set_grid_type(handle, code)
        lib.vor4_set_dimensions_64(handle, (_lib.I64 * 3)(*dims))
        for setter, value in zip(("x0", "y0", "z0", "dx", "dy", "dz"), origin + cell):
            getattr(lib, "vor4_set_" + setter)(handle, value)
        lib.vor4_set_azimuth(handle, azimuth)
        shared = _acquire_shared(path)
    return Document(path, "r+", handle, shared)


def _dimensions(code, shape):
    shape = (shape,) if isinstance(shape, (int, np.integer)) else tuple(shape)
    if code == 0:
        raise ValueError("a document needs a grid type other than gtNone")
    wanted = 1 if code in _codes.COORD_GRID_TYPES else _codes.geometry_class(code)
    if len(shape) != wanted:
        raise ValueError(f"a {_codes.GRID_TYPES[code]} document takes a shape of {wanted} sizes, not {shape}")
    try:
        sizes = [operator.index(s) for s in shape]
    except TypeError as e:
        raise TypeError(f"sizes must be integers: {shape}") from e
    if any(s < 1 for s in sizes):
        raise ValueError(f"sizes must be at least 1: {shape}")
    return tuple(reversed(sizes)) + (1,) * (3 - len(sizes))  # (nx, ny, nz)


def _triple(values, default, what):
    values = (values,) if isinstance(values, (int, float, np.number)) else tuple(values)
    if not 1 <= len(values) <= 3:
        raise ValueError(f"{what} takes 1 to 3 components (x, y, z), not {len(values)}")
    values = tuple(float(v) for v in values) + (default,) * (3 - len(values))
    if not all(math.isfinite(v) for v in values):
        raise ValueError(f"{what} must be finite: {values}")
    return values


class Document:
    """An open document (a context manager; closing releases the handle, and the last handle of a
    writable document saves its metadata file)."""

    def __init__(self, path, mode, handle, shared):
        self.path = path
        self.mode = mode
        self._handle = handle
        self._shared = shared
        self._lib = _lib.get()
        self._shape = None

    # ---- lifecycle ----
    def close(self):
        with _registry_lock:
            with self._shared.lock:
                if self._handle is None:
                    return
                self._lib.vor4_file_close(self._handle)
                self._handle = None
            _release_shared(self.path, self._shared)

    @property
    def closed(self):
        return self._handle is None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            if getattr(self, "_handle", None) is not None:
                self.close()
        except Exception:  # interpreter shutdown: the process releases everything anyway
            pass

    def __repr__(self):
        state = "closed" if self.closed else f"{self.grid_type} {self.shape}, {len(self.properties)} properties"
        return f"<vor4.Document {self.path!r} mode={self.mode!r} {state}>"

    def _h(self):
        if self._handle is None:
            raise ValueError("the document is closed")
        return self._handle

    def _call(self, name, *args):
        with self._shared.lock:
            return getattr(self._lib, name)(self._h(), *args)

    # ---- geometry ----
    @property
    def grid_type(self):
        return _codes.GRID_TYPES[self._call("vor4_get_grid_type")]

    @property
    def dimensions(self):
        """Grid sizes (nx, ny, nz)."""
        dims = (_lib.I64 * 3)(1, 1, 1)
        self._call("vor4_get_dimensions_64", dims)
        return tuple(dims)

    @property
    def shape(self):
        """Shape of the property arrays: (n,) for 1D grids and point sets, (ny, nx), (nz, ny, nx)."""
        self._h()
        if self._shape is None:  # the package changes no geometry after creating a document
            code = self._call("vor4_get_grid_type")
            nx, ny, nz = self.dimensions
            if code in _codes.COORD_GRID_TYPES or code == 0:
                self._shape = (self.object_count,)
            else:
                self._shape = {1: (nx,), 2: (ny, nx), 3: (nz, ny, nx)}[_codes.geometry_class(code)]
        return self._shape

    @property
    def object_count(self):
        return self._call("vor4_get_object_count_64")

    @property
    def origin(self):
        return tuple(self._call("vor4_get_" + c) for c in ("x0", "y0", "z0"))

    @property
    def cell(self):
        return tuple(self._call("vor4_get_" + c) for c in ("dx", "dy", "dz"))

    @property
    def azimuth(self):
        return self._call("vor4_get_azimuth")

    @property
    def geotransform(self):
        """3x3 matrix taking (column, j, 1) to world (x, y, 1); j counts rows from the last one."""
        m = _lib.Matrix3x3()
        self._call("vor4_get_geotransform", m)
        return np.array([[m.m[r][c] for c in range(3)] for r in range(3)])

    def locate(self, x, y):
        """(row, column) of the cell under the world point (x, y), or None outside the grid."""
        column, row = _lib.I64(), _lib.I64()
        if not self._call("vor4_fetch_iloc2d_64", _lib.Point2(float(x), float(y)), column, row):
            return None
        return row.value, column.value

    def cell_centers(self):
        """World coordinates (x, y) of the cell centres, each shaped (ny, nx) ((nx,) for 1D grids);
        row 0 is the last row of the grid's own y axis, as `locate` counts."""
        nx, ny, _ = self.dimensions
        m = self.geotransform
        column = np.arange(nx, dtype=np.float64)
        j = (ny - 1 - np.arange(ny, dtype=np.float64))[:, None]
        x = m[0, 0] * column + m[0, 1] * j + m[0, 2]
        y = m[1, 0] * column + m[1, 1] * j + m[1, 2]
        if len(self.shape) == 1:
            return x[0], y[0]
        return x, y

    def coordinate_property(self, axis):
        """The property holding the "x", "y" or "z" coordinates of a point set (or the "mask"
        property), or None."""
        index = self._call(f"vor4_get_{axis}propindex") if axis in ("x", "y", "z", "mask") else None
        if index is None:
            raise ValueError(f"axis must be 'x', 'y', 'z' or 'mask', not {axis!r}")
        names = list(self.properties)
        return self.properties[names[index]] if 0 <= index < len(names) else None

    def set_coordinate_property(self, axis, name):
        """Names the property that holds a point set's "x", "y" or "z" coordinates (or the "mask"
        property); None names none."""
        if axis not in ("x", "y", "z", "mask"):
            raise ValueError(f"axis must be 'x', 'y', 'z' or 'mask', not {axis!r}")
        with self._shared.lock:
            self._writable()
            index = -1 if name is None else self.properties[name]._index()
            getattr(self._lib, f"vor4_set_{axis}propindex")(self._h(), index)

    # ---- properties ----
    @property
    def properties(self):
        self._h()
        return _Properties(self)

    def _name_at(self, index):
        return self._lib.wide_text(self._lib.vor4_get_prop_name_w, self._h(), index) or ""

    def add_property(self, name, dtype, kind=0, overwrite=False):
        """Adds a property filled with missing values and returns it."""
        code = _codes.data_type_code(dtype)
        kind = _codes.kind_code(kind)
        if not isinstance(name, str) or not name:
            raise ValueError("a property needs a name")
        if not self._lib.vor4_prop_name_ok(name):
            fixed = self._lib.wide_text(self._lib.vor4_prop_name_fix, name)
            raise ValueError(f"property names take ASCII letters, digits and '_' only: {name!r} (try {fixed!r})")
        with self._shared.lock:
            self._writable()
            if self._lib.vor4_get_index_by_name_w(self._h(), name) >= 0 and not overwrite:
                raise ValueError(f"property {name!r} exists (overwrite=True replaces it)")
            self._shared.generation += 1
            p = self._lib.vor4_prop_add_w(self._h(), name, kind, code, bool(overwrite))
            if not p:
                raise OSError(errno.EIO, f"property {name!r} could not be added (its data file cannot be made)",
                              self.path)
            prop = self.properties[name]
            self._probe(prop._index())
            return prop

    def delete_property(self, name):
        """Deletes a property and its data file."""
        with self._shared.lock:
            self._writable()
            index = self.properties[name]._index()
            count = self._lib.vor4_get_prop_count(self._h())
            self._shared.generation += 1
            self._lib.vor4_prop_delete(self._h(), index)
            if self._lib.vor4_get_prop_count(self._h()) == count:
                raise OSError(errno.EIO, f"property {name!r} could not be deleted", self.path)

    def _writable(self):
        if self.mode != "r+":
            raise PermissionError(errno.EACCES, "the document is open read-only", self.path)

    def _probe(self, index):
        """Opens a property's data file now, so that a lock held elsewhere shows at once; a missing
        data file shows when the property is used."""
        p = self._lib.vor4_prop_open(self._h(), index)
        if p and self._lib.vor4_prop_read_64(p, 0, 0, None, 0, 0, 1) == 2:
            if self._lib.vor4_prop_file_exists(self._h(), index):
                what = "read" if self.mode == "r" else "written"
                raise PermissionError(errno.EACCES, f"the data file of {self._name_at(index)!r} cannot be {what}: "
                                                    "another process holds it, or its permissions forbid it",
                                      self._lib.wide_text(self._lib.vor4_prop_get_prop_file_name_w, self._h(), index))


class _Properties(Mapping):
    """The properties in document order, by name (names match ignoring letter case)."""

    def __init__(self, doc):
        self._doc = doc

    def _names(self):
        doc = self._doc
        with doc._shared.lock:
            return [doc._name_at(i) for i in range(doc._lib.vor4_get_prop_count(doc._h()))]

    def __getitem__(self, name):
        if not isinstance(name, str):
            raise KeyError(name)
        doc = self._doc
        with doc._shared.lock:
            index = doc._lib.vor4_get_index_by_name_w(doc._h(), name)
            if index < 0:
                raise KeyError(f"no property {name!r} in {doc.path}")
            return Property(doc, doc._name_at(index))

    def __iter__(self):
        return iter(self._names())

    def __len__(self):
        return self._doc._call("vor4_get_prop_count")

    def __repr__(self):
        return f"<properties {self._names()}>"


_READ_ERRORS = {1: (MemoryError, "no memory for the read"), 4: (IndexError, "range outside the property"),
                5: (ValueError, "the grid type does not allow this window"), 6: (MemoryError, "no memory for the write")}


class Property:
    """One property of a document: a grid-shaped array of one value type on disk."""

    def __init__(self, doc, name):
        self.document = doc
        self.name = name
        self._cache = None  # (generation, index, handle)

    def __repr__(self):
        return f"<vor4.Property {self.name!r} {self.dtype} {self.shape}>"

    def _resolve(self):
        """(index, handle), found again after the property list changed; the lock is held."""
        doc = self.document
        doc._h()
        if self._cache is None or self._cache[0] != doc._shared.generation:
            index = doc._lib.vor4_get_index_by_name_w(doc._h(), self.name)
            if index < 0:
                raise KeyError(f"property {self.name!r} no longer exists in {doc.path}")
            self._cache = (doc._shared.generation, index, doc._lib.vor4_prop_open(doc._h(), index))
        return self._cache[1], self._cache[2]

    def _index(self):
        return self._resolve()[0]

    def _by_index(self, name, *args):
        doc = self.document
        with doc._shared.lock:
            return getattr(doc._lib, name)(doc._h(), self._index(), *args)

    # ---- attributes ----
    @property
    def data_type(self):
        return _codes.DATA_TYPES[self._by_index("vor4_get_prop_data_type")]

    @property
    def dtype(self):
        return _codes.DTYPES[self._by_index("vor4_get_prop_data_type")]

    @property
    def kind(self):
        return _codes.KINDS[self._by_index("vor4_get_prop_kind")]

    @property
    def caption(self):
        with self.document._shared.lock:
            return self.document._lib.wide_text(self.document._lib.vor4_prop_get_caption_w, self._resolve()[1])

    @caption.setter
    def caption(self, text):
        with self.document._shared.lock:
            self.document._writable()
            self.document._lib.vor4_prop_set_caption_w(self._resolve()[1], str(text))

    @property
    def precision(self):
        with self.document._shared.lock:
            return self.document._lib.wide_text(self.document._lib.vor4_get_prop_precision_w, self.document._h(),
                                                self._index()) or ""

    @precision.setter
    def precision(self, text):
        with self.document._shared.lock:
            self.document._writable()
            self._by_index("vor4_set_prop_precision_w", str(text))

    @property
    def file_path(self):
        with self.document._shared.lock:
            return self.document._lib.wide_text(self.document._lib.vor4_prop_get_prop_file_name_w,
                                                self.document._h(), self._index())

    @property
    def fill_value(self):
        """What a read gives for a missing value: NaN, 2147483647 (int32), 255 (uint8); None for bool."""
        return {0: np.float32("nan"), 1: _codes.FILL_UINT8, 2: _codes.FILL_INT32, 3: None,
                4: float("nan")}[self._by_index("vor4_get_prop_data_type")]

    @property
    def shape(self):
        return self.document.shape

    @property
    def ndim(self):
        return len(self.shape)

    @property
    def size(self):
        return math.prod(self.shape)

    def __len__(self):
        return self.shape[0]

    # ---- reading ----
    def read(self, window=None, shape=None, dtype=None):
        """The cells of window (one (start, stop) pair or step-less slice per axis, numpy order;
        None: all), decimated to `shape` by the library's nearest-index resampling and
        converted to `dtype`. Missing values read as NaN, or as the fill value of the type."""
        full = self.shape
        bounds = _window(window, full)
        sizes = tuple(stop - start for start, stop in bounds)
        if shape is None:
            shape = sizes
        shape = (shape,) if isinstance(shape, (int, np.integer)) else tuple(int(s) for s in shape)
        if len(shape) != len(full) or any(not 1 <= s <= w for s, w in zip(shape, sizes)):
            raise ValueError(f"shape {shape} must give 1 to the window's size {sizes} cells along each axis")
        axes = [Axis(n, (Segment(0, n, start, stop - start),), False) for n, (start, stop) in zip(shape, bounds)]
        return self._read_axes(axes, dtype)

    def __getitem__(self, key):
        outer, post = split_key(key, self.shape)
        result = self._read_outer(outer)
        return result if post is None else result[post]

    def __array__(self, dtype=None):
        if dtype is None or np.dtype(dtype) in _codes.DTYPES:
            return self.read(dtype=dtype)
        return self.read().astype(dtype)

    def _read_outer(self, components, dtype=None):
        """Outer (orthogonal) indexing by ints, slices and 1-D index arrays, one per axis."""
        axes, dropped = outer_axes(tuple(components), self.shape)
        result = self._read_axes(axes, dtype)
        return result[tuple(0 if i in dropped else slice(None) for i in range(len(axes)))] if dropped else result

    def _read_axes(self, axes, dtype):
        dtype = self.dtype if dtype is None else np.dtype(dtype)
        dst_type = _codes.data_type_code(dtype)
        out = np.empty(tuple(a.n for a in axes), dtype)
        if out.size:
            doc = self.document
            full = self.shape
            with doc._shared.lock:
                index, handle = self._resolve()
                stored = doc._lib.vor4_get_prop_data_type(doc._h(), index)
                if dst_type == 3 and stored == 3:
                    dst_type = 1  # mask bits come as bytes 0 and 1 also when resampled
                for block in itertools.product(*(a.segments for a in axes)):
                    if dst_type == 3 and block[-1].count != block[-1].n:
                        self._read_bool_resampled(handle, out, block, full)
                    else:
                        self._read_block(handle, out, block, dst_type, full)
        flips = tuple(i for i, a in enumerate(axes) if a.reverse)
        return np.flip(out, flips) if flips else out

    def _read_block(self, handle, out, block, dst_type, full):
        """Reads one segment per axis straight into `out` (C-ordered), at the segments' place."""
        lib = self.document._lib
        strides = [s // out.itemsize for s in out.strides]
        offset = sum(seg.out * st for seg, st in zip(block, strides))
        ptr = out.ctypes.data + offset * out.itemsize
        if len(block) > 1 and all(s.n == s.count for s in block) and all(
                s.n == f == o for s, f, o in zip(block[1:], full[1:], out.shape[1:])):
            # Whole rows (and slices) follow each other in the data file as in `out`: one run.
            cells = math.prod(full[1:])
            block = (Segment(0, block[0].n * cells, block[0].src * cells, block[0].n * cells),)
        if len(block) == 1:
            (x,) = block
            rc = lib.vor4_prop_read_64(handle, x.src, x.count, ptr, x.n, dst_type, 1)
        elif len(block) == 2:
            y, x = block
            rc = lib.vor4_prop_read2d_64(handle, x.src, y.src, x.count, y.count, ptr, x.n, y.n, dst_type, 1,
                                         strides[0])
        else:
            z, y, x = block
            rc = lib.vor4_prop_read3d_64(handle, x.src, y.src, z.src, x.count, y.count, z.count, ptr, x.n, y.n, z.n,
                                         dst_type, 1, strides[1], strides[0])
        if rc:
            self._fail(rc, "read")

    def _read_bool_resampled(self, handle, out, block, full):
        # A converting read that also resamples a row gives bytes, not truth values, for bool
        # output: read the rows whole as bool and pick the columns the library would pick.
        x = block[-1]
        rows = tuple(seg.n for seg in block[:-1])
        tmp = np.empty(rows + (x.count,), np.bool_)
        self._read_block(handle, tmp, tuple(s._replace(out=0) for s in block[:-1]) + (Segment(0, x.count, x.src,
                                                                                             x.count),), 3, full)
        picks = np.minimum(np.trunc(np.arange(x.n) * (x.count / x.n) + 0.5).astype(np.int64), x.count - 1)
        place = tuple(slice(s.out, s.out + s.n) for s in block)
        out[place] = tmp[..., picks]

    def _fail(self, rc, action):
        doc = self.document
        if rc == 2:
            path = doc._lib.wide_text(doc._lib.vor4_prop_get_prop_file_name_w, doc._h(), self._index())
            if not doc._lib.vor4_prop_file_exists(doc._h(), self._index()):
                raise FileNotFoundError(errno.ENOENT, f"the data file of {self.name!r} is missing", path)
            raise OSError(errno.EIO, f"the data file of {self.name!r} could not be {action} in full "
                                     "(shorter than the grid, or held by another process)", path)
        cls, text = _READ_ERRORS.get(rc, (OSError, f"result code {rc}"))
        raise cls(f"{self.name}: {text}")

    # ---- writing ----
    def write(self, array, offset=None):
        """Writes an array of the property's dimensions with its first cell at `offset` (numpy
        order; default the first cell). Its values are converted to the property's type;
        NaN (or the fill value) writes a missing value. Nothing is written when the array does
        not fit."""
        array = _writable_array(array, self.dtype)
        full = self.shape
        if array.ndim != len(full):
            raise ValueError(f"a {len(full)}-dimensional property takes {len(full)}-dimensional arrays, "
                             f"not shape {array.shape}")
        if any(a > f for a, f in zip(array.shape, full)):
            raise ValueError(f"array of shape {array.shape} is larger than the property's {full}")
        offset = (0,) * len(full) if offset is None else ((offset,) if np.ndim(offset) == 0 else tuple(offset))
        if len(offset) != len(full):
            raise ValueError(f"offset {offset} needs {len(full)} components")
        offset = tuple(int(o) for o in offset)
        if any(o < 0 or o + a > f for o, a, f in zip(offset, array.shape, full)):
            raise IndexError(f"window at {offset} of shape {array.shape} lies outside the grid {full}")
        if array.size == 0:
            return
        # Cells that follow each other in the data file go in one run: the trailing axes that the
        # window covers whole, and the first axis that it does not.
        merged = len(full) - 1
        while merged > 0 and array.shape[merged] == full[merged] and offset[merged] == 0:
            merged -= 1
        run = math.prod(array.shape[merged:])
        runs = array.reshape((-1, run))
        leading = np.indices(array.shape[:merged]).reshape(merged, -1).T if merged else np.zeros((1, 0), int)
        type_code = _codes.data_type_code(array.dtype)
        doc = self.document
        with doc._shared.lock:
            doc._writable()
            _, handle = self._resolve()
            for row, lead in zip(runs, leading):
                cell = tuple(o + i for o, i in zip(offset, tuple(lead) + (0,) * (len(full) - merged)))
                start = int(np.ravel_multi_index(cell, full))
                rc = doc._lib.vor4_prop_write_64(handle, start, row.ctypes.data, run, type_code, 1)
                if rc:
                    self._fail(rc, "written")

    def __setitem__(self, key, value):
        """prop[y0:y1, x0:x1] = values: slices of step 1 and integers, broadcasting the values."""
        key = list(key) if isinstance(key, tuple) else [key]
        at = next((i for i, k in enumerate(key) if k is Ellipsis), None)
        if at is not None:
            key[at:at + 1] = [slice(None)] * (self.ndim - len(key) + 1)
        if len(key) > self.ndim:
            raise IndexError(f"too many indices for a {self.ndim}-dimensional property")
        key += [slice(None)] * (self.ndim - len(key))
        offset, region = [], []
        for k, size in zip(key, self.shape):
            if isinstance(k, slice) and k.step in (None, 1):
                start, stop, _ = k.indices(size)
                offset.append(start)
                region.append(max(0, stop - start))
            elif isinstance(k, (int, np.integer)) and not isinstance(k, bool):
                offset.append(int_index(k, size))
                region.append(1)
            else:
                raise IndexError("assignment takes slices of step 1 and integers")
        value = np.asarray(value)
        try:
            value = np.broadcast_to(value, tuple(region)) if value.ndim <= len(region) else value
            value = value.reshape(region)
        except ValueError as e:
            raise ValueError(f"cannot place an array of shape {np.shape(value)} into a region of {tuple(region)}") from e
        self.write(value, offset)

    # ---- statistics ----
    def statistics(self, update=False):
        """The stored statistics (recomputed from the data first when update is true), or None
        while there are none."""
        doc = self.document
        with doc._shared.lock:
            _, p = self._resolve()
            if update:
                doc._lib.vor4_prop_statistic_update(p)
            if not doc._lib.vor4_prop_get_statistic_exist(p):
                return None
            lib = doc._lib
            return Statistics(lib.vor4_prop_get_statistic_min(p), lib.vor4_prop_get_statistic_max(p),
                              lib.vor4_prop_get_statistic_average(p), lib.vor4_prop_get_statistic_stddev(p),
                              lib.vor4_prop_get_statistic_indef_count_64(p),
                              lib.vor4_prop_get_statistic_vals_count_64(p))

    def histogram(self, update=False):
        """The stored histogram (recomputed first when update is true), or None while there is none."""
        doc = self.document
        with doc._shared.lock:
            _, p = self._resolve()
            lib = doc._lib
            if update:
                lib.vor4_prop_histogram_update(p)
            if not lib.vor4_prop_get_histogram_exist(p):
                return None
            counts = np.array([lib.vor4_prop_get_histogram_value(p, b)
                               for b in range(lib.vor4_prop_get_histogram_count(p))], np.int64)
            return Histogram(lib.vor4_prop_get_histogram_hgbndmin(p), lib.vor4_prop_get_histogram_hgbndmax(p),
                             lib.vor4_prop_get_histogram_hgmin(p), lib.vor4_prop_get_histogram_hgmax(p), counts)


def _window(window, full):
    if window is None:
        return tuple((0, n) for n in full)
    if len(full) == 1 and (isinstance(window, slice) or (len(window) == 2 and np.ndim(window[0]) == 0)):
        window = (window,)
    if len(window) != len(full):
        raise ValueError(f"a window needs {len(full)} (start, stop) pairs, not {window!r}")
    bounds = []
    for w, n in zip(window, full):
        if isinstance(w, slice):
            if w.step not in (None, 1):
                raise ValueError("window slices have no step; `shape` decimates")
            w = (0 if w.start is None else w.start, n if w.stop is None else w.stop)
        start, stop = (int(v) for v in w)
        if not 0 <= start < stop <= n:
            raise IndexError(f"window ({start}, {stop}) lies outside an axis of {n} cells")
        bounds.append((start, stop))
    return tuple(bounds)


def _writable_array(array, stored):
    a = np.asarray(array)
    if a.dtype in _codes.DTYPES:
        return np.ascontiguousarray(a)
    if a.dtype.kind == "f":
        return np.ascontiguousarray(a, np.float64)
    if a.dtype.kind in "iu":
        if stored.kind == "f":
            return np.ascontiguousarray(a, np.float64)
        info = np.iinfo(np.int32)
        if a.size and (a.min() < info.min or a.max() > info.max):
            raise ValueError(f"values of {a.dtype} outside the int32 range cannot be written")
        return np.ascontiguousarray(a, np.int32)
    raise ValueError(f"arrays of {a.dtype} cannot be written; use float32, uint8, int32, bool or float64")
