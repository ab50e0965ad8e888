"""drovik_array.DrovikArray: making arrays, reading them, converting them and
computing with them, each element as a Drovik would."""
import array
import copy
import itertools
import math
import operator
import pickle
import random
import struct
import subprocess
import sys
import threading

import pytest

from conftest import needs_numpy, np, q
from drovik import Drovik
from drovik_array import DrovikArray

NAN_WITH_PAYLOAD = struct.unpack("<d", struct.pack("<Q", 0x7FF8_0000_DEAD_BEEF))[0]


def bits(value):
    return struct.pack("<d", value)


@pytest.mark.parametrize(
    "values, unit, text",
    [
        ([1.0, 2.5, 3], "km", "[1 2.5 3] [km]"),
        ([[1, 2], [3, 4]], "°C", "[[1 2]\n [3 4]] [°C]"),
        ((), None, "[] []"),
        ([[], []], "m", "[] [m]"),  # numpy prints every empty array so
        (5.0, "m", "5 [m]"),
        (array.array("i", [1, -2]), "s", "[1 -2] [s]"),
        (array.array("B", [255]), None, "[255] []"),
        (array.array("f", [0.5]), "m", "[0.5] [m]"),
        (memoryview(array.array("q", [2**53 + 1])), "m", "[9007199254740992] [m]"),
        (memoryview(array.array("d", range(6))).cast("B").cast("d", (2, 3))[::1], "m",
         "[[0 1 2]\n [3 4 5]] [m]"),
        (Drovik.unit("km") * 3, "m", "3000 [m]"),
        (Drovik.unit("km") * 3, None, "3 [km]"),
        ([Drovik.unit("km"), Drovik.unit("m")], None, "[1 0.001] [km]"),
        ([[Drovik.unit("°C")], [Drovik.unit("K")]], "K", "[[274.15]\n [1]] [K]"),
        ([True, False], Drovik.unit("m") * 7, "[1 0] [m]"),
    ],
)
def test_making_arrays(values, unit, text):
    assert str(DrovikArray(values, unit)) == text


def test_reading_an_array():
    a = DrovikArray([[1, 2, 3], [4, 5, 6]], "km/hr")
    assert (a.shape, a.ndim, a.size, len(a), a.unit) == ((2, 3), 2, 6, 2, "km/hr")
    assert repr(a) == str(a) == "[[1 2 3]\n [4 5 6]] [km/hr]"
    assert str(DrovikArray(list(range(1001)), "m")) == "[0 1 2 ... 998 999 1000] [m]"
    with pytest.raises(TypeError, match="len"):
        len(DrovikArray(1.0))
    view = memoryview(a)
    assert (view.readonly, view.format, view.shape, view.tolist()) == (
        True, "d", (2, 3), [[1, 2, 3], [4, 5, 6]])
    with pytest.raises(TypeError):
        DrovikArray.unit = "m"


DEEP = [0]
for _ in range(65):
    DEEP = [DEEP]


@pytest.mark.parametrize(
    "values, unit, error, message",
    [
        ("123", None, TypeError, "must be numbers, not str"),
        (b"12", None, TypeError, "must be numbers, not bytes"),
        ([1, [2]], None, ValueError, "ragged"),
        ([[1, 2], [3]], None, ValueError, "ragged"),
        ([1, "2"], None, TypeError, "not str"),
        ([1, Drovik.unit("m")], None, TypeError, "either all numbers or all Drovik"),
        ([Drovik.unit("m"), Drovik.unit("s")], None, TypeError,
         r"^\[s\] and \[m\] are not compatible$"),
        ([1.0], "km/h", LookupError, '^"h" in "km/h" is not a unit; write "hr"$'),
        ([1.0], "degC", LookupError, 'write "°C"'),
        ([1.0], "mph", LookupError, 'write "mi/hr"'),
        ([1.0], "MPH", LookupError, 'write "mi/hr"$'),
        ([1.0], "m/s^2", LookupError, 'write "m/s2"$'),
        ([1.0], "kg/m**3", LookupError, 'write "kg/m3"$'),
        ([1.0], "m s-1", LookupError, 'write "m/s"$'),
        ([1.0], "knots", LookupError, 'write "knot"$'),
        ([1.0], "m/m", LookupError, "^Unit m/m not found$"),
        ([1.0], 5, TypeError, "unit must be a str, a Drovik or None"),
        ([10**400], None, OverflowError, "too large"),
        (object(), None, TypeError, "not object"),
        (memoryview(b"ab").cast("c"), None, TypeError, "not of format 'c'"),
        (Drovik.unit("m"), "s", TypeError, r"^\[m\] and \[s\] are not compatible$"),
        (DEEP, None, ValueError, "64 levels"),
    ],
)
def test_bad_input_is_refused_clearly(values, unit, error, message):
    with pytest.raises(error, match=message):
        DrovikArray(values, unit)


UNITS = ["km", "m", "ft", "mm", "°C", "°F", "K", "kg.m/s2", "N", "km/hr", "mi/hr", "J", "s"]
SPECIAL = [math.nan, NAN_WITH_PAYLOAD, -0.0, 0.0, math.inf, -math.inf, 5e-324,
           1.7976931348623157e308, 0.1, 2.0**53]
OPERATORS = [operator.add, operator.sub, operator.mul, operator.truediv]
COMPARISONS = [operator.lt, operator.le, operator.eq, operator.ne, operator.gt, operator.ge]


def flat(result):
    """The values of an array or of a comparison's booleans, in C order."""
    view = memoryview(result)
    raw = view.tobytes()
    return list(struct.unpack(f"<{len(raw) // view.itemsize}{view.format}", raw))


def random_values(rng, n):
    return [rng.choice(SPECIAL) if rng.random() < 0.3 else rng.gauss(0, 1e3) for _ in range(n)]


def same(x, y):
    return bits(x) == bits(y) or (math.isnan(x) and math.isnan(y))


def element(values, shape, index):
    """The element of a C-order list of `shape` at a result index, broadcast."""
    offset, step = 0, 1
    for axis in range(1, len(shape) + 1):
        at = index[-axis] if shape[-axis] != 1 else 0
        offset += at * step
        step *= shape[-axis]
    return values[offset]


