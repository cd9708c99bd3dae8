"""Statistics and histograms: the library's results under the package's names, None while there are none."""
import math

import numpy as np
import pytest

import vor4


def test_statistics_and_histograms_of_written_values(tmp_path):
    # Fifty zeros, a missing value and 99, which lies above mean + 3 std: one value above, none below.
    with vor4.create(path := tmp_path / "s.xml", "gt1D", (52,)) as doc:
        (prop := doc.add_property("P", np.float32)).write(np.array([0.0] * 50 + [np.nan, 99.0]))
        empty = doc.add_property("E", np.float32)
        assert prop.statistics() is None and prop.histogram() is None
        assert empty.statistics(update=True) is None and empty.histogram(update=True) is None
        stats, hist = prop.statistics(update=True), prop.histogram(update=True)
    s51 = math.sqrt(51)
    assert stats == pytest.approx(vor4.Statistics(0, 99, 99 / 51, 99 / s51, 1, 51), rel=1e-6)
    assert (hist.lower, hist.upper, hist.below, hist.above) == pytest.approx((0, 3 * 99 / s51 + 99 / 51, 0, 1), rel=1e-6)
    assert hist.counts.shape == (100,) and hist.counts[0] == hist.counts.sum() == 50
    with vor4.open(path, "r+") as doc:  # kept in the metadata file until a write makes both stale
        prop = doc.properties["P"]
        assert prop.statistics() == pytest.approx(stats, rel=1e-12)
        prop.write(np.zeros(1, np.float32))
        assert prop.statistics() is None and prop.histogram() is None
