"""The format's one-byte codes: grid types, property kinds, value types and their numpy dtypes."""
import numpy as np

GRID_TYPES = ("gtNone", "gt1D", "gt1DCoord", "gt2D", "gt2dCoord", "gt3D", "gt3DCoord", "gt2D_Func1D", "gt2D_Func2D")
KINDS = ("pkQuantNonCriter", "pkQuantCriter", "pkRankNonCriter", "pkRankCriter", "pkNominal", "pkClass", "pkCoord",
         "pkMask")
DATA_TYPES = ("dtSingle", "dtByte", "dtInteger", "dtBitmask", "dtDouble")
DTYPES = (np.dtype(np.float32), np.dtype(np.uint8), np.dtype(np.int32), np.dtype(np.bool_), np.dtype(np.float64))

# What an integer or byte array holds where a value is missing (floats hold NaN). Reads of a
# missing value into these types give exactly these numbers.
FILL_INT32 = 2147483647
FILL_UINT8 = 255

COORD_GRID_TYPES = (2, 4, 6)  # point sets: coordinates are properties
FUNCTION_GRID_TYPES = (7, 8)


def _code(value, names, what):
    if isinstance(value, str):
        folded = value.casefold()
        for code, name in enumerate(names):
            if name.casefold() == folded:
                return code
        raise ValueError(f"unknown {what} {value!r}; one of {', '.join(names)}")
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{what} must be a name or a code, not {type(value).__name__}")
    if not 0 <= int(value) < len(names):
        raise ValueError(f"{what} code {value} outside 0..{len(names) - 1}")
    return int(value)


def grid_type_code(value):
    return _code(value, GRID_TYPES, "grid type")


def kind_code(value):
    return _code(value, KINDS, "property kind")


def data_type_code(value):
    """Value type code of a numpy dtype (or dtype name, or a format name such as 'dtSingle')."""
    if isinstance(value, str) and value.casefold() in (n.casefold() for n in DATA_TYPES):
        return _code(value, DATA_TYPES, "data type")
    if isinstance(value, (int, np.integer)) and not isinstance(value, (bool, np.bool_)):
        return _code(value, DATA_TYPES, "data type")
    try:
        dtype = np.dtype(value)
    except TypeError as e:
        raise TypeError(f"not a data type: {value!r}") from e
    for code, known in enumerate(DTYPES):
        if dtype == known:
            return code
    raise ValueError(f"no value type holds {dtype}; use float32, uint8, int32, bool or float64")


def geometry_class(grid_type):
    return {0: 0, 1: 1, 2: 1, 5: 3, 6: 3}.get(grid_type, 2)