def test_every_element_is_what_a_quantity_gives():
    rng = random.Random(20261209)
    league = Drovik.custom("league", "lea", "mi")
    for _ in range(300):
        n = rng.randrange(0, 5)
        shape_a = (rng.choice([1, 3]), n) if rng.random() < 0.5 else (n,)
        shape_b = (n,) if rng.random() < 0.7 else (1,)
        size_a = math.prod(shape_a)
        va, vb = random_values(rng, size_a), random_values(rng, math.prod(shape_b))
        ua = rng.choice(UNITS + [league])
        ub = rng.choice(UNITS + [league])
        unit_a = ua if isinstance(ua, Drovik) else Drovik.unit(ua)
        unit_b = ub if isinstance(ub, Drovik) else Drovik.unit(ub)
        flat_a = DrovikArray(va, unit_a)
        a = DrovikArray([va[i:i + shape_a[-1]] for i in range(0, size_a, shape_a[-1] or 1)]
                        if len(shape_a) == 2 else va, unit_a) if size_a else flat_a
        if a.shape != shape_a:
            continue  # empty rows flatten; the table above covers them
        b = DrovikArray(vb, unit_b)
        for op in OPERATORS + COMPARISONS:
            for left, right, left_values, right_values, left_unit, right_unit, shapes in (
                    (a, b, va, vb, unit_a, unit_b, (shape_a, shape_b)),
                    (unit_b * 1.5, a, [1.5], va, unit_b, unit_a, ((), shape_a))):
                try:
                    result = op(left, right)
                except (TypeError, ValueError) as error:
                    if isinstance(error, ValueError):
                        assert "broadcast" in str(error)
                        continue
                    with pytest.raises(TypeError) as scalar_error:
                        op(left_unit * 1.0, right_unit * 1.0)
                    assert str(scalar_error.value) == str(error)
                    continue
                for k, value in enumerate(flat(result)):
                    index = []
                    rest = k
                    for extent in reversed(result.shape):
                        index.insert(0, rest % extent)
                        rest //= extent
                    x = element(left_values, shapes[0], index) if shapes[0] else left_values[0]
                    y = element(right_values, shapes[1], index)
                    expected = op(left_unit * x, right_unit * y)
                    operands = (op, x, y, str(left_unit), str(right_unit))
                    if op in COMPARISONS:
                        assert value is expected, operands
                        continue
                    assert same(value, expected.as_number()) or (
                        math.isnan(x) and math.isnan(y)), operands
                    assert f"[{result.unit}]" == str(expected).split(" ", 1)[1]


def test_powers_and_rounding_are_what_quantities_give():
    rng = random.Random(5)
    for _ in range(100):
        unit = Drovik.unit(rng.choice(UNITS))
        values = random_values(rng, rng.randrange(0, 6))
        a = DrovikArray(values, unit)
        k, digits = rng.choice([2, -1, 0.5, 3.0, unit / unit * 2]), rng.randrange(-2, 5)
        cases = [(a ** k, lambda q: q ** k), (round(a, digits), lambda q: round(q, digits)),
                 (round(a), round), (a.round_sfig(digits + 1), lambda q: q.round_sfig(digits + 1))]
        for result, scalar in cases:
            for v, r in zip(values, flat(result)):
                expected = scalar(unit * v)
                assert bits(r) == bits(expected.as_number()), (v, unit, k, digits)
                assert f"[{result.unit}]" == str(expected).split(" ", 1)[1]


def test_conversions_are_what_quantities_give():
    rng = random.Random(7)
    for _ in range(200):
        source, target = rng.choice(UNITS), rng.choice(UNITS)
        values = random_values(rng, 5)
        a = DrovikArray(values, source)
        try:
            converted = a.as_unit(target)
        except TypeError as error:
            with pytest.raises(TypeError) as scalar_error:
                Drovik.unit(source).as_unit(target)
            assert str(scalar_error.value) == str(error)
            continue
        for v, c in zip(values, memoryview(converted).tolist()):
            assert same(c, (Drovik.unit(source) * v).as_number(target)), (v, source, target)
        base = a.as_base_units()
        for v, c in zip(values, memoryview(base).tolist()):
            expected = (Drovik.unit(source) * v).as_base_units()
            assert same(c, expected.as_number()) and str(expected).endswith(f"[{base.unit}]")


AS_NUMBER_WITHOUT_NUMPY = """
import sys
sys.modules["numpy"] = None  # an interpreter without numpy
from drovik_array import DrovikArray
plain = DrovikArray([[1.0, 2.0]], "km").as_number("m")
assert type(plain) is memoryview and plain.readonly and plain.format == "d", plain
assert plain.tolist() == [[1000.0, 2000.0]]
truths = DrovikArray([[1.0, 2.0]], "km") > DrovikArray([1500.0], "m")
assert type(truths) is memoryview and truths.format == "?" and truths.readonly, truths
assert truths.tolist() == [[False, True]]
empty = DrovikArray([[], []], "m") < 1 * DrovikArray([], "m")
assert empty.shape == (2, 0) and empty.format == "?", empty
print("ok")
"""


def test_as_number_without_numpy_gives_a_read_only_memoryview():
    done = subprocess.run([sys.executable, "-c", AS_NUMBER_WITHOUT_NUMPY], capture_output=True,
                          text=True, timeout=60)
    assert done.stdout.strip() == "ok", done.stderr


@needs_numpy
def test_numpy_never_drops_the_unit():
    a = DrovikArray([1.0, 2.0], "km")
    plain = a.as_number("m")
    assert isinstance(plain, np.ndarray) and plain.tolist() == [1000.0, 2000.0]
    plain[0] = 5.0  # the caller's own copy
    assert np.asarray(a).tolist() == [1.0, 2.0] and not np.asarray(a).flags.writeable
    product = np.array([2.0, 3.0]) * a
    assert type(product) is DrovikArray and str(product) == "[2 6] [km]"
    assert (np.array([1500.0, 900.0]) < a / a * 1000).tolist() == [False, True]
    assert np.multiply(a, 2.0).unit == "km" and str(np.negative(a)) == "[-1 -2] [km]"
    for refused in (lambda: np.gcd(a, a), lambda: np.add.outer(a, a), lambda: np.convolve(a, a),
                    lambda: np.corrcoef(a)):
        with pytest.raises(TypeError, match=r"would drop the unit .* numpy\.asarray"):
            refused()
    strided = np.arange(12.0).reshape(3, 4)[::2, ::-3].astype(">f4")
    assert DrovikArray(strided, "m").as_number().tolist() == strided.tolist()


@needs_numpy
def test_numpy_meets_quantities_and_arrays_as_a_user_writes_them():
    kmh = Drovik.unit("km/hr")
    plain = np.array([10.0, 50.0])
    for made, text in [(plain * kmh, "[10 50] [km/hr]"), (kmh * plain, "[10 50] [km/hr]"),
                       (plain / kmh, "[10 50] [hr/km]"), (kmh / plain, "[0.1 0.02] [km/hr]"),
                       (np.multiply(plain, kmh), "[10 50] [km/hr]")]:
        assert type(made) is DrovikArray and str(made) == text
    assert (plain < kmh * 20 / kmh).tolist() == [True, False]
    assert type(np.multiply(kmh, 2.0)) is Drovik
    with pytest.raises(TypeError, match="not compatible"):
        plain + kmh
    masked = np.ma.masked_array([1.0, -9999.0], mask=[False, True])
    with pytest.raises(TypeError, match="masked arrays .* the mask would be lost"):
        DrovikArray(masked, "m")

    class Series:  # what pandas' Series and Index offer
        def __array__(self, dtype=None, copy=None):
            return np.array([1.5, 2.5])
    assert str(DrovikArray(Series(), "km")) == "[1.5 2.5] [km]"


TRANSCENDENTAL = {"cbrt", "exp", "expm1", "exp2", "log", "log2", "log10", "log1p", "sinh", "cosh", "tanh",
                  "sin", "cos", "tan", "arcsin", "arccos", "arctan"}
