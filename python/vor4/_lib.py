"""Loading of the ekx_file_vor4 shared library and the C prototypes the package uses.

The library is looked up, in this order, at the path (file or folder) named by the environment
variable EKX_VOR4_LIBRARY, beside this package, and through the system's loader. It is loaded on
first use, so that importing the package (as xarray does with every backend it knows) never fails
for want of it. ctypes releases the GIL around every foreign call.
"""
import ctypes
import ctypes.util
import os
import sys
import threading

_ENV = "EKX_VOR4_LIBRARY"

if sys.platform == "win32":
    _NAMES = {"ekx_file_vor4": ["ekx_file_vor4.dll"], "ekx_basic": ["ekx_basic.dll"]}
elif sys.platform == "darwin":
    _NAMES = {"ekx_file_vor4": ["libekx_file_vor4.dylib"], "ekx_basic": ["libekx_basic.dylib"]}
else:
    _NAMES = {"ekx_file_vor4": ["libekx_file_vor4.so", "libekx_file_vor4.so.0"], "ekx_basic": ["libekx_basic.so"]}

H = ctypes.c_void_p  # document and property handles, string adapters
I64 = ctypes.c_longlong
U8 = ctypes.c_ubyte
U32 = ctypes.c_uint
B = ctypes.c_bool
D = ctypes.c_double
W = ctypes.c_wchar_p
P = ctypes.c_void_p  # data buffers

WideCallback = ctypes.CFUNCTYPE(None, ctypes.c_wchar_p, ctypes.c_void_p)


class Matrix3x3(ctypes.Structure):
    _fields_ = [("m", (ctypes.c_double * 3) * 3)]


class Point2(ctypes.Structure):
    _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double)]


# name: (result, argument types)
_VOR4 = {
    "ek_vor4_file_open_w": (H, [W, B]),
    "ek_vor4_file_create_w": (H, [W]),
    "ek_vor4_file_close": (None, [H]),
    "ek_vor4_delete_files": (B, [W]),
    "ek_vor4_get_grid_type": (U8, [H]),
    "ek_vor4_set_grid_type": (None, [H, U8]),
    "ek_vor4_get_x0": (D, [H]), "ek_vor4_get_y0": (D, [H]), "ek_vor4_get_z0": (D, [H]),
    "ek_vor4_get_dx": (D, [H]), "ek_vor4_get_dy": (D, [H]), "ek_vor4_get_dz": (D, [H]),
    "ek_vor4_set_x0": (None, [H, D]), "ek_vor4_set_y0": (None, [H, D]), "ek_vor4_set_z0": (None, [H, D]),
    "ek_vor4_set_dx": (None, [H, D]), "ek_vor4_set_dy": (None, [H, D]), "ek_vor4_set_dz": (None, [H, D]),
    "ek_vor4_get_azimuth": (D, [H]),
    "ek_vor4_set_azimuth": (None, [H, D]),
    "ek_vor4_get_earthplane": (B, [H]),
    "ek_vor4_get_dimensions_64": (None, [H, ctypes.POINTER(I64)]),
    "ek_vor4_set_dimensions_64": (None, [H, ctypes.POINTER(I64)]),
    "ek_vor4_get_object_count_64": (I64, [H]),
    "ek_vor4_get_maskpropindex": (ctypes.c_int, [H]),
    "ek_vor4_get_xpropindex": (ctypes.c_int, [H]),
    "ek_vor4_get_ypropindex": (ctypes.c_int, [H]),
    "ek_vor4_get_zpropindex": (ctypes.c_int, [H]),
    "ek_vor4_set_maskpropindex": (None, [H, ctypes.c_int]),
    "ek_vor4_set_xpropindex": (None, [H, ctypes.c_int]),
    "ek_vor4_set_ypropindex": (None, [H, ctypes.c_int]),
    "ek_vor4_set_zpropindex": (None, [H, ctypes.c_int]),
    "ek_vor4_get_prop_count": (U32, [H]),
    "ek_vor4_get_index_by_name_w": (ctypes.c_int, [H, W]),
    "ek_vor4_prop_add_w": (H, [H, W, U8, U8, B]),
    "ek_vor4_prop_delete": (None, [H, U32]),
    "ek_vor4_prop_open": (H, [H, U32]),
    "ek_vor4_get_prop_kind": (U8, [H, U32]),
    "ek_vor4_set_prop_kind": (None, [H, U32, U8]),
    "ek_vor4_get_prop_data_type": (U8, [H, U32]),
    "ek_vor4_get_prop_name_w": (None, [H, U32, H]),
    "ek_vor4_get_prop_precision_w": (None, [H, U32, H]),
    "ek_vor4_set_prop_precision_w": (None, [H, U32, W]),
    "ek_vor4_prop_get_prop_file_name_w": (None, [H, U32, H]),
    "ek_vor4_prop_file_exists": (B, [H, U32]),
    "ek_vor4_prop_get_caption_w": (None, [H, H]),
    "ek_vor4_prop_set_caption_w": (None, [H, W]),
    "ek_vor4_prop_get_objcount_64": (I64, [H]),
    "ek_vor4_prop_read_64": (ctypes.c_int, [H, I64, I64, P, I64, U8, I64]),
    "ek_vor4_prop_read2d_64": (ctypes.c_int, [H, I64, I64, I64, I64, P, I64, I64, U8, I64, I64]),
    "ek_vor4_prop_read3d_64": (ctypes.c_int, [H, I64, I64, I64, I64, I64, I64, P, I64, I64, I64, U8, I64, I64, I64]),
    "ek_vor4_prop_write_64": (ctypes.c_int, [H, I64, P, I64, U8, I64]),
    "ek_vor4_prop_get_statistic_exist": (B, [H]),
    "ek_vor4_prop_get_statistic_min": (D, [H]),
    "ek_vor4_prop_get_statistic_max": (D, [H]),
    "ek_vor4_prop_get_statistic_average": (D, [H]),
    "ek_vor4_prop_get_statistic_stddev": (D, [H]),
    "ek_vor4_prop_get_statistic_indef_count_64": (I64, [H]),
    "ek_vor4_prop_get_statistic_vals_count_64": (I64, [H]),
    "ek_vor4_prop_statistic_update": (None, [H]),
    "ek_vor4_prop_get_histogram_exist": (B, [H]),
    "ek_vor4_prop_get_histogram_hgbndmin": (D, [H]),
    "ek_vor4_prop_get_histogram_hgbndmax": (D, [H]),
    "ek_vor4_prop_get_histogram_hgmin": (I64, [H]),
    "ek_vor4_prop_get_histogram_hgmax": (I64, [H]),
    "ek_vor4_prop_get_histogram_count": (U32, [H]),
    "ek_vor4_prop_get_histogram_value": (I64, [H, U32]),
    "ek_vor4_prop_histogram_update": (None, [H]),
    "ek_vor4_prop_name_ok": (B, [W]),
    "ek_vor4_prop_name_fix": (None, [W, H]),
    "ek_vor4_get_geotransform": (None, [H, ctypes.POINTER(Matrix3x3)]),
    "ek_vor4_fetch_iloc2d_64": (B, [H, Point2, ctypes.POINTER(I64), ctypes.POINTER(I64)]),
}

