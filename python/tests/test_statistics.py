"""Statistics and histograms computed by the library, checked against hand-computed values."""
import math

import numpy as np
import pytest

import vor4

NAN = float("nan")
STATISTICS = [
    # dtype, values, (min, max, mean, std, missing, count); None: no values, so no statistics
    (np.float32, [1, 2, 3, 4], (1, 4, 2.5, math.sqrt(5 / 3), 0, 4)), (np.float32, [7], (7, 7, 7, 0, 0, 1)), (np.float32, [NAN, NAN], None),
    (np.float64, [1, NAN, 2, NAN, 3, NAN, 4, 5, 6, 7], (1, 7, 4, math.sqrt(28 / 6), 3, 7)),
    (np.int32, [2147483647, -4, 10, 2147483647], (-4, 10, 3, math.sqrt(98), 2, 2)),
    (np.uint8, [255, 0], (0, 255, 127.5, math.sqrt(255 ** 2 / 2), 0, 2)),  # a byte 255 is a value
    (np.bool_, [True, False, False, True], (0, 1, 0.5, math.sqrt(1 / 3), 0, 4)),
]


@pytest.mark.parametrize("dtype, values, expected", STATISTICS, ids=[f"{np.dtype(s[0]).name}-{len(s[1])}" for s in STATISTICS])
def test_statistics_of_written_values(tmp_path, dtype, values, expected):
    path = tmp_path / "s.xml"
    with vor4.create(path, "gt1D", (len(values),)) as doc:
        prop = doc.add_property("P", dtype)
        prop.write(np.array(values, np.float64 if dtype in (np.float32, np.float64) else dtype))
        assert prop.statistics() is None
        stats = prop.statistics(update=True)
        assert stats == (None if expected is None else pytest.approx(vor4.Statistics(*expected), rel=1e-6))
    with vor4.open(path) as doc:  # kept in the metadata file
        assert doc.properties["P"].statistics() == (None if stats is None else pytest.approx(stats, rel=1e-12))


HISTOGRAMS = [
    # values, (lower, upper, below, above), {bin: count}; None: no values, so no histogram
    ([1, 2, 3, 4], (1, 4, 0, 0), {0: 1, 98: 1}), ([7], (7, 7, 0, 0), {0: 1}), ([NAN, NAN], None, {}),  # 2 and 3 fall in between
    ([0] * 50 + [99], (0, 3 * math.sqrt(99 ** 2 * 50 / 51 / 50) + 99 / 51, 0, 1), {0: 50}),  # 99 lies above
]


@pytest.mark.parametrize("values, bounds, bins", HISTOGRAMS, ids=["1234", "single", "empty", "outlier"])
def test_histograms_of_written_values(tmp_path, values, bounds, bins):
    with vor4.create(tmp_path / "h.xml", "gt1D", (len(values),)) as doc:
        prop = doc.add_property("P", np.float32)
        prop.write(np.array(values, np.float32))
        hist = prop.histogram(update=True)
        assert (hist is None) == (bounds is None)
        if hist is not None:
            assert (hist.lower, hist.upper, hist.below, hist.above) == pytest.approx(bounds, rel=1e-6)
            assert hist.counts.shape == (100,) and hist.counts[99] == 0 and {b: hist.counts[b] for b in bins} == bins
            assert hist.counts.sum() + hist.below + hist.above == len(values)
            prop.write(np.zeros(1, np.float32))  # any write makes both stale
            assert prop.statistics() is None and prop.histogram() is None