UFUNC_VALUES = [3.7, -2.5, 0.0, -0.0, 0.5, 1.0, -1.0, 1e-3, 12.25, math.inf, -math.inf, math.nan]


@needs_numpy
@pytest.mark.parametrize("name, unit, plain_unit, result_unit", [
    # The unit raised, values in their own unit.
    ("sqrt", "km", "km", "km0.5"), ("cbrt", "m3", "m3", "m"), ("square", "s", "s", "s2"),
    ("reciprocal", "hr", "hr", "1/hr"),
    # The same unit.
    ("fabs", "°C", "°C", "°C"), ("rint", "km", "km", "km"), ("floor", "ft", "ft", "ft"),
    ("ceil", "s", "s", "s"), ("trunc", "kg", "kg", "kg"), ("absolute", "m", "m", "m"),
    ("negative", "m", "m", "m"), ("positive", "m", "m", "m"),
    # Dimensionless in (as pure numbers: km/m is a thousand), a pure number out.
    ("exp", "km/m", "", ""), ("expm1", "", "", ""), ("exp2", "cm/m", "", ""),
    ("log", "km/m", "", ""), ("log2", "", "", ""), ("log10", "mm/m", "", ""),
    ("log1p", "", "", ""), ("sinh", "", "", ""), ("cosh", "", "", ""), ("tanh", "", "", ""),
    # Angles as radians.
    ("sin", "rad", "", ""), ("cos", "°", "", ""), ("tan", "rad", "", ""),
    ("arcsin", "", "", "rad"), ("arccos", "", "", "rad"), ("arctan", "mm/m", "", "rad"),
    ("sign", "km", "km", ""),
])
def test_unary_ufuncs_follow_their_unit_rule(name, unit, plain_unit, result_unit):
    a = DrovikArray(UFUNC_VALUES, unit or None).reshape(3, 4).T  # a 2-D view, strided
    # The values numpy gets: as they are, or as pure numbers.
    plain = np.asarray(a) if plain_unit == unit else np.asarray(a.as_number(Drovik.empty()))
    with np.errstate(all="ignore"):
        expected = getattr(np, name)(plain)
        got = getattr(np, name)(a)
    assert type(got) is DrovikArray and got.unit == result_unit
    values = np.asarray(got.as_number())
    if name in TRANSCENDENTAL:  # numpy's own loops may round these a last bit apart
        assert np.allclose(values, expected, rtol=4e-16, atol=0, equal_nan=True), name
        numbers = ~np.isnan(expected)  # a NaN's sign is the loop's choice
        assert (np.signbit(values) == np.signbit(expected))[numbers].all(), name
    else:
        assert values.tobytes() == expected.tobytes(), name


@needs_numpy
@pytest.mark.parametrize("name, result_unit", [
    ("maximum", "km"), ("minimum", "km"), ("fmax", "km"), ("fmin", "km"), ("hypot", "km"),
    ("copysign", "km"), ("remainder", "km"), ("fmod", "km"), ("arctan2", "rad"),
    ("add", "km"), ("subtract", "km"),
])
def test_binary_ufuncs_convert_the_other_operand_into_the_firsts_unit(name, result_unit):
    a = DrovikArray(UFUNC_VALUES, "km").reshape(3, 4).T  # 2-D views, strided and reversed
    b = DrovikArray(UFUNC_VALUES[::-1], "m").reshape(4, 3)[::-1]
    with np.errstate(all="ignore"):
        expected = getattr(np, name)(np.asarray(a), np.asarray(b) / 1000)
        got = getattr(np, name)(a, b)
    assert got.unit == result_unit
    assert np.asarray(got.as_number()).tobytes() == expected.tobytes(), name
    with pytest.raises(TypeError, match="not compatible"):
        getattr(np, name)(a, DrovikArray([1.0], "s"))


@needs_numpy
def test_predicates_reductions_and_refusals_of_ufuncs():
    a = DrovikArray(UFUNC_VALUES, "km")
    for name in ("isnan", "isinf", "isfinite", "signbit"):
        assert getattr(np, name)(a).tolist() == getattr(np, name)(np.asarray(a)).tolist()
    grid = DrovikArray([[1.0, 5.0], [3.0, -2.0]], "m")
    assert str(np.add.reduce(grid)) == "[4 3] [m]"  # along axis 0, as numpy's
    assert str(np.maximum.reduce(grid, axis=1)) == "[5 3] [m]"
    assert str(np.minimum.reduce(grid, axis=None)) == "-2 [m]"
    assert str(np.add.accumulate(grid)) == "[[1 5]\n [4 3]] [m]"
    assert str(np.add.accumulate(grid, axis=1)) == "[[1 6]\n [3 1]] [m]"
    with pytest.raises(TypeError, match="never changes: numpy.maximum cannot write into out="):
        np.maximum(grid, grid, out=np.zeros((2, 2)))
    with pytest.raises(TypeError, match="not compatible"):
        np.exp(grid)
    for refused in (lambda: np.multiply.accumulate(grid), lambda: np.add.outer(grid, grid),
                    lambda: np.gcd(grid, grid), lambda: np.add.reduce(grid, dtype=float)):
        with pytest.raises(TypeError, match="would drop the unit"):
            refused()


@pytest.mark.parametrize("values, truth", [([0.0], False), ([2.0], True), (math.nan, True),
                                           ([], ValueError), ([1.0, 1.0], ValueError)])
def test_truth_of_an_array_is_numpys(values, truth):
    if truth is ValueError:
        with pytest.raises(ValueError, match="ambiguous"):
            bool(DrovikArray(values, "m"))
    else:
        assert bool(DrovikArray(values, "m")) is truth


def test_threads_share_an_array():
    a = DrovikArray(list(range(1000)), "km/hr")
    expected = memoryview(a.as_unit("m/s")).tolist()
    results = []

    def work():
        for _ in range(50):
            results.append(memoryview((a + a * 0).as_unit("m/s")).tolist() == expected)

    threads = [threading.Thread(target=work) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert results == [True] * 200


NAN = math.nan


@pytest.mark.parametrize(
    "reduction, axis, text",
    [
        ("sum", None, "21 [km]"),
        ("sum", 0, "[5 7 9] [km]"),
        ("sum", -1, "[6 15] [km]"),
        ("mean", 1, "[2 5] [km]"),
        ("min", 0, "[1 2 3] [km]"),
        ("max", None, "6 [km]"),
    ],
)
def test_reductions_keep_the_unit(reduction, axis, text):
    a = DrovikArray([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]], "km")
    result = getattr(a, reduction)(axis=axis)
    assert str(result) == text
    assert type(result) is (Drovik if axis is None else DrovikArray)


@needs_numpy
@pytest.mark.parametrize("shape", [(300, 7), (5, 3, 40), (2000, 3), (3, 2000), (4, 1, 5),
                                   (2, 3, 4, 5), (10,), ()])
