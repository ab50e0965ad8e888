"""What DrovikArray reads from other programs' memory and from callers'
objects: every number type and layout, exporters without strides, hostile
operands and saved states, texts of any shape."""
import ctypes
import fractions
import math
import operator
import os
import pickle
import re
import struct
import subprocess
import sys

import pytest

from conftest import needs_numpy, np
from drovik import Drovik
from drovik_array import DrovikArray


def bits_of(values):
    return [struct.pack("<d", v) for v in values]


def flat(a):
    """Every value of an array or memoryview, in C order."""
    out = a.as_number() if isinstance(a, DrovikArray) else a
    return flatten(out.tolist())


NUMBER_TYPES = ["f2", "f4", "f8", "i1", "i2", "i4", "i8", "u1", "u2", "u4", "u8", "?"]
LAYOUTS = {
    "contiguous": lambda x: x,
    "strided": lambda x: x[::2],
    "reversed": lambda x: x[::-1],
    "transposed": lambda x: x.T,
    "column-sliced": lambda x: x[:, 1:3],
    "unaligned": lambda x: np.frombuffer(b"\0" + x.tobytes(), x.dtype, x.size, 1).reshape(x.shape),
    "broadcast": lambda x: np.broadcast_to(x[:1], x.shape),
}


def sample(dtype):
    """Twelve values of `dtype` as a (4, 3) array: edges, and for half floats
    their subnormals, infinities and NaNs with payloads of either sign."""
    if dtype == "f2":
        raw = [0x0001, 0x03FF, 0x8001, 0x7C00, 0xFC00, 0x7E00, 0x7C01, 0xFE37, 0x7D55,
               0x3C00, 0x8000, 0x7BFF]
        return np.array(raw, dtype="u2").view("f2").reshape(4, 3)
    info = np.iinfo(dtype) if dtype[0] in "iu" else None
    if dtype == "?":
        return (np.arange(12) % 3 == 0).reshape(4, 3)
    if info is not None:
        edges = [info.min, info.max, 0, 1, info.max - 1, info.min + 1]
        return np.array(edges * 2, dtype=dtype).reshape(4, 3)
    return np.array([0.1, -0.0, np.inf, -np.inf, np.nan, 1e-40, 3.5, -2.25, 1e30, 7, 8, 9],
                    dtype=dtype).reshape(4, 3)


@needs_numpy
@pytest.mark.parametrize("layout", LAYOUTS)
@pytest.mark.parametrize("order", ["<", ">"])
@pytest.mark.parametrize("dtype", NUMBER_TYPES)
def test_every_number_type_in_every_layout_reads_as_numpy_casts_it(dtype, order, layout):
    plain = LAYOUTS[layout](sample(dtype).astype(np.dtype(dtype).newbyteorder(order)))
    expected = plain.astype("f8")
    got = DrovikArray(plain, "m")
    assert got.shape == expected.shape
    assert bits_of(flat(got)) == bits_of(expected.ravel().tolist())
    # The same values as an operand, read where they are.
    with np.errstate(invalid="ignore"):  # a signalling NaN plus zero
        sums = np.zeros(expected.shape) + expected
    assert bits_of(flat(DrovikArray(np.zeros(expected.shape)) + plain)) == bits_of(
        sums.ravel().tolist())


def test_exporters_without_strides_are_read_in_c_order():
    # ctypes lends its arrays with no strides, which means C order.
    row = (ctypes.c_double * 3)(1.5, -2.0, 4.0)
    grid = ((ctypes.c_int16 * 3) * 2)((1, 2, 3), (4, 5, 6))
    assert str(DrovikArray(row, "m")) == "[1.5 -2 4] [m]"
    assert str(DrovikArray(grid, "s")) == "[[1 2 3]\n [4 5 6]] [s]"
    a = DrovikArray([1.0, 2.0, 3.0], "m")
    assert str(a * row) == "[1.5 -4 12] [m]" and str(row * a) == "[1.5 -4 12] [m]"
    assert flat(DrovikArray([1.5, 0.0, 4.0]) == row) == [True, False, True]
    assert flat(DrovikArray([[1], [5]]) < grid) == [False, True, True, False, False, True]


