"""Statistics and histograms computed by the library, checked against hand-computed values."""
import math

import numpy as np
import pytest

import vor4

NAN, S51 = float("nan"), math.sqrt(51)
CASES = [
    # dtype, values, (min, max, mean, std, missing, count) or None (no values: no statistics, no histogram),
    # histogram (lower, upper, below, above) and {bin: count}, or None where not checked
    (np.float32, [1, 2, 3, 4], (1, 4, 2.5, math.sqrt(5 / 3), 0, 4), ((1, 4, 0, 0), {0: 1, 98: 1})),  # 2 and 3 fall in between
    (np.float32, [7], (7, 7, 7, 0, 0, 1), ((7, 7, 0, 0), {0: 1})), (np.float32, [NAN, NAN], None, None),
    (np.float32, [0] * 50 + [99], (0, 99, 99 / 51, 99 / S51, 0, 51), ((0, 3 * 99 / S51 + 99 / 51, 0, 1), {0: 50})),  # 99 lies above mean + 3 std
    (np.float64, [1, NAN, 2, NAN, 3, NAN, 4, 5, 6, 7], (1, 7, 4, math.sqrt(28 / 6), 3, 7), None),
    (np.int32, [2147483647, -4, 10, 2147483647], (-4, 10, 3, math.sqrt(98), 2, 2), None),
    (np.uint8, [255, 0], (0, 255, 127.5, math.sqrt(255 ** 2 / 2), 0, 2), None),  # a byte 255 is a value
    (np.bool_, [True, False, False, True], (0, 1, 0.5, math.sqrt(1 / 3), 0, 4), None),
]


@pytest.mark.parametrize("dtype, values, stats, hist", CASES, ids=[f"{np.dtype(c[0]).name}-{len(c[1])}" for c in CASES])
def test_statistics_and_histograms_of_written_values(tmp_path, dtype, values, stats, hist):
    path = tmp_path / "s.xml"
    with vor4.create(path, "gt1D", (len(values),)) as doc:
        prop = doc.add_property("P", dtype)
        prop.write(np.array(values, np.float64 if dtype in (np.float32, np.float64) else dtype))
        assert prop.statistics() is None
        got, h = prop.statistics(update=True), prop.histogram(update=True)
        assert got == (None if stats is None else pytest.approx(vor4.Statistics(*stats), rel=1e-6)) and (h is None) == (stats is None)
        if hist:
            assert (h.lower, h.upper, h.below, h.above) == pytest.approx(hist[0], rel=1e-6)
            assert h.counts.shape == (100,) and h.counts[99] == 0 and {b: h.counts[b] for b in hist[1]} == hist[1]
            assert h.counts.sum() + h.below + h.above == len(values)
    with vor4.open(path, "r+") as doc:  # kept in the metadata file until a write makes both stale
        prop = doc.properties["P"]
        assert prop.statistics() == (None if got is None else pytest.approx(got, rel=1e-12))
        prop.write(np.zeros(1, dtype))
        assert prop.statistics() is None and prop.histogram() is None