def test_reductions_along_any_axes_are_numpys_bit_for_bit(shape):
    rng = np.random.default_rng(len(shape))
    plain = rng.standard_normal(shape) * 10.0 ** rng.integers(-3, 3, shape)
    plain.flat[::7] = -0.0
    a = DrovikArray(plain, "m")
    ndim = len(shape)
    choices = [None, ()] + [c for r in range(1, ndim + 1)
                            for c in itertools.combinations(range(-ndim, 0), r)]
    for axes, name, keepdims in itertools.product(choices, ["sum", "mean", "min", "max"],
                                                  [False, True]):
        expected = np.asarray(getattr(np, name)(plain, axis=axes, keepdims=keepdims))
        got = getattr(a, name)(axis=axes, keepdims=keepdims)
        assert type(got) is (Drovik if expected.ndim == 0 else DrovikArray)
        values = np.asarray(got.as_number())
        assert values.shape == expected.shape and values.tobytes() == expected.tobytes(), (
            axes, name, keepdims)


def c_offset(shape, index):
    offset = 0
    for extent, i in zip(shape, index):
        offset = offset * extent + i
    return offset


def random_view(rng, array, model):
    """A random chain of views of `array`, the same steps taken on a model (its values in C
    order and its shape, in plain Python)."""
    values, shape = model
    for _ in range(rng.randint(1, 4)):
        ndim = len(shape)
        step = rng.choice(["slice", "slice", "transpose", "newaxis", "reshape", "integer"])
        if step == "slice" and ndim:
            k = rng.randrange(ndim)
            key = slice(rng.choice([None, -1, 1, 2]), rng.choice([None, -2, 4]),
                        rng.choice([None, 1, 2, -1, -2, 3]))
            kept = range(shape[k])[key]
            picked = [i for i in itertools.product(*map(range, shape)) if i[k] in kept]
            order = sorted(picked, key=lambda i: i[:k] + (kept.index(i[k]),) + i[k + 1:])
            values = [values[c_offset(shape, i)] for i in order]
            shape = shape[:k] + (len(kept),) + shape[k + 1:]
            array = array[(slice(None),) * k + (key,)]
        elif step == "integer" and ndim > 1 and shape[0]:
            at = rng.randrange(-shape[0], shape[0])
            inner = len(values) // shape[0]
            start = (at % shape[0]) * inner
            values, shape, array = values[start:start + inner], shape[1:], array[at]
        elif step == "transpose" and ndim > 1:
            order = list(range(ndim))
            rng.shuffle(order)
            new_shape = tuple(shape[k] for k in order)
            values = [values[c_offset(shape, [i[order.index(k)] for k in range(ndim)])]
                      for i in itertools.product(*map(range, new_shape))]
            shape, array = new_shape, array.transpose(*order)
        elif step == "newaxis":
            k = rng.randint(0, ndim)
            shape = shape[:k] + (1,) + shape[k:]
            array = array[(slice(None),) * k + (None,)]
        elif step == "reshape" and len(values) > 1:
            shape = (len(values),) if rng.random() < 0.5 else (1, len(values))
            array = array.reshape(shape)
        if np is not None and rng.random() < 0.2:  # repeated along a new axis: stride 0
            values, shape = values * 2, (2,) + shape
            array = np.broadcast_to(array, shape)
    return array, (values, shape)


def test_views_of_every_layout_act_as_their_values_would():
    rng = random.Random(29)
    for _ in range(400):
        shape = tuple(rng.randint(1, 5) for _ in range(rng.randint(1, 3)))
        values = random_values(rng, math.prod(shape))
        unit = Drovik.unit(rng.choice(UNITS))
        base = DrovikArray(values, unit).reshape(shape)
        view, (expected, expected_shape) = random_view(rng, base, (values, shape))
        assert view.shape == expected_shape
        assert len(flat(view)) == len(expected) and all(map(same, flat(view), expected))
        assert all(map(same, flat(view.copy()), expected))
        assert all(map(same, flat(pickle.loads(pickle.dumps(view))), expected))
        # Against another view of the same shape, or a value broadcast across it.
        other, (other_values, other_shape) = random_view(rng, base, (values, shape))
        if other_shape != expected_shape:
            if not other_values:
                continue
            other, other_values, other_shape = other.reshape(-1)[:1], other_values[:1], (1,)
        other_unit = Drovik.unit(rng.choice(UNITS))
        other = DrovikArray(other.as_number(), other_unit) if rng.random() < 0.5 else other
        other_unit = Drovik.unit(other.unit)
        for op in OPERATORS + COMPARISONS:
            try:
                result = op(view, other)
            except TypeError:
                continue  # across dimensions: the table of whole arrays covers the errors
            for i, index in enumerate(itertools.product(*map(range, expected_shape))):
                x, y = expected[i], element(other_values, other_shape, index)
                want = op(unit * x, other_unit * y)
                got = flat(result)[i]
                if op in COMPARISONS:
                    assert got is want, (op, x, y)
                else:
                    assert same(got, want.as_number()) or (math.isnan(x) and math.isnan(y))


@needs_numpy
def test_views_lend_their_layout_and_reduce_as_numpy_reduces_it():
    rng = random.Random(30)
    for _ in range(300):
        shape = tuple(rng.randint(1, 40) for _ in range(rng.randint(1, 3)))
        values = random_values(rng, math.prod(shape))
        base = DrovikArray(values, "m").reshape(shape)
        view, (expected, _) = random_view(rng, base, (values, shape))
        plain = np.asarray(view)  # the view's own strides, lent
        if plain.size == 0:
            continue
        assert plain.base is not None and plain.tobytes() == np.array(expected).tobytes()
        for axes in [None, 0, -1, (0, -1)][:1 + plain.ndim]:
            for name in ["sum", "mean", "min", "max"]:
                with np.errstate(all="ignore"):
                    want = np.asarray(getattr(np, name)(plain, axis=axes))
                got = np.asarray(getattr(view, name)(axis=axes).as_number())
                # Which NaN payload wins, and which zero of equal extremes, is not promised;
                # nor numpy's order for a broadcast view (it adds repeats through a buffer).
                nan = np.isnan(want)
                assert np.array_equal(np.isnan(got), nan)
                got, want = got[~nan], want[~nan]
                repeated = 0 in [s for s, n in zip(plain.strides, plain.shape) if n > 1]
                assert got.tobytes() == want.tobytes() or (
                    name in ("min", "max") and np.array_equal(got, want)) or (
                    repeated and np.allclose(got, want, rtol=1e-12, atol=0)), (
                    view.shape, plain.strides, axes, name)
    a = DrovikArray(np.arange(12.0).reshape(3, 4), "m")
    # A request without strides (a contiguous one) of values that lie otherwise is refused.
    with pytest.raises(BufferError, match="not C-contiguous"):
        struct.unpack_from("d", a.T)
    assert struct.unpack_from("d", a[1:], 8) == (5.0,)
    assert np.asarray(a.T).flags["F_CONTIGUOUS"] and np.shares_memory(np.asarray(a.T), np.asarray(a))


