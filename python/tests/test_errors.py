"""Bad input: clear exceptions, no crash, nothing written."""
import os
import subprocess
import sys

import numpy as np
import pytest

import vor4


def _open_text(folder, text):  # write_text returns the count of characters written, never 0 here
    return (folder / "t.xml").write_text(text) and vor4.open(folder / "t.xml")


OPENING = [  # code run with the folder t and the path g of a closed document, error
    ("vor4.open(t / 'none.xml')", FileNotFoundError), ("vor4.open(t)", IsADirectoryError), ("_open_text(t, '<Other/>')", ValueError),
    ("""_open_text(t, '<?xml version="1.0"?><TGrDoc><GridType>gt2D</Gr')""", ValueError), ("vor4.open(g, 'w')", ValueError),
    ("vor4.create(g, 'gt2D', (2, 2))", FileExistsError), ("vor4.create(t / 'no' / 'x.xml', 'gt2D', (2, 2))", FileNotFoundError),
    ("vor4.create(t / 'x.xml', 'gt3D', (2, 2))", ValueError), ("vor4.create(t / 'x.xml', 'gt2D', (0, 2))", ValueError),
    ("vor4.create(t / 'x.xml', 0, (2,))", ValueError), ("vor4.create(t / 'x.xml', 'gt4D', (2,))", ValueError),
]


@pytest.mark.parametrize("code, error", OPENING, ids=[o[0] for o in OPENING])
def test_documents_that_cannot_be_opened_or_created_raise(tmp_path, grid, code, error):
    with pytest.raises(error):
        exec(code, {"vor4": vor4, "_open_text": _open_text, "t": tmp_path, "g": grid})
    assert not (tmp_path / "x.xml").exists()


USE = [  # code run on the document d and its property p = d.properties["Depth"] (6 x 9 float32), error (PermissionError: the document is open read-only)
    ("d.properties['Height']", KeyError), ("d.delete_property('Height')", KeyError), ("p.read(((0, 7), (0, 9)))", IndexError),
    ("p.read(((3, 3), (0, 9)))", IndexError), ("p.read(((0, 2), (0, 2)), (3, 2))", ValueError), ("p[6, 0]", IndexError), ("p[:, [0, 9]]", IndexError),
    ("p[1.5]", IndexError), ("p[0, 0, 0]", IndexError), ("p.write(np.zeros(9, np.float32))", ValueError), ("p[::2, 0] = 1.0", IndexError),
    ("p.write(np.zeros((7, 9), np.float32))", ValueError), ("p.write(np.zeros((2, 2), np.float32), offset=(5, 0))", IndexError),
    ("p.write(np.zeros((2, 2), np.float32), offset=(-1, 0))", IndexError), ("p.write(np.zeros((2, 2), complex))", ValueError),
    ("d.add_property('I', np.int32).write(np.full((6, 9), 2**40))", ValueError), ("p[0:2, 0:2] = np.zeros(3)", ValueError),
    ("d.add_property('C', np.complex64)", ValueError), ("d.add_property('Глубина', np.float32)", ValueError),
    ("d.add_property('depth', np.float32)", ValueError), ("d.add_property('K', np.float32, 'pkOther')", ValueError),
] + [(code, PermissionError) for code in ["p.write(np.zeros((1, 1), np.float32))", "p[0, 0] = 1.0", "d.add_property('New', np.float32)",
                                          "d.delete_property('Depth')", "p.caption = 'x'"]]


@pytest.mark.parametrize("code, error", USE, ids=[u[0] for u in USE])
def test_bad_use_raises_and_writes_nothing(grid, code, error):
    with vor4.open(grid, "r" if error is PermissionError else "r+") as doc:
        before = open((prop := doc.properties["Depth"]).file_path, "rb").read()
        with pytest.raises(error):
            exec(code, {"np": np, "d": doc, "p": prop})
        assert open(prop.file_path, "rb").read() == before and list(doc.properties) in (["Depth"], ["Depth", "I"])


def test_one_process_closed_documents_deleted_properties_and_missing_data_files(grid):
    with vor4.open(grid) as reader:  # in one process a document is open read-only or writable, not both
        with pytest.raises(PermissionError, match="read-only in this process"):
            vor4.open(grid, "r+")
        assert reader.properties["Depth"][1, 0] == 9
    prop = (doc := vor4.open(grid, "r+")).properties["Depth"]
    doc.delete_property("Depth")
    with pytest.raises(KeyError):
        prop[0, 0]
    doc.add_property("Depth", np.uint8)
    assert prop.dtype == np.uint8  # the name now stands for the new property
    doc.close(), doc.close()  # closing twice is harmless
    for action in (lambda: prop[0, 0], lambda: doc.properties, lambda: doc.shape, lambda: len(doc.properties)):
        with pytest.raises(ValueError):
            action()
    os.remove(str(grid).replace(".xml", ".Depth.property"))
    with vor4.open(grid) as doc, pytest.raises(FileNotFoundError):
        doc.properties["Depth"][:]


HOLDER = "import sys, vor4; doc = vor4.open(sys.argv[1], sys.argv[2]); print('ready', flush=True); sys.stdin.readline()"


@pytest.mark.parametrize("held, asked", [("r+", "r"), ("r", "r+"), ("r+", "r+"), ("r", "r")])
def test_another_process_holding_the_data_files_locks_them(grid, held, asked):
    holder = subprocess.Popen([sys.executable, "-c", HOLDER, str(grid), held], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        assert holder.stdout.readline().strip() == "ready"
        if held == asked == "r":  # readers share
            with vor4.open(grid, asked) as doc:
                assert doc.properties["Depth"][5, 8] == 53
        else:
            with pytest.raises(PermissionError, match="another process"):
                vor4.open(grid, asked)
    finally:
        holder.communicate("\n")
    with vor4.open(grid, "r+") as doc:  # released with the other process
        assert holder.returncode == 0 and doc.properties["Depth"][0, 1] == 1
