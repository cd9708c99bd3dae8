"""Bad input: clear exceptions, no crash, nothing written."""
import os
import subprocess
import sys

import numpy as np
import pytest

import vor4
from conftest import on_disk


def _open_not_a_document(tmp_path):
    (tmp_path / "notes.xml").write_text("<Other/>")
    return vor4.open(tmp_path / "notes.xml")


def _open_truncated(tmp_path):
    (tmp_path / "cut.xml").write_text('<?xml version="1.0"?><TGrDoc><GridType>gt2D</Gr')
    return vor4.open(tmp_path / "cut.xml")


OPENING = [
    ("missing", lambda t, g: vor4.open(t / "none.xml"), FileNotFoundError),
    ("folder", lambda t, g: vor4.open(t), IsADirectoryError),
    ("not a document", lambda t, g: _open_not_a_document(t), ValueError),
    ("truncated metadata", lambda t, g: _open_truncated(t), ValueError),
    ("bad mode", lambda t, g: vor4.open(g, "w"), ValueError),
    ("create over a document", lambda t, g: vor4.create(g, "gt2D", (2, 2)), FileExistsError),
    ("create in a missing folder", lambda t, g: vor4.create(t / "no" / "x.xml", "gt2D", (2, 2)), FileNotFoundError),
    ("create with a wrong shape", lambda t, g: vor4.create(t / "x.xml", "gt3D", (2, 2)), ValueError),
    ("create with a size 0", lambda t, g: vor4.create(t / "x.xml", "gt2D", (0, 2)), ValueError),
    ("create of gtNone", lambda t, g: vor4.create(t / "x.xml", 0, (2,)), ValueError),
    ("create with an unknown grid type", lambda t, g: vor4.create(t / "x.xml", "gt4D", (2,)), ValueError),
]


@pytest.mark.parametrize("case, action, error", OPENING, ids=[o[0] for o in OPENING])
def test_documents_that_cannot_be_opened_or_created_raise(tmp_path, grid, case, action, error):
    with pytest.raises(error):
        action(tmp_path, grid)
    assert not (tmp_path / "x.xml").exists()


USE = [
    # what, action on the writable document's property "Depth" (6 x 9 float32), error
    ("unknown property", lambda d, p: d.properties["Height"], KeyError),
    ("delete unknown property", lambda d, p: d.delete_property("Height"), KeyError),
    ("window past the grid", lambda d, p: p.read(((0, 7), (0, 9))), IndexError),
    ("empty window", lambda d, p: p.read(((3, 3), (0, 9))), IndexError),
    ("enlarging shape", lambda d, p: p.read(((0, 2), (0, 2)), (3, 2)), ValueError),
    ("index past the grid", lambda d, p: p[6, 0], IndexError),
    ("index array past the grid", lambda d, p: p[:, [0, 9]], IndexError),
    ("float index", lambda d, p: p[1.5], IndexError),
    ("too many indices", lambda d, p: p[0, 0, 0], IndexError),
    ("write of the wrong rank", lambda d, p: p.write(np.zeros(9, np.float32)), ValueError),
    ("write larger than the grid", lambda d, p: p.write(np.zeros((7, 9), np.float32)), ValueError),
    ("write past the grid", lambda d, p: p.write(np.zeros((2, 2), np.float32), offset=(5, 0)), IndexError),
    ("write at a negative offset", lambda d, p: p.write(np.zeros((2, 2), np.float32), offset=(-1, 0)), IndexError),
    ("write of strings", lambda d, p: p.write(np.full((2, 2), "a")), ValueError),
    ("write of complex values", lambda d, p: p.write(np.zeros((2, 2), complex)), ValueError),
    ("int64 values beyond int32", lambda d, p: d.add_property("I", np.int32).write(np.full((6, 9), 2**40)), ValueError),
    ("stepped assignment", lambda d, p: p.__setitem__((slice(None, None, 2), 0), 1.0), IndexError),
    ("assignment of the wrong shape", lambda d, p: p.__setitem__((slice(0, 2), slice(0, 2)), np.zeros(3)), ValueError),
    ("unsupported value type", lambda d, p: d.add_property("C", np.complex64), ValueError),
    ("invalid property name", lambda d, p: d.add_property("Глубина", np.float32), ValueError),
    ("existing property name", lambda d, p: d.add_property("depth", np.float32), ValueError),
    ("unknown kind", lambda d, p: d.add_property("K", np.float32, "pkOther"), ValueError),
]