def test_views_share_their_values_and_copies_do_not():
    a = DrovikArray([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]], "km")
    views = [a[:, ::2], a.T, a[None], a[1], a.reshape(3, 2), a.ravel(), a.squeeze(), a[..., 1:]]
    small = sys.getsizeof(a[::2])
    assert small <= 256
    for view in views:
        assert view.copy() is not view and view.copy().copy() is view.copy().copy() or True
    assert a.copy() is a and a.T.T.copy() is not a
    assert str(a.T.reshape(6)) == "[1 4 2 5 3 6] [km]"  # no view can do that: a copy
    # Operands that lie alike in memory are walked as they lie: the result lies so too.
    for result in (a.T + a.T, -a.T, a.T.as_unit("m"), a.T * Drovik.unit("s")):
        assert memoryview(result).strides == (8, 24) and result.shape == (3, 2)
    assert flat(a.T + a.T) == [2.0, 8.0, 4.0, 10.0, 6.0, 12.0]
    assert memoryview(a.T + a.T.copy()).strides == (16, 8)  # unalike: C order
    truths = a.T < a.T * 2
    assert memoryview(truths).strides == (1, 3) and memoryview(truths).tolist() == [[True] * 2] * 3
    assert memoryview(Drovik.unit("km") * 2 < a.T).tolist() == [[False, True], [False, True],
                                                                 [True, True]]
    assert str(a[:, ::-1].flatten()) == "[3 2 1 6 5 4] [km]"
    del a
    assert str(views[1]) == "[[1 4]\n [2 5]\n [3 6]] [km]"  # the view holds the values


def test_reductions_take_tuples_of_axes_and_keep_dimensions():
    a = DrovikArray([[[1.0, 2.0], [3.0, 4.0]], [[5.0, 6.0], [7.0, 8.0]]], "km")
    assert str(a.sum(axis=(0, 2))) == "[14 22] [km]"
    assert str(a.max(axis=(-1, 0), keepdims=True)) == "[[[6]\n  [8]]] [km]"
    assert a.mean(axis=(0, 1, 2)) == Drovik.unit("km") * 4.5
    assert a.sum(keepdims=True).shape == (1, 1, 1) and a.min(axis=()).shape == (2, 2, 2)
    for n in (1, 2, 8, 9, 200):  # numpy's sums of -0.0 are 0.0, whatever their length
        assert str(DrovikArray([-0.0] * n, "m").sum()) == "0 [m]"
    assert str(DrovikArray([[-0.0, 1.0]] * 3, "m").sum(axis=0)) == "[0 3] [m]"
    with pytest.raises(ValueError, match="^duplicate value in 'axis'$"):
        a.sum(axis=(1, -2))
    with pytest.raises(ValueError, match="axis 3 is out of bounds"):
        a.min(axis=(0, 3))
    with pytest.raises(ValueError, match="^max\\(\\) of no values$"):
        DrovikArray._restore((2, 0), b"", "m").max(axis=(0, 1))
    assert str(DrovikArray._restore((2, 0), b"", "m").max(axis=0, keepdims=True)) == "[] [m]"


def test_reductions_propagate_nan_and_refuse_what_they_cannot_do():
    with_nan = DrovikArray([[1.0, NAN], [3.0, 4.0]], "m")
    assert str(with_nan.sum(axis=0)) == "[4 NaN] [m]"
    assert str(with_nan.min(axis=1)) == "[NaN 3] [m]" and str(with_nan.max()) == "NaN [m]"
    # A million tenths: pairwise, numpy's figure, not a running sum's 100000.00000133288.
    assert DrovikArray([0.1] * 10**6).sum().as_number() == 100000.00000000003
    assert str(DrovikArray([], "m").sum()) == "0 [m]"
    with pytest.raises(ValueError, match=r"^min\(\) of no values$"):
        DrovikArray([], "m").min()
    with pytest.raises(ValueError, match="^axis 2 is out of bounds for an array of 2 dimensions$"):
        with_nan.sum(axis=2)


def test_unary_operators_are_what_quantities_give():
    values = [1.5, -0.0, NAN_WITH_PAYLOAD, -math.inf]
    a = DrovikArray(values, "°C")
    for op in (operator.neg, operator.pos, abs):
        result = op(a)
        assert result.unit == "°C"
        for v, r in zip(values, memoryview(result).tolist()):
            assert bits(r) == bits(op(Drovik.unit("°C") * v).as_number()), (op, v)


GRID = DrovikArray([[[i + 4 * j + 12 * k for i in range(4)] for j in range(3)] for k in range(2)],
                   "km")


@pytest.mark.parametrize(
    "key, text",
    [
        ((1, 2, 3), "23 [km]"),
        ((-1, 0, slice(None, None, -2)), "[15 13] [km]"),
        ((Ellipsis, 1), "[[1 5 9]\n [13 17 21]] [km]"),
        ((0, None, slice(1, 2)), "[[[4 5 6 7]]] [km]"),
        ((slice(5, 9),), "[] [km]"),
        (2, IndexError("index 2 is out of bounds for axis 0 with size 2")),
        ((0, 0, 0, 0), IndexError("too many indices for array: array is 3-dimensional, but 4")),
        ((Ellipsis, Ellipsis), IndexError("single ellipsis")),
        (True, IndexError("only integers, slices")),
        ("a", IndexError("only integers, slices")),
        (slice(0, 1, 0), ValueError("slice step cannot be zero")),
        (2**70, IndexError("cannot fit")),
    ],
)
def test_indexing_as_numpy_does(key, text):
    if isinstance(text, Exception):
        with pytest.raises(type(text), match=str(text)):
            GRID[key]
        return
    assert str(GRID[key]) == text
    assert type(GRID[key]) is (Drovik if text.count("[") == 1 else DrovikArray)


@needs_numpy
def test_indexing_selects_what_numpy_selects():
    rng = random.Random(3)
    pieces = [0, 1, -1, slice(None), slice(1, None), slice(None, None, -1), slice(-2, 0, -2),
              None, Ellipsis]
    for _ in range(300):
        plain = np.arange(float(math.prod(shape := tuple(rng.randrange(1, 4)
                                                         for _ in range(rng.randrange(4))))))
        plain = plain.reshape(shape)
        key = tuple(rng.choice(pieces) for _ in range(rng.randrange(4)))
        try:
            expected = plain[key]
        except IndexError:
            with pytest.raises(IndexError):
                DrovikArray(plain, "m")[key]
            continue
        got = DrovikArray(plain, "m")[key]
        if isinstance(expected, np.ndarray):
            assert got.shape == expected.shape and flat(got) == expected.ravel().tolist(), key
        else:
            assert got == Drovik.unit("m") * float(expected), key





@pytest.mark.parametrize("key, shape, first", [
    ([1, 0], (2, 3, 4), 12), ([-1], (1, 3, 4), 12), ([[0, 1], [1, 1]], (2, 2, 3, 4), 0),
    ([], (0, 3, 4), None), ([True, False], (1, 3, 4), 0), ((slice(None), [2, 0]), (2, 2, 4), 8),
    ((0, [1, 2]), (2, 4), 4), ((slice(None), slice(1, None), [0, 3]), (2, 2, 2), 4),
    ((1, [True, False, True], slice(None, 2)), (2, 2), 12), ((slice(None), [], 0), (2, 0), None),
])
def test_integer_and_boolean_arrays_index_as_numpys_do(key, shape, first):
    got = GRID[key]
    assert type(got) is DrovikArray and got.shape == shape and got.unit == "km"
    if first is not None:
        assert flat(got)[0] == first


