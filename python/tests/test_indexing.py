"""Numpy-style indexing, windows and decimation, against the data file read as a plain array."""
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

import vor4
from conftest import on_disk

SHAPES = {1: (13,), 2: (6, 9), 3: (4, 5, 7)}
KEYS = [  # number of dimensions, key
    (1, slice(None)), (1, slice(2, 11, 3)), (1, slice(None, None, -1)), (1, slice(10, 1, -4)), (1, -1), (1, [3, 4, 5, 9, 11, 0, 0, 12]), (1, slice(20, 30)),
    (1, np.arange(13) % 3 == 0), (1, (Ellipsis, None)), (2, (slice(1, 6, 2), slice(0, 9, 4))), (2, (slice(None, None, 5), 3)), (2, (Ellipsis, 8)),
    (2, (-2, slice(None, None, -2))), (2, ([5, 0, 2], slice(1, 3))), (2, ([0, 5], [8, 1])), (2, (None, 1, [2, 3])), (2, np.arange(54).reshape(6, 9) % 7 == 0),
    (2, (slice(0, 6, 4), slice(2, 9, 7))), (2, (np.array([[1], [3]]), np.array([0, 2, 4]))), (2, (slice(1, 3), list(range(9)) + [0])), (2, (slice(2, 6), slice(None))),
    (3, (slice(None, None, 2), slice(1, 5, 3), slice(0, 7, 3))), (3, (1, Ellipsis)), (3, (slice(None, None, -1), 2, [6, 0])), (3, (3, 4, 6)),
    (3, ([0, 3], slice(None), [1, 2])), (3, (slice(1, 3), [4, 0, 1, 2, 3, 4], slice(None))), (3, (slice(1, 3), slice(None), slice(None))),
]


@pytest.fixture(scope="module")
def documents(tmp_path_factory):
    folder, docs = tmp_path_factory.mktemp("indexing"), {}
    for ndim, shape in SHAPES.items():
        with vor4.create(folder / f"d{ndim}.xml", ("gt1D", "gt2D", "gt3D")[ndim - 1], shape) as doc:
            doc.add_property("V", np.float64).write(np.arange(np.prod(shape), dtype=np.float64).reshape(shape) * 0.5)
        docs[ndim] = vor4.open(folder / f"d{ndim}.xml")
    yield docs
    for doc in docs.values():
        doc.close()


@pytest.mark.parametrize("ndim, key", KEYS, ids=[f"{n}d-{k!r}".replace(" ", "") for n, k in KEYS])
def test_numpy_keys_select_what_numpy_selects(documents, ndim, key):
    prop = documents[ndim].properties["V"]
    reference = on_disk(prop.file_path, np.float64).reshape(SHAPES[ndim])[key]
    np.testing.assert_array_equal(prop[key], reference, strict=True)


DECIMATION = [
    # document shape, window, output shape, the source cells picked along each axis (hand-computed)
    # 2D rows step by the remainder; columns, and the rows and slices of 3D grids, by nearest index
    ((5, 10), ((0, 5), (0, 10)), (2, 4), ([0, 2], [0, 3, 5, 8])), ((5, 10), ((1, 5), (2, 10)), (2, 4), ([1, 3], [2, 4, 6, 8])),
    ((5, 10), ((2, 3), (9, 10)), (1, 1), ([2], [9])), ((5, 10), (slice(0, 5), slice(None)), (5, 5), (range(5), [0, 2, 4, 6, 8])),
    ((10,), None, 4, ([0, 3, 5, 8],)), ((10,), (2, 7), 2, ([2, 5],)), ((5, 5, 10), None, (2, 2, 4), ([0, 3], [0, 3], [0, 3, 5, 8])),
]


@pytest.mark.parametrize("shape, window, out, picks", DECIMATION, ids=[str(d[:3]) for d in DECIMATION])
def test_read_decimates_windows_by_the_library_resampling(tmp_path, shape, window, out, picks):
    with vor4.create(tmp_path / "dec.xml", ("gt1D", "gt2D", "gt3D")[len(shape) - 1], shape) as doc:
        (prop := doc.add_property("V", np.int32)).write(np.arange(np.prod(shape)).reshape(shape))
        expected = np.arange(np.prod(shape)).reshape(shape)[np.ix_(*map(list, picks))]
        np.testing.assert_array_equal(prop.read(window, out), expected)
        np.testing.assert_array_equal(prop.read(window, out, dtype=np.float32), expected.astype(np.float32))


def test_truth_values_of_decimated_rows_follow_the_conversion_of_single_cells(tmp_path):
    with vor4.create(tmp_path / "b.xml", "gt2D", (1, 7)) as doc:
        (prop := doc.add_property("V", np.float32)).write(np.array([[0.0, np.nan, 2.5, -0.0, 1.0, 0.0, 7.0]], np.float32))
        whole = prop.read(dtype=bool)
        np.testing.assert_array_equal(whole, [[False, False, True, False, True, False, True]])  # NaN: false
        # 7 columns onto 3: 0, trunc(7/3 + 0.5) = 2, trunc(14/3 + 0.5) = 5, read as bytes 0 and 1
        np.testing.assert_array_equal(prop.read(shape=(1, 3), dtype=bool).view(np.uint8), whole[:, [0, 2, 5]])


def test_threads_read_one_document_side_by_side(grid):
    keys = [(slice(r, r + 2), slice(None, None, 1 + r % 3)) for r in range(5)] * 40
    with vor4.open(grid) as doc, vor4.open(grid) as again, ThreadPoolExecutor(4) as pool:
        props = [doc.properties["Depth"], again.properties["Depth"]]
        results = list(pool.map(lambda ik: props[ik[0] % 2][ik[1]], enumerate(keys)))
    for key, got in zip(keys, results):
        np.testing.assert_array_equal(got, np.arange(54, dtype=np.float32).reshape(6, 9)[key])
