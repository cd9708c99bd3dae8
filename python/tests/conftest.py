import numpy as np
import pytest

import vor4


@pytest.fixture
def grid(tmp_path):
    """The path of a closed 2D document (6 rows x 9 columns) with one float32 property "Depth" holding 0..53."""
    with vor4.create(tmp_path / "grid.xml", "gt2D", (6, 9), origin=(1000.0, 2000.0), cell=(10.0, 5.0)) as doc:
        doc.add_property("Depth", np.float32).write(np.arange(54, dtype=np.float32).reshape(6, 9))
    return tmp_path / "grid.xml"


def on_disk(prop_path, dtype):
    """The data file as an array of little-endian values."""
    return np.fromfile(prop_path, dtype=np.dtype(dtype).newbyteorder("<"))