@pytest.mark.parametrize("what, action, error", USE, ids=[u[0] for u in USE])
def test_bad_use_raises_and_writes_nothing(grid, what, action, error):
    with vor4.open(grid, "r+") as doc:
        prop = doc.properties["Depth"]
        before = open(prop.file_path, "rb").read()
        with pytest.raises(error):
            action(doc, prop)
        assert open(prop.file_path, "rb").read() == before
        assert list(doc.properties) in (["Depth"], ["Depth", "I"])


READ_ONLY = [
    ("write", lambda d, p: p.write(np.zeros((1, 1), np.float32))),
    ("assignment", lambda d, p: p.__setitem__((0, 0), 1.0)),
    ("add", lambda d, p: d.add_property("New", np.float32)),
    ("delete", lambda d, p: d.delete_property("Depth")),
    ("caption", lambda d, p: setattr(p, "caption", "x")),
]


@pytest.mark.parametrize("what, action", READ_ONLY, ids=[r[0] for r in READ_ONLY])
def test_read_only_documents_refuse_changes(grid, what, action):
    with vor4.open(grid) as doc:
        prop = doc.properties["Depth"]
        with pytest.raises(PermissionError):
            action(doc, prop)
    np.testing.assert_array_equal(on_disk(str(grid).replace(".xml", ".Depth.property"), np.float32), np.arange(54))


def test_closed_documents_and_deleted_properties_raise(grid):
    doc = vor4.open(grid, "r+")
    prop = doc.properties["Depth"]
    doc.delete_property("Depth")
    with pytest.raises(KeyError):
        prop[0, 0]
    doc.add_property("Depth", np.uint8)
    assert prop.dtype == np.uint8  # the name now stands for the new property
    doc.close()
    doc.close()
    for action in (lambda: prop[0, 0], lambda: doc.properties, lambda: doc.shape, lambda: len(doc.properties)):
        with pytest.raises(ValueError):
            action()


def test_a_missing_data_file_shows_when_the_property_is_read(grid):
    os.remove(str(grid).replace(".xml", ".Depth.property"))
    with vor4.open(grid) as doc:
        with pytest.raises(FileNotFoundError):
            doc.properties["Depth"][:]


HOLDER = """
import sys, vor4
doc = vor4.open(sys.argv[1], sys.argv[2])
print("ready", flush=True)
sys.stdin.readline()
"""

LOCKS = [
    # mode held by another process, mode asked here, error (None: both open)
    ("r+", "r", PermissionError), ("r", "r+", PermissionError), ("r+", "r+", PermissionError), ("r", "r", None),
]


@pytest.mark.parametrize("held, asked, error", LOCKS, ids=[f"{h}-then-{a}" for h, a, _ in LOCKS])
def test_another_process_holding_the_data_files_locks_them(grid, held, asked, error):
    holder = subprocess.Popen([sys.executable, "-c", HOLDER, str(grid), held], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE, text=True)
    try:
        assert holder.stdout.readline().strip() == "ready"
        if error is None:
            with vor4.open(grid, asked) as doc:
                assert doc.properties["Depth"][5, 8] == 53
        else:
            with pytest.raises(error, match="another process"):
                vor4.open(grid, asked)
    finally:
        holder.communicate("\n")
    assert holder.returncode == 0
    with vor4.open(grid, "r+") as doc:  # released with the other process
        assert doc.properties["Depth"][0, 1] == 1


def test_read_only_and_writable_opens_in_one_process(grid):
    with vor4.open(grid) as reader:
        with pytest.raises(PermissionError, match="read-only in this process"):
            vor4.open(grid, "r+")
        assert reader.properties["Depth"][1, 0] == 9