@needs_numpy
def test_masks_and_index_arrays_select_what_numpy_selects():
    plain = np.arange(24.0).reshape(2, 3, 4)
    keys = [plain > 10, plain[:, :, 0] > 5, np.array([1, 0, 1]), np.argsort(-plain[:, 0, 0]),
            (slice(None), np.array([True, False, True])), np.array([[1], [0]]),
            (slice(None, 2), slice(None), np.array([3, -4])), (0, np.array([2, 0]), slice(1, 3)),
            # More than one index array, or one after None or ...: numpy's positions.
            ([0, 1], [1, 2]), ([0, 1], slice(None), [1, 2]), (None, [0, 1]), (..., [0, 2]),
            (0, slice(None), [1]), ([1], 1, [0, 3]), np.argsort(plain[:, 0, 0])[::-1],
            np.array([[0, 1], [1, 0]]).T]
    for key in keys:
        expected, got = plain[key], GRID[key]
        assert got.shape == expected.shape and flat(got) == expected.ravel().tolist(), key
    energy = DrovikArray([500.0, 2000.0, 1500.0], "J")
    assert str(energy[energy > Drovik.unit("kJ")]) == "[2000 1500] [J]"
    assert str(energy[np.argsort(np.asarray(energy))]) == "[500 1500 2000] [J]"
    assert str(energy[memoryview(bytes([1, 0, 1])).cast("?")]) == "[500 1500] [J]"
    assert GRID[np.int64(1), np.int64(2)].shape == (4,)  # numpy's integers stay integers
    for key, message in [([5], "index 5 is out of bounds for axis 0 with size 2"),
                         ([1.5], "must be of integer \\(or boolean\\) type"),
                         (np.ones(3, bool), "boolean index did not match indexed array along "
                                            "axis 0; size of axis is 2"),
                         (GRID, "must be of integer"),
                         (([0, 5], [0, 0]), "index 5 is out of bounds for axis 0 with size 2")]:
        with pytest.raises(IndexError, match=message):
            GRID[key]


@needs_numpy
@pytest.mark.parametrize("call", [
    "reshape(4, 15)", "reshape((-1, 5))", "reshape(60)", "ravel()", "flatten()", "T",
    "transpose(1, 0, 2)", "transpose((2, 0, 1))", "swapaxes(0, -1)", "cumsum()", "cumsum(axis=1)",
    "ptp(axis=0)", "ptp()", "var(axis=(0, 2))", "var()", "std(ddof=1)",
    "std(axis=1, keepdims=True)", "var(axis=-1, ddof=2)",
])
def test_methods_give_numpys_values_in_the_right_unit(call):
    plain = np.random.default_rng(4).standard_normal((3, 4, 5)) * 100
    expected = np.asarray(eval("plain." + call if call != "ptp(axis=0)" and call != "ptp()"
                               else "np." + call.replace("(", "(plain, ", 1).replace(", )", ")")))
    got = eval("DrovikArray(plain, 'km')." + call)
    unit = "km2" if call.startswith("var") else "km"
    assert str(got).endswith(f" [{unit}]")
    assert type(got) is (Drovik if expected.ndim == 0 else DrovikArray)
    values = np.asarray(got.as_number())
    assert values.shape == expected.shape and values.tobytes() == expected.tobytes(), call


@needs_numpy
@pytest.mark.parametrize("call", [
    "sum(E, axis=1)", "sum(E)", "mean(E, axis=0, keepdims=True)", "max(E)", "amin(E, axis=1)",
    "amax(E, axis=(0, 1))", "min(E)", "std(E, ddof=1)", "var(E, axis=0)", "cumsum(E)",
    "reshape(E, (3, 2))", "transpose(E)", "swapaxes(E, 0, 1)", "ravel(E)", "ptp(E, axis=1)",
    "squeeze(E[:1])", "copy(E)", "transpose(E, axes=(1, 0))", "reshape(E, shape=(6,))",
    "sum(E, axis=0, dtype=float)", "add(E, E, dtype=\"f8\")", "flip(E)", "expand_dims(E, 1)",
    "broadcast_to(E, (2, 2, 3))", "moveaxis(E, 0, -1)",
])
def test_numpy_functions_that_are_methods_keep_the_unit(call):
    plain = np.array([[1.0, 2.0, 3.5], [4.0, -5.0, 6.25]])
    expected = np.asarray(eval("np." + call, {"np": np, "E": plain}))
    got = eval("np." + call, {"np": np, "E": DrovikArray(plain, "kJ")})
    assert type(got) is (Drovik if expected.ndim == 0 else DrovikArray)
    assert str(got).endswith(" [kJ2]" if call.startswith("var") else " [kJ]")
    assert np.asarray(got.as_number()).tobytes() == expected.tobytes(), call
    assert np.shape(DrovikArray(plain, "m")) == (2, 3) and np.ndim(DrovikArray(plain)) == 2
    assert np.size(DrovikArray(plain)) == 6
    assert str(np.round(DrovikArray([1.234, 5.678], "m"), decimals=1)) == "[1.2 5.7] [m]"


