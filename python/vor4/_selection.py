"""Turning numpy-style keys into the windowed, decimated reads the library performs.

A read of one axis is a list of segments (out, n, src, count): the library's nearest-index
resampling maps the source window [src, src + count) onto the n outputs from position out. A
step s is read exactly as numpy selects it when count = n * s, since output k then takes source
k * s; so a stepped slice is one segment when that window fits in the axis, and otherwise one
segment for all but its last element plus a single-cell segment for the last.
"""
import operator
from typing import NamedTuple

import numpy as np


class Segment(NamedTuple):
    out: int
    n: int
    src: int
    count: int


class Axis(NamedTuple):
    n: int  # outputs along the axis
    segments: tuple
    reverse: bool  # read forwards, then flip (negative steps)


def _progression(first, n, step, size, out=0):
    """Segments of first, first + step, ... (n values, step >= 1) along an axis of `size`."""
    if n == 1 or step == 1:
        return [Segment(out, n, first, n if step == 1 else 1)]
    if first + n * step <= size:
        return [Segment(out, n, first, n * step)]
    return [Segment(out, n - 1, first, (n - 1) * step), Segment(out + n - 1, 1, first + (n - 1) * step, 1)]


def slice_axis(slc, size):
    start, stop, step = slc.indices(size)
    n = len(range(start, stop, step))
    if n == 0:
        return Axis(0, (), False)
    if step > 0:
        return Axis(n, tuple(_progression(start, n, step, size)), False)
    first = start + (n - 1) * step
    return Axis(n, tuple(_progression(first, n, -step, size)), True)


def normalize_indices(values, size):
    """A 1-D integer index array with negative indices wrapped; IndexError outside the axis."""
    a = np.asarray(values)
    if a.dtype == np.bool_:
        if a.shape != (size,):
            raise IndexError(f"boolean index of shape {a.shape} does not match an axis of {size}")
        return np.flatnonzero(a)
    if a.size == 0:
        return np.zeros(a.shape, np.int64)
    if a.dtype.kind not in "iu":
        raise IndexError(f"arrays used as indices must be of integer or boolean type, not {a.dtype}")
    a = a.astype(np.int64, copy=False)
    bad = (a < -size) | (a >= size)
    if bad.any():
        raise IndexError(f"index {a[bad].flat[0]} is out of bounds for an axis of size {size}")
    return np.where(a < 0, a + size, a)


def array_axis(indices, size):
    """Segments reading an index list in its order: runs of a constant positive step grouped."""
    a = normalize_indices(indices, size)
    if a.ndim != 1:
        raise IndexError("only one-dimensional index arrays select along one axis")
    n = len(a)
    segments = []
    if n:
        d = np.diff(a)
        # Where the step changes; a run starting at i lasts up to the next change after i.
        changes = np.append(np.flatnonzero(d[1:] != d[:-1]) + 1, len(d))
        i = 0
        while i < n:
            step = int(d[i]) if i < len(d) else 0
            if step < 1:
                segments.append(Segment(i, 1, int(a[i]), 1))
                i += 1
                continue
            end = int(changes[np.searchsorted(changes, i, side="right")])  # last element of the run
            segments.extend(_progression(int(a[i]), end - i + 1, step, size, out=i))
            i = end + 1
    return Axis(n, tuple(segments), False)


def int_index(value, size):
    i = operator.index(value)
    if not -size <= i < size:
        raise IndexError(f"index {i} is out of bounds for an axis of size {size}")
    return i + size if i < 0 else i


def outer_axes(components, shape):
    """Axis plans of an outer (orthogonal) key of ints, slices and 1-D index arrays, with the
    positions of the integer components, whose axes are dropped from the result."""
    if len(components) != len(shape):
        raise IndexError(f"{len(components)} indices for {len(shape)} dimensions")
    axes, dropped = [], []
    for pos, (c, size) in enumerate(zip(components, shape)):
        if isinstance(c, slice):
            axes.append(slice_axis(c, size))
        elif _is_integer(c):
            i = int_index(c, size)
            axes.append(Axis(1, (Segment(0, 1, i, 1),), False))
            dropped.append(pos)
        else:
            axes.append(array_axis(c, size))
    return axes, dropped


def _is_integer(c):
    return isinstance(c, (int, np.integer)) and not isinstance(c, (bool, np.bool_)) or (
        isinstance(c, np.ndarray) and c.ndim == 0 and c.dtype.kind in "iu")


def split_key(key, shape):
    """A numpy key as (outer components, post key): the outer read gathers every cell the key
    needs; the post key (None when there is nothing left to do) applies numpy's own indexing to
    that result, so advanced indexing keeps numpy's semantics exactly."""
    key = key if isinstance(key, tuple) else (key,)
    items = []
    for k in key:
        if isinstance(k, np.ndarray) and k.dtype == np.bool_ and k.ndim > 1:
            items.extend(np.nonzero(k))  # an n-d mask selects like its n index arrays
        elif isinstance(k, (list, tuple)):
            items.append(np.asarray(k))
        else:
            items.append(k)
    if sum(k is Ellipsis for k in items) > 1:
        raise IndexError("an index can only have a single ellipsis ('...')")
    real = sum(k is not None and k is not Ellipsis for k in items)
    if real > len(shape):
        raise IndexError(f"too many indices: the array is {len(shape)}-dimensional, but {real} were indexed")
    at = next((i for i, k in enumerate(items) if k is Ellipsis), None)
    if at is not None:
        items[at:at + 1] = [slice(None)] * (len(shape) - real)
    else:
        items += [slice(None)] * (len(shape) - real)

    arrays = [k for k in items if isinstance(k, np.ndarray) and k.ndim > 0]
    has_none = any(k is None for k in items)
    for k in items:
        if not (k is None or isinstance(k, slice) or _is_integer(k) or isinstance(k, np.ndarray)):
            raise IndexError("only integers, slices (':'), ellipsis ('...'), None and integer or boolean arrays "
                             f"are valid indices, not {type(k).__name__}")
    simple = not arrays or (len(arrays) == 1 and arrays[0].ndim == 1 and not has_none)
    outer, post, axis = [], [], 0
    for k in items:
        if k is None:
            post.append(None)
            continue
        size = shape[axis]
        axis += 1
        if isinstance(k, slice):
            outer.append(k)
            post.append(slice(None))
        elif _is_integer(k):
            if simple:
                outer.append(k)  # dropped by the outer read
            else:
                outer.append(np.array([int_index(k, size)]))
                post.append(0)
        elif simple:
            outer.append(k)
            post.append(slice(None))
        else:
            idx = normalize_indices(k, size)
            unique = np.unique(idx)
            outer.append(unique)
            post.append(np.searchsorted(unique, idx))
    if simple and not has_none:
        return tuple(outer), None
    return tuple(outer), tuple(post)