class FailingExport:
    def __init__(self, error):
        self.error = error

    def __buffer__(self, flags):
        raise self.error


@pytest.mark.parametrize("error", [KeyboardInterrupt, MemoryError, ValueError("no buffer")])
@pytest.mark.parametrize("op", [operator.add, operator.mul, operator.truediv, operator.eq,
                                operator.ne, operator.lt, operator.ge])
def test_an_operands_own_failure_propagates(op, error):
    a = DrovikArray([1.0, 2.0], "m")
    kind = error if isinstance(error, type) else type(error)
    with pytest.raises(kind):
        op(a, FailingExport(error))
    with pytest.raises(kind):
        op(FailingExport(error), a)


def test_operands_that_are_not_numbers_are_declined():
    a = DrovikArray([1.0], "m")
    for other in ("m", [1.0], object(), memoryview(b"ab").cast("c"), None):
        assert a.__add__(other) is NotImplemented and a.__eq__(other) is NotImplemented
    with pytest.raises(OverflowError):  # as float + int raises
        DrovikArray([1.0]) + 10**400


@pytest.mark.parametrize("value", [1 + 2j, complex(1, 0)] + (
    [np.complex128(1 + 2j), np.complex64(1), np.clongdouble(3)] if np else []))
def test_complex_elements_are_refused(value):
    with pytest.raises(TypeError, match="must be real numbers or Drovik quantities, not"):
        DrovikArray([1.0, value], "m")


def test_other_real_number_types_are_read():
    values = [fractions.Fraction(1, 4), True, 2**53 + 1] + (
        [np.float32(0.5), np.int8(-3), np.float16(1.5), np.longdouble(2)] if np else [])
    expected = [0.25, 1.0, 2.0**53] + ([0.5, -3.0, 1.5, 2.0] if np else [])
    assert flat(DrovikArray(values, "m")) == expected


def nested(shape, start=0):
    if not shape:
        return float(start)
    inner = math.prod(shape[1:])
    return [nested(shape[1:], start + i * inner) for i in range(shape[0])]


def last_along_axis(values):
    return [last_along_axis(row) for row in values] if isinstance(values[0], list) else values[-1]


@pytest.mark.parametrize("ndim", range(9))
def test_every_number_of_dimensions_computes_element_by_element(ndim):
    shape = tuple(2 + (k % 2) for k in range(ndim))
    values = nested(shape)
    a, b = DrovikArray(values, "km"), DrovikArray(values, "m")
    assert a.shape == shape and b.ndim == ndim
    expected = [x + x / 1000 for x in flat(DrovikArray(values))]
    assert flat(a + b) == expected
    assert flat(a == b * 1000) == [True] * len(expected)
    assert a.sum() == Drovik.unit("km") * sum(flat(DrovikArray(values)))
    if ndim > 1:
        last = a[(slice(None),) * (ndim - 1) + (-1,)]
        assert last.shape == shape[:-1] and flat(last) == flatten(last_along_axis(values))


def test_the_limit_of_dimensions_on_both_sides():
    deepest = 1.0
    for _ in range(64):
        deepest = [deepest]
    assert DrovikArray(deepest, "m").ndim == 64
    with pytest.raises(ValueError, match="64 levels"):
        DrovikArray([deepest], "m")
    flat64 = DrovikArray([1.0])[(None,) * 63]
    assert flat64.ndim == 64 and str(flat64.sum()) == "1 []"
    for many in (65, 100, 10**6):
        with pytest.raises(IndexError, match=r"^number of dimensions must be within \[0, 64\], "
                                             rf"indexing result would have {many}$"):
            DrovikArray([1.0])[(None,) * (many - 1)]


@pytest.mark.parametrize("rows", [[[1, 2], [3, 4, 5]], [[1, 2, 3], [4, 5]], [[1, 2], 3],
                                  [[[1]], [[2], [3]]], [[[1], [2, 3]]]])