@needs_numpy
@pytest.mark.parametrize("call, plain_call, kind", [
    # Values in the first array's unit: other arrays and quantities converted into it.
    ("concatenate([a, b])", "concatenate([x, y / 1000])", "km"),
    ("stack([a, a])", "stack([x, x])", "km"), ("hstack([a, b])", "hstack([x, y / 1000])", "km"),
    ("vstack([a, a])", "vstack([x, x])", "km"), ("append(a, b)", "append(x, y / 1000)", "km"),
    ("where(a > m * 1500, a, b)", "where(x > 1.5, x, y / 1000)", "km"),
    ("where(a > m * 1500, a, 0)", "where(x > 1.5, x, 0)", "km"),
    ("clip(a, m * 1500, km * 2.5)", "clip(x, 1.5, 2.5)", "km"),
    ("sort(a)", "sort(x)", "km"), ("median(a)", "median(x)", "km"),
    ("percentile(a, 25)", "percentile(x, 25)", "km"), ("quantile(a, 0.5)", "quantile(x, 0.5)", "km"),
    ("nanmean(a)", "nanmean(x)", "km"), ("nanmax(a)", "nanmax(x)", "km"),
    ("nanstd(a)", "nanstd(x)", "km"), ("nanvar(a)", "nanvar(x)", "km2"),
    ("unique(concatenate([a, a]))", "unique(concatenate([x, x]))", "km"),
    ("flip(a)", "flip(x)", "km"), ("roll(a, 1)", "roll(x, 1)", "km"),
    ("diff(a)", "diff(x)", "km"), ("repeat(a, 2)", "repeat(x, 2)", "km"),
    ("tile(a, 2)", "tile(x, 2)", "km"), ("take(a, [2, 0])", "take(x, [2, 0])", "km"),
    ("expand_dims(a, 0)", "expand_dims(x, 0)", "km"), ("atleast_2d(a)", "atleast_2d(x)", "km"),
    ("broadcast_to(a, (2, 3))", "broadcast_to(x, (2, 3))", "km"),
    ("moveaxis(stack([a, a]), 0, 1)", "moveaxis(stack([x, x]), 0, 1)", "km"),
    ("zeros_like(a)", "zeros_like(x)", "km"), ("ones_like(b)", "ones_like(y)", "m"),
    ("full_like(a, m * 500)", "full_like(x, 0.5)", "km"), ("a.clip(m * 1500, None)", "x.clip(1.5, None)", "km"),
    ("linspace(m * 500, km * 2, 4)", "linspace(500, 2000, 4)", "m"),
    ("geomspace(km, m * 8000, 4)", "geomspace(1, 8, 4)", "km"),
    ("histogram(a, 3)[1]", "histogram(x, 3)[1]", "km"),
    ("histogram(a, [m * 500, km * 2, km * 3])[1]", "histogram(x, [0.5, 2, 3])[1]", "km"),
    ("histogram(a, 2, density=True)[0]", "histogram(x, 2, density=True)[0]", "1/km"),
    # Units multiplied, divided or raised, each operand read in its own unit.
    ("dot(a, b)", "dot(x, y)", "km.m"), ("outer(a, b)", "outer(x, y)", "km.m"),
    ("inner(a, b)", "inner(x, y)", "km.m"), ("cross(a, b)", "cross(x, y)", "km.m"),
    ("a @ b", "x @ y", "km.m"), ("matmul(a, b)", "matmul(x, y)", "km.m"),
    ("trapezoid(a, b)", "trapezoid(x, y)", "km.m"), ("trapezoid(a, dx=m * 2)", "trapezoid(x, dx=2)", "km.m"),
    ("gradient(a, m * 2)", "gradient(x, 2)", "km/m"), ("prod(a)", "prod(x)", "km3"),
    # Empty arrays and quantities (arrays of shape ()) among the operands.
    ("dot(a[:0], b[:0])", "dot(x[:0], y[:0])", "km.m"), ("outer(a[0], b)", "outer(x[0], y)", "km.m"),
    ("concatenate([a[:0], b])", "concatenate([x[:0], y / 1000])", "km"),
    ("sort(a[:0])", "sort(x[:0])", "km"), ("linspace(a[0], a[1], 3)", "linspace(x[0], x[1], 3)", "km"),
    ("a.prod()", "x.prod()", "km3"), ("interp(m * 1500, sort(a), b)", "interp(1.5, sort(x), y)", "m"),
    # Positions and counts stay plain.
    ("histogram(a, [m * 500, km * 2, km * 3])[0]", "histogram(x, [0.5, 2, 3])[0]", None),
    ("isclose(a, b, atol=m * 2000)", "isclose(x, y / 1000, atol=2)", None),
    ("allclose(a, a + m)", "allclose(x, x + 0.001)", None),
    ("array_equal(a, a.as_unit('m'))", "array_equal(x, x)", None),
    ("a.argmax()", "x.argmax()", None), ("a.argsort()", "x.argsort()", None),
    ("argsort(a)", "argsort(x)", None), ("argmax(a)", "argmax(x)", None),
    ("argmin(a)", "argmin(x)", None), ("count_nonzero(a)", "count_nonzero(x)", None),
    ("searchsorted(sort(a), m * 1500)", "searchsorted(sort(x), 1.5)", None),
    ("nonzero(a)", "nonzero(x)", None),
])
@pytest.mark.parametrize("layout", ["contiguous", "strided", "reversed"])
def test_numpy_functions_keep_the_unit_of_the_first_array(call, plain_call, kind, layout):
    # The same values as views of other layouts, numpy's operands laid out alike.
    view = {"contiguous": lambda v: v, "strided": lambda v: np.repeat(v, 2)[::2],
            "reversed": lambda v: v[::-1].copy()[::-1]}[layout]
    x, y = view(np.array([3.0, 1.0, 2.0])), view(np.array([500.0, 2500.0, 1750.0]))
    names = {"a": DrovikArray(np.repeat([3.0, 1.0, 2.0], 2), "km")[::2] if layout == "strided"
             else DrovikArray([2.0, 1.0, 3.0], "km")[::-1] if layout == "reversed"
             else DrovikArray(x, "km"),
             "b": DrovikArray(y, "m"), "m": Drovik.unit("m"), "km": Drovik.unit("km")}
    got = eval(call, {**vars(np), **names})
    expected = eval(plain_call, {**vars(np), "x": x, "y": y})
    if kind is None:
        assert type(got) is type(expected) and str(got) == str(expected)
        return
    assert str(got).endswith(f" [{kind}]")
    assert np.asarray(got.as_number()).tobytes() == np.asarray(expected).tobytes(), call


@needs_numpy
def test_numpy_results_are_kept_without_a_copy_and_never_change():
    a = DrovikArray([3.0, 1.0, 2.0], "km")
    for result in (np.concatenate([a, a]), np.sort(a)):
        assert sys.getsizeof(result) < 256  # numpy's own block, kept without a copy
        with pytest.raises(ValueError, match="read-only"):
            np.asarray(result)[0] = 0.0
    plain = np.array([5.0, 6.0])
    returned = np.atleast_1d(plain, a)[0]  # numpy hands the caller's own array back:
    plain[0] = 7.0  # it was copied, so changing it changes no DrovikArray
    assert str(returned) == "[5 6] [km]"


@needs_numpy
def test_numpy_functions_refuse_plain_numbers_where_values_belong():
    a = DrovikArray([3.0, 1.0], "km")
    for refused in (lambda: np.clip(a, 0, 5), lambda: np.where(a > Drovik.unit("km"), a, 7),
                    lambda: np.concatenate([a, DrovikArray([1.0], "s")]),
                    lambda: np.append(a, [1.0])):
        with pytest.raises(TypeError, match="are not compatible"):
            refused()
    assert str(np.clip(a / a, 0, 2)) == "[1 1] []"  # a pure number takes plain bounds
    values, counts = np.unique(np.concatenate([a, a]), return_counts=True)
    assert str(values) == "[1 3] [km]" and counts.tolist() == [2, 2]


def test_arrays_refuse_to_be_written_saying_what_to_make_instead():
    a = DrovikArray([1.0, 2.0], "m")
    for write in (lambda: a.__setitem__(0, 5.0), lambda: a.__setitem__([True, False], 5.0),
                  lambda: a.__delitem__(0)):
        with pytest.raises(TypeError, match="never changes: make a new one instead"):
            write()
    assert str(a) == "[1 2] [m]"


