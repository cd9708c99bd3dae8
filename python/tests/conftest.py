import numpy as np
import pytest

import vor4


@pytest.fixture
def grid(tmp_path):
    """A closed 2D document (6 rows x 9 columns) with one float32 property holding 0..53, as a
    path; the values go through the package and are checked on disk by the tests that need it."""
    path = tmp_path / "grid.xml"
    with vor4.create(path, "gt2D", (6, 9), origin=(1000.0, 2000.0), cell=(10.0, 5.0)) as doc:
        doc.add_property("Depth", np.float32).write(np.arange(54, dtype=np.float32).reshape(6, 9))
    return path


def on_disk(prop_path, dtype):
    """The data file as an array of little-endian values."""
    return np.fromfile(prop_path, dtype=np.dtype(dtype).newbyteorder("<"))