def test_ragged_rows_longer_or_shorter_are_refused(rows):
    with pytest.raises(ValueError, match="ragged"):
        DrovikArray(rows, "m")


@pytest.mark.parametrize("shape", [(0,), (3, 0), (2**40, 0), (0, 2**40), (2, 0, 3)])
def test_empty_arrays_print_at_once_as_numpy_does(shape):
    empty = DrovikArray._restore(shape, b"", "m")
    assert (str(empty), repr(empty), empty.descriptive(), format(empty, ".2f")) == (
        "[] [m]", "[] [m]", "[] [meter]", "[] [m]")


def test_shapes_too_big_for_memory_are_refused_whatever_other_extent_is_zero():
    for shape in [(0, 2**62, 2**62), (2**61, 2**3, 0), (2**40, 2**40)]:
        with pytest.raises(OverflowError, match="does not fit in memory"):
            DrovikArray._restore(shape, b"", "m")


def sliced(values, key):
    """Nested lists sliced as numpy slices arrays: one slice per axis."""
    if not key:
        return values
    return [sliced(row, key[1:]) for row in values[key[0]]]


def flatten(values):
    return [x for row in values for x in flatten(row)] if isinstance(values, list) else [values]


@pytest.mark.parametrize("key", [(slice(None, None, 2**62),), (slice(None, None, -2**62),),
                                 (slice(1, None, 2**62),), (slice(None), slice(None, None, 2**62)),
                                 (slice(-1, None, -2**62), slice(None, None, -2**62))])
@pytest.mark.parametrize("shape", [(3,), (3, 4), (2, 3, 4)])
def test_huge_steps_select_one_value_per_axis(shape, key):
    key = key[:len(shape)]
    got = DrovikArray(nested(shape), "m")[key]
    expected = sliced(nested(shape), key)
    expected_shape, level = [], expected
    while isinstance(level, list):
        expected_shape.append(len(level))
        level = level[0]
    assert flat(got) == flatten(expected) and got.shape == tuple(expected_shape) + shape[
        len(expected_shape):]


def test_text_summarises_above_a_thousand_values_as_numpy_does():
    assert "..." not in str(DrovikArray(list(range(1000))))
    assert str(DrovikArray(list(range(1001)))) == "[0 1 2 ... 998 999 1000] []"


@needs_numpy
@pytest.mark.parametrize("shape", [(2, 3, 4), (3, 1, 2, 2), (2, 600), (1001,), (11, 10, 11)])
def test_text_layout_matches_numpys(shape):
    plain = np.arange(math.prod(shape)).reshape(shape)
    ours = str(DrovikArray(plain)).removesuffix(" []")
    assert ours == re.sub(r"(?<=\S) +", " ", re.sub(r"\[ +", "[", str(plain)))


def test_sizeof_counts_every_value_in_bytes():
    base = sys.getsizeof(DrovikArray([], "m"))
    for n in (1, 10, 1000):
        assert sys.getsizeof(DrovikArray([0.5] * n, "m")) - base == 8 * n
    assert sys.getsizeof(DrovikArray([[0.5] * 3] * 4, "m")) - base == 96


@pytest.mark.parametrize("extra", [-1, 1, 8])
def test_saved_values_a_byte_off_are_refused(extra):
    values = b"\0" * (16 + extra)
    with pytest.raises(ValueError, match="the values do not match the shape"):
        DrovikArray._restore((2,), values, "m")


def test_as_numbers_values_never_lead_back_to_an_array():
    a = DrovikArray([1.0, 2.0], "m")
    plain = a.as_number()
    holder = plain
    while holder is not None:
        assert type(holder) is not DrovikArray
        holder = getattr(holder, "base", None) if np is not None else None
        holder = getattr(holder, "obj", holder)
        if holder is plain:
            break
    if np is not None:
        plain[0] = 9.0
        assert plain.base is not None and flat(a) == [1.0, 2.0]
        assert type(plain.base.obj).__name__ == "_Values"
    else:
        assert plain.readonly and type(plain.obj).__name__ == "_Values"