_BASIC = {
    "ek_string_adp_create": (H, [P, WideCallback, P]),
    "ek_string_adp_destroy": (None, [H]),
}


class _Library:
    """The two loaded libraries, with every prototype of the tables above as an attribute."""

    def __init__(self, vor4, basic, path):
        self.path = path
        for table, dll in ((_VOR4, vor4), (_BASIC, basic)):
            for name, (restype, argtypes) in table.items():
                fn = getattr(dll, name)
                fn.restype = restype
                fn.argtypes = argtypes
                setattr(self, name[3:] if name.startswith("ek_") else name, fn)

    def wide_text(self, fn, *args):
        """Calls a function that delivers text through a string adapter; None when none came."""
        received = []
        callback = WideCallback(lambda text, _context: received.append(text or ""))
        adapter = self.string_adp_create(None, callback, None)
        if not adapter:
            raise MemoryError("no string adapter")
        try:
            fn(*args, adapter)
        finally:
            self.string_adp_destroy(adapter)
        return received[-1] if received else None


def _candidates(kind):
    """Paths to try for a library, with whether a failure there is final."""
    names = _NAMES[kind]
    env = os.environ.get(_ENV)
    if env:
        if os.path.isdir(env):
            return [(os.path.join(env, n), True) for n in names if os.path.exists(os.path.join(env, n))] or [
                (os.path.join(env, names[0]), True)]
        return [(env, True)]
    here = os.path.dirname(os.path.abspath(__file__))
    found = [(os.path.join(here, n), False) for n in names if os.path.exists(os.path.join(here, n))]
    system = ctypes.util.find_library(kind)
    return found + ([(system, False)] if system else []) + [(n, False) for n in names]


def _load_vor4():
    errors = []
    for path, final in _candidates("ekx_file_vor4"):
        try:
            return ctypes.CDLL(path), path
        except OSError as e:
            errors.append(f"{path}: {e}")
            if final:
                break
    raise OSError("the ekx_file_vor4 library cannot be loaded (set %s to its path): %s" % (_ENV, "; ".join(errors)))


def _load_basic(vor4, vor4_path):
    # ekx_basic sits beside the document library once installed; in a build tree the loader has
    # already brought it in as a dependency and finds it again by name.
    folder = os.path.dirname(vor4_path) if os.path.isabs(vor4_path) else ""
    tries = [os.path.join(folder, n) for n in _NAMES["ekx_basic"] if folder] + _NAMES["ekx_basic"]
    for path in tries:
        try:
            return ctypes.CDLL(path)
        except OSError:
            pass
    return vor4  # the system loader resolves a dependency's symbols through its dependent


_lock = threading.Lock()
_library = None


def get():
    """The loaded library (loaded on the first call)."""
    global _library
    if _library is None:
        with _lock:
            if _library is None:
                vor4, path = _load_vor4()
                _library = _Library(vor4, _load_basic(vor4, path), path)
    return _library