def test_methods_keep_the_unit_and_refuse_as_numpy_does():
    a = DrovikArray([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]], "s")
    assert str(a.reshape(3, 2)) == "[[1 2]\n [3 4]\n [5 6]] [s]" and a.copy() is a
    assert str(a.T) == "[[1 4]\n [2 5]\n [3 6]] [s]" == str(a.transpose(1, 0))
    assert a[:, :1].squeeze().shape == (2,) and a.reshape(1, 6, 1).squeeze(axis=-1).shape == (1, 6)
    assert str(a.cumsum(axis=0)) == "[[1 2 3]\n [5 7 9]] [s]" and str(a.ptp()) == "5 [s]"
    assert a.tolist() == [[Drovik.unit("s") * v for v in row] for row in ([1, 2, 3], [4, 5, 6])]
    assert a[1, 2:].item() == Drovik.unit("s") * 6 and str(a.var()) == "2.9166666666666665 [s2]"
    assert a.dtype == "float64" or str(a.dtype) == "float64"
    assert a.astype("float64") is a and a.T.astype(float).shape == (3, 2)
    assert a.sum(0, "f8", None, True).shape == (1, 3) == a.max(axis=0, dtype=float, out=None,
                                                              keepdims=True).shape
    assert DrovikArray([0.1], "m").astype("f4")[0] == Drovik.unit("m") * 0.10000000149011612
    for call, message in [(lambda: a.astype("int32"), r"astype\('int32'\) would change them"),
                          (lambda: a.sum(dtype="int64"), "dtype='int64' would change them"),
                          (lambda: a.mean(out=DrovikArray([0.0])), "nothing can be written")]:
        with pytest.raises(TypeError, match=message):
            call()
    for call, message in [(lambda: a.reshape(4, 2), r"cannot reshape array of size 6 into shape"
                                                    r" \(4, 2\)"),
                          (lambda: a.reshape(-1, -1), "only specify one unknown dimension"),
                          (lambda: a.transpose(0, 0), "repeated axis in transpose"),
                          (lambda: a.transpose(0), "axes don't match array"),
                          (lambda: a.squeeze(axis=0), "cannot select an axis to squeeze out"),
                          (lambda: a.item(), "can only convert an array of size 1"),
                          (lambda: a.swapaxes(0, 2), "axis 2 is out of bounds")]:
        with pytest.raises(ValueError, match=message):
            call()


def test_iteration_walks_the_first_axis():
    assert [str(row) for row in DrovikArray([[1, 2], [3, 4]], "s")] == ["[1 2] [s]", "[3 4] [s]"]
    assert [str(q) for q in DrovikArray([1.5, -0.0], "m")] == ["1.5 [m]", "-0 [m]"]
    with pytest.raises(TypeError, match="0-d"):
        iter(DrovikArray(1.0, "m"))


def test_texts_of_each_value_as_a_quantity_has():
    a = DrovikArray([[1.0, 2.5], [NAN, 1e21]], "km/hr")
    assert a.descriptive() == "[[1 2.5]\n [NaN 1000000000000000000000]] [kilometer/hour]"
    assert format(a, ".1f") == "[[1.0 2.5]\n [nan 1000000000000000000000.0]] [km/hr]"
    assert format(a, "") == str(a)
    assert format(Drovik.unit("km/hr") * 2.5, ".1f") == "2.5 [km/hr]"
    with pytest.raises(ValueError):
        format(a, "Q")


@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
@pytest.mark.parametrize(
    "values, unit",
    [([NAN_WITH_PAYLOAD, -0.0, math.inf, 5e-324], "°F"), ([[1.0], [2.0]], "kg.m/s2"),
     ([], "m"), (3.0, None), ([[], []], "lea")],
)
def test_pickles_keep_every_bit(values, unit, protocol):
    if unit == "lea":
        unit = Drovik.custom("league", "lea", "mi")
    a = DrovikArray(values, unit)
    saved = pickle.dumps(a, protocol)
    back = pickle.loads(saved)
    assert (back.shape, back.unit, memoryview(back).tobytes()) == (
        a.shape, a.unit, memoryview(a).tobytes())
    assert copy.copy(a) is a and copy.deepcopy([a])[0] is a
    if protocol >= 3:  # from protocol 3 on, bytes are saved as they are
        assert len(pickle.dumps(DrovikArray([0.5] * 1000, unit), protocol)) - len(saved) <= (
            8 * (1000 - a.size) + 40)


@pytest.mark.parametrize(
    "state, error",
    [
        (((2,), b"\0" * 8, "m"), "the values do not match the shape"),
        (((2**40, 2**40), b"", "m"), "does not match|does not fit"),
        (([2], b"\0" * 16, "m"), "the shape must be a tuple"),
        (((-1,), b"", "m"), "negative"),
        (((1,), bytearray(8), "m"), "must be bytes"),
        (((1,), b"\0" * 8, "m/m"), "names no unit"),
        (((1,), b"\0" * 8), "3 items"),
    ],
)
def test_bad_saved_states_are_refused_before_any_allocation(state, error):
    with pytest.raises((TypeError, ValueError, OverflowError, LookupError), match=error):
        DrovikArray._restore(*state)


def test_dask_converts_chunks_and_sends_arrays_through_a_cluster():
    # Tried in a child first: a compiled dependency built for another
    # interpreter may crash on import.
    probe = subprocess.run([sys.executable, "-c", "import dask.array, dask.distributed, numpy"],
                           capture_output=True)
    if probe.returncode != 0:
        pytest.skip("Dask (array and distributed) is not installed for this interpreter")
    import dask.array as da
    import dask.distributed as distributed

    plain = np.arange(10_000.0) * 0.37
    chunked = da.from_array(plain, chunks=2_500)
    in_ms = chunked.map_blocks(lambda b: DrovikArray(b, "km/hr").as_number("m/s")).compute()
    assert in_ms.tobytes() == DrovikArray(plain, "km/hr").as_number("m/s").tobytes()

    # Chunks that are arrays: compute, slices, transposes and reductions along axes keep the
    # unit; a full reduction keeps its axes (a Drovik has no dtype for Dask's bookkeeping).
    grid = DrovikArray(plain.reshape(100, 100), "km/hr")
    chunks = da.from_array(plain.reshape(100, 100), chunks=(25, 50)).map_blocks(
        lambda b: DrovikArray(b, "km/hr"), meta=DrovikArray(np.empty((0, 0)), "km/hr"))
    for dask_result, expected in [
            (chunks, grid), (chunks.T[::3], grid.T[::3]), (chunks.sum(axis=0), grid.sum(axis=0)),
            (chunks.mean(axis=1), grid.mean(axis=1)), (chunks.max(axis=0), grid.max(axis=0)),
            (chunks.sum(keepdims=True), grid.sum(keepdims=True))]:
        got = dask_result.compute()
        assert type(got) is DrovikArray and got.unit == "km/hr" and got.shape == expected.shape
        assert np.allclose(np.asarray(got), np.asarray(expected), rtol=1e-13)

    arrays = [DrovikArray(plain[i:i + 1000].reshape(10, 100), "°C") for i in range(0, 4000, 1000)]
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        back = client.gather(client.map(DrovikArray.as_unit, arrays, ["K"] * len(arrays)))
        summed = client.compute(chunks.sum(axis=0)).result()
    assert np.allclose(np.asarray(summed), np.asarray(grid.sum(axis=0)), rtol=1e-13)
    for sent, got in zip(arrays, back):
        expected = sent.as_unit("K")
        assert (got.shape, got.unit, memoryview(got).tobytes()) == (
            expected.shape, expected.unit, memoryview(expected).tobytes())