M, FT, PM, YM = (Drovik.unit(u) for u in ("m", "ft", "pm", "ym"))


@pytest.mark.parametrize("made", [
    lambda: (M**2.0**40 * FT**0.1) / M**2.0**40,       # cancelled exponents past 2**32
    lambda: (M**1e300 * FT**0.1) / M**1e300,           # as large as doubles hold
    lambda: (M**1e300 * FT**0.375) / FT**0.375 / M**1e300,
    lambda: (PM**-13 * YM**6.7) * YM**6.7,             # a subnormal power on the way
    lambda: Drovik.unit("km") ** 1000 / Drovik.unit("km") ** 999.5,
])
def test_every_unit_arithmetic_builds_reloads(made):
    q = made() * 3
    for saved in (q, DrovikArray([1.0, -2.0], q)):
        loaded = pickle.loads(pickle.dumps(saved))
        assert repr(loaded) == repr(saved) and pickle.dumps(loaded) == pickle.dumps(saved)


def test_contradictions_are_refused_whatever_history_they_claim():
    dims = struct.pack("<8d", 0, 0, 0, 0, 0, 1.001, 0, 0)  # "m" with a length of 1.001
    for history in (b"", struct.pack("<d", 2.0**32), struct.pack("<d", 1.0),
                    struct.pack("<d", math.nan)):
        with pytest.raises(ValueError, match="disagree|history"):
            Drovik._restore(bytes(8), (("m",), dims + struct.pack("<2d", 1, 1) + history))
    loaded = Drovik._restore(bytes(8), (("m",), dims + struct.pack("<3d", 1, 1, 2.0**48)))
    assert str(loaded) == "0 [m]"  # a history that large may leave that much
    with pytest.raises(ValueError, match="must be 80 bytes, not 81"):
        Drovik._restore(bytes(8), (("m",), dims + struct.pack("<2d", 1, 1) + b"\0"))


def test_custom_units_keep_a_negative_zero_offset_and_convert():
    fields = struct.pack("<10d", 1.0, -0.0, 0, 0, 0, 0, 0, 1, 0, 0)
    state = ((("meter", "m", fields),), struct.pack("<8d", 0, 0, 0, 0, 0, 1, 0, 0)
             + struct.pack("<2d", 1, 1))
    loaded = Drovik._restore(struct.pack("<d", 2.0), state)
    assert loaded.__reduce__()[1][1] == state  # custom, not the catalogue's meter
    assert loaded.as_unit("m") == Drovik.unit("m") * 2
    # A saved custom unit with an offset, as °C has: 20 [wc] is 293.15 K.
    fields = struct.pack("<10d", 1.0, -273.15, 0, 0, 0, 1, 0, 0, 0, 0)
    kelvin = struct.pack("<8d", 0, 0, 0, 1, 0, 0, 0, 0)
    warm = Drovik._restore(struct.pack("<d", 20.0), ((("warmth", "wc", fields),),
                                                     kelvin + struct.pack("<2d", 1, 1)))
    celsius = Drovik.unit("°C") * 20
    assert str(warm.as_unit("K")) == "293.15 [K]"
    assert repr(warm.as_unit("°F")) == repr(celsius.as_unit("°F"))
    readings = pickle.loads(pickle.dumps(DrovikArray([20.0, 30.0], warm)))
    assert str(readings.as_unit("K")) == "[293.15 303.15] [K]"


