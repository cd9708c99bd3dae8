"""Documents through real files: geometry, property list, values and missing values on disk."""
import xml.etree.ElementTree as ET

import numpy as np
import pytest

import vor4
from conftest import on_disk

GEOMETRY = [
    # grid type, numpy shape, origin, cell, metadata file values
    ("gt1D", (7,), (5.0,), (2.5,), {"GridType": "gt1D", "Pic": "7", "X0": "5", "DX": "2.5", "ObjCount": "7"}),
    ("gt2D", (4, 3), (1.0, 2.0), (0.5, 0.25), {"Pic": "3", "Prf": "4", "X0": "1", "Y0": "2", "DX": "0.5", "DY": "0.25", "ObjCount": "12"}),
    ("gt3D", (2, 3, 5), (1.0, 2.0, 3.0), (4.0, 5.0, 6.0), {"Pic": "5", "Prf": "3", "PicZ": "2", "Z0": "3", "DZ": "6", "ObjCount": "30"}),
    (5, (1, 1, 1), (0.0,), (1.0,), {"GridType": "gt3D", "ObjCount": "1"}),
]


@pytest.mark.parametrize("grid_type, shape, origin, cell, xml", GEOMETRY, ids=[str(g[0]) for g in GEOMETRY])
def test_geometry_reaches_the_metadata_file_and_reads_back(tmp_path, grid_type, shape, origin, cell, xml):
    path = tmp_path / "g.xml"
    with vor4.create(path, grid_type, shape, origin=origin, cell=cell, azimuth=30.0) as doc:
        doc.add_property("V", np.float32)
    root = ET.parse(path).getroot()
    assert {k: root.findtext(k) for k in xml} == xml and float(root.findtext("Azim1")) == 30.0
    with vor4.open(path) as doc:
        assert doc.shape == doc.properties["V"].shape == shape and doc.azimuth == 30.0 and (doc.origin[:len(origin)], doc.cell[:len(cell)]) == (origin, cell)
        assert on_disk(doc.properties["V"].file_path, np.float32).size == np.prod(shape)


VALUES = [
    # dtype, values written, expected file bytes (little-endian; masks one bit per value)
    (np.float32, [1.5, -2.0, np.nan], np.array([1.5, -2.0], "<f4").tobytes() + b"\x00\x00\xc0\x7f"),
    (np.float64, [0.1, 1e300], np.array([0.1, 1e300], "<f8").tobytes()), (np.uint8, [0, 200, 255], b"\x00\xc8\xff"),
    (np.int32, [7, -3, 2147483647], b"\x07\x00\x00\x00\xfd\xff\xff\xff\xff\xff\xff\x7f"),
    (np.bool_, [True, False, True, True, False, False, False, False, True, False], b"\x0d\x01"),
]


@pytest.mark.parametrize("dtype, values, expected", VALUES, ids=[np.dtype(v[0]).name for v in VALUES])
def test_written_values_are_the_bytes_of_the_data_file(tmp_path, dtype, values, expected):
    with vor4.create(tmp_path / "v.xml", "gt1D", (len(values),)) as doc:
        (prop := doc.add_property("P", dtype)).write(np.array(values, dtype))
        raw_path = prop.file_path
    raw = open(raw_path, "rb").read()
    # Any NaN pattern is a missing value.
    assert raw[:8] == expected[:8] and np.isnan(np.frombuffer(raw[8:], "<f4")).all() if dtype is np.float32 else raw == expected
    with vor4.open(tmp_path / "v.xml") as doc:
        np.testing.assert_array_equal(doc.properties["P"][:], np.array(values, dtype))


MISSING = [
    # stored type, requested type, what a missing value reads as
    (np.float32, np.float32, np.nan), (np.float32, np.int32, 2147483647), (np.int32, np.float64, np.nan), (np.bool_, np.uint8, 0),
]


@pytest.mark.parametrize("stored, requested, expected", MISSING, ids=[f"{np.dtype(s).name}-as-{np.dtype(r).name}" for s, r, _ in MISSING])
def test_new_properties_read_as_missing_values(tmp_path, stored, requested, expected):
    with vor4.create(tmp_path / "m.xml", "gt2D", (2, 3)) as doc:
        np.testing.assert_array_equal(doc.add_property("P", stored).read(dtype=requested), np.full((2, 3), expected, requested), strict=True)


def test_properties_keep_document_order_and_attributes_across_a_reopen(tmp_path):
    path = tmp_path / "p.xml"
    with vor4.create(path, "gt2D", (2, 2)) as doc:
        for name, dtype, kind in [("B", np.uint8, "pkClass"), ("A", np.float64, "pkQuantCriter"), ("Mask", np.bool_, "pkMask"), ("C", np.int32, 4)]:
            doc.add_property(name, dtype, kind)
        doc.properties["A"].caption, doc.properties["A"].precision = "Глубина, м", "0.00"
        doc.delete_property("B")
        doc.add_property("D", "dtSingle")
    with vor4.open(path) as doc:
        assert [(p.name, p.dtype, p.kind) for p in doc.properties.values()] == [
            ("A", np.float64, "pkQuantCriter"), ("Mask", np.bool_, "pkMask"), ("C", np.int32, "pkNominal"), ("D", np.float32, "pkQuantNonCriter")]
        a = doc.properties["a"]  # names match ignoring case, as the library matches them
        assert (a.name, a.caption, a.precision, doc.properties["D"].caption) == ("A", "Глубина, м", "0.00", "D")


def test_writes_at_offsets_convert_and_leave_other_cells(tmp_path):
    with vor4.create(tmp_path / "w.xml", "gt3D", (2, 3, 4)) as doc:
        prop = doc.add_property("I", np.int32)
        expected = np.full((2, 3, 4), 2147483647, np.int32)
        for array, (z, y, x), cells in [  # array, offset, what the cells then hold
                (np.array([[[1.9, -2.7]]]), (1, 2, 2), [[[1, -2]]]),  # float64 into int32: truncated
                (np.arange(12).reshape(1, 3, 4), (0, 0, 0), np.arange(12).reshape(1, 3, 4)),  # whole slice: one run
                (np.array([[[np.nan], [5.0]]], np.float32), (1, 0, 0), [[[2147483647], [5]]])]:  # NaN: missing value
            prop.write(array, offset=(z, y, x))
            expected[z:z + array.shape[0], y:y + array.shape[1], x:x + array.shape[2]] = cells
        prop[1, 1, :] = expected[1, 1, :] = 9  # broadcast assignment
        np.testing.assert_array_equal(on_disk(prop.file_path, np.int32).reshape(2, 3, 4), expected)
