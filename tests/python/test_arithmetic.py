"""Operators: both operand orders, NotImplemented for what does not coerce."""
import math

import pytest

from conftest import needs_numpy, np, q
from drovik import Drovik


@pytest.mark.parametrize(
    "expression, printed",
    [
        (lambda: q(1, "km") + q(1, "m"), "1.001 [km]"),
        (lambda: q(1, "m") + q(1, "km"), "1001 [m]"),
        (lambda: 5 + Drovik.empty() * 2, "7 []"),
        (lambda: Drovik.empty() * 2 + 5.5, "7.5 []"),
        (lambda: q(1, "°C") + q(1, "K"), "2 [°C]"),
        (lambda: q(10, "°C") * 2, "20 [°C]"),
        (lambda: 10 - Drovik.empty() * 3, "7 []"),
        (lambda: "km" - q(500, "m"), "500 [m]"),
        (lambda: 1 - q(90, "°"), "-32.70422048691768 [°]"),
        (lambda: q(1, "km") - q(1, "m"), "0.999 [km]"),
        (lambda: q(3, "m") * "m", "3 [m2]"),
        (lambda: 5 * q(2, "km"), "10 [km]"),
        (lambda: q(6, "m") / q(2, "s"), "3 [m/s]"),
        (lambda: 2 / q(4, "s"), "0.5 [1/s]"),
        (lambda: q(1, "m") / 0, "inf [m]"),
        (lambda: q(0, "m") / 0, "NaN [m]"),
        (lambda: q(1, "km") / q(1, "m"), "1 [km/m]"),
        (lambda: q(3, "m") ** 2, "9 [m2]"),
        (lambda: 2 ** (Drovik.empty() * 3), "8 []"),
        (lambda: pow(q(3, "m"), 2, 5), "9 [m2]"),
        (lambda: q(4, "m2") ** 0.5, "2 [m]"),
        (lambda: q(2, "m/s") ** -1, "0.5 [s/m]"),
        (lambda: q(2, "km") ** 0, "1 []"),
        (lambda: -(Drovik.empty() * 0.0), "-0 []"),
        (lambda: abs(q(-5, "°C")), "5 [°C]"),
        (lambda: +q(2, "km"), "2 [km]"),
        pytest.param(lambda: Drovik.empty() + np.float64(2.5), "3.5 []", marks=needs_numpy),
        (lambda: q(1, "m") + True * Drovik.unit("m"), "2 [m]"),
        (lambda: q(2, "m").__div__("s"), "2 [m/s]"),
        (lambda: q(4, "s").__rdiv__(1), "0.25 [1/s]"),
    ],
)
def test_operations(expression, printed):
    assert str(expression()) == printed


@pytest.mark.parametrize(
    "expression, message",
    [
        (lambda: 5 + q(1, "m"), "[m] and [] are not compatible"),
        (lambda: q(1, "m") + 2, "[m] and [] are not compatible"),
        (lambda: 2 - q(1, "m"), "[m] and [] are not compatible"),
        (lambda: q(1, "s") - q(1, "m"), "[s] and [m] are not compatible"),
        (lambda: q(1, "m") + "s", "[m] and [s] are not compatible"),
        (lambda: q(3, "m") ** q(1, "m"), "[m] and [] are not compatible"),
        (lambda: 2 ** q(1, "s"), "[s] and [] are not compatible"),
        (lambda: q(1, "m").log10(), "[m] and [] are not compatible"),
        (lambda: q(1, "m").exp(), "[m] and [] are not compatible"),
    ],
)
def test_operation_errors_are_raised(expression, message):
    with pytest.raises(TypeError) as caught:
        expression()
    assert str(caught.value) == message


@pytest.mark.parametrize(
    "expression",
    [
        lambda: q(1, "m") + [1],
        lambda: q(1, "m") + None,
        lambda: q(1, "m") + "no such unit",
        lambda: q(1, "m") + 2**31,
        lambda: q(1, "m") * 2**40,
        lambda: [1] - q(1, "m"),
        lambda: q(1, "m") / object(),
        lambda: q(1, "m") ** None,
        lambda: pow(q(3, "m"), 2, "x"),
        lambda: pow(q(3, "m"), 2, [5]),
        lambda: q(1, "m") + b"m",
        lambda: q(1, "m") // 2,
        lambda: q(1, "m") % 2,
    ],
)
def test_operands_that_do_not_coerce_are_unsupported(expression):
    with pytest.raises(TypeError) as caught:
        expression()
    assert "unsupported operand" in str(caught.value)


def test_slots_answer_not_implemented_directly():
    m = q(1, "m")
    assert m.__add__([1]) is NotImplemented
    assert m.__sub__("nope") is NotImplemented
    assert m.__pow__(2, "x") is NotImplemented
    assert m.__rtruediv__(None) is NotImplemented


def test_large_floats_add_while_large_ints_do_not():
    assert (Drovik.empty() + 2.0**31).as_number() == 2.0**31 + 1
    with pytest.raises(TypeError):
        Drovik.empty() + 2**31


def test_transcendental_functions():
    assert Drovik.empty().__mul__(0).exp() == 1.0
    assert q(180, "°").log() == 1.1447298858494002
    assert (Drovik.empty() * 1000).log10() == 3.0
    assert (Drovik.empty() * 0).log() == -math.inf
    assert math.isnan((Drovik.empty() * -1).__log__())


def test_operands_are_not_changed():
    a, b = q(1, "km"), q(1, "m")
    a + b, a - b, a * b, a / b, a**2, a < b
    assert (str(a), str(b)) == ("1 [km]", "1 [m]")