LONG_NAME_FREED = """
import gc, pickle, sys
from drovik import Drovik
def resident():
    return int(open("/proc/self/statm").read().split()[1]) * 4096
def round_trip(size):
    q = Drovik.custom("n" * size, "x", Drovik.unit("m"))
    again = pickle.loads(pickle.dumps([q, q * 2]))
    del q, again
    gc.collect()
    # A short custom unit saved afterwards lets the cache let go of what it held.
    pickle.dumps(Drovik.custom("y" * 100, "y", Drovik.unit("m")))
# The free-threaded interpreter's allocator keeps the pages of large blocks it
# freed for its next ones: there, what a round leaves is measured after one.
warm = not getattr(sys, "_is_gil_enabled", lambda: True)()
for size in (32 * 2**20, 4 * 2**20):
    if warm:
        round_trip(size)
    before = resident()
    for _ in range(3 if warm else 1):
        round_trip(size)
    assert resident() - before < size // 2, (size, resident() - before)
print("ok")
"""


@pytest.mark.skipif(not sys.platform.startswith("linux"), reason="reads /proc/self/statm")
@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""),
                    reason="AddressSanitizer keeps freed memory in quarantine")
def test_no_cache_keeps_a_long_unit_name_after_its_last_quantity():
    done = subprocess.run([sys.executable, "-c", LONG_NAME_FREED], capture_output=True,
                          text=True, timeout=120)
    assert done.stdout.strip() == "ok", done.stderr


@needs_numpy
@pytest.mark.parametrize("ufunc", [np.less, np.less_equal, np.equal, np.not_equal, np.greater,
                                   np.greater_equal] if np else [])
def test_comparisons_with_a_plain_array_on_the_left(ufunc):
    # Unitless values in km/m: each is a thousand plain ones, equal ones included.
    a = DrovikArray([1.0, 2.0, 3.0, math.nan], "km/m")
    plain = np.array([2000.0, 2000.0, 2000.0, 2000.0])
    assert ufunc(plain, a).tolist() == ufunc(plain, np.asarray(a) * 1000).tolist()
    assert ufunc(a, plain).tolist() == ufunc(np.asarray(a) * 1000, plain).tolist()


@needs_numpy
@pytest.mark.parametrize("n", [1, 2, 7, 8, 9, 15, 16, 17, 127, 128, 129, 255, 256, 257, 1000,
                               4095, 4096, 4097])
def test_sums_at_the_pairwise_block_boundaries_are_numpys_bit_for_bit(n):
    values = np.random.default_rng(n).standard_normal((3, n)) * 10.0 ** np.arange(3)[:, None]
    a = DrovikArray(values, "m")
    assert bits_of(flat(a.sum(axis=1))) == bits_of(np.sum(values, axis=1).tolist())
    assert bits_of([a[1].sum().as_number()]) == bits_of([np.sum(values[1])])
    assert bits_of([a[2].mean().as_number()]) == bits_of([np.mean(values[2])])


def test_empty_reductions_and_axes_on_one_dimension():
    empty = DrovikArray(struct.unpack("0d", b""), "m")
    assert str(empty.sum()) == "0 [m]" and str(empty.mean()) == "NaN [m]"
    assert str(DrovikArray._restore((0, 3), b"", "m").sum(axis=0)) == "[0 0 0] [m]"
    assert str(DrovikArray._restore((3, 0), b"", "m").sum(axis=1)) == "[0 0 0] [m]"
    with pytest.raises(ValueError, match="of no values"):
        DrovikArray._restore((3, 0), b"", "m").max(axis=1)
    line = DrovikArray([1.0, 2.0, 4.0], "s")
    for axis in (0, -1):
        assert str(line.sum(axis=axis)) == "7 [s]" and str(line.max(axis=axis)) == "4 [s]"
    with pytest.raises(ValueError, match="axis -2 is out of bounds"):
        line.sum(axis=-2)
    for wrong in ("0", 1.0, [0]):
        with pytest.raises(TypeError):
            line.sum(axis=wrong)


@pytest.mark.parametrize("text, named", [("kmx/hrx", "kmx"), ("m.zz/yy", "zz"),
                                         ("m.s.foo2.bar", "foo"), ("m/s.qq.rr", "qq")])
def test_the_strict_parser_names_the_first_bad_piece(text, named):
    with pytest.raises(LookupError) as caught:
        DrovikArray([1.0], text)
    assert str(caught.value).startswith(f'"{named}" in "{text}" is not a unit')
