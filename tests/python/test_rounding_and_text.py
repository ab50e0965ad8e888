"""Rounding, numeric export and printing."""
import math

import pytest

from conftest import needs_numpy, np, q
from drovik import Drovik


@pytest.mark.parametrize(
    "value, args, expected",
    [
        (2.5, (), 3.0),
        (-2.5, (), -3.0),
        (0.5, (), 1.0),
        (2.675, (2,), 2.68),
        (1234.5, (-2,), 1200.0),
        (2.5, (None,), 3.0),
        (1.0, (400,), math.nan),
        (1.0, (-400,), math.nan),
    ],
)
def test_round_keeps_the_unit(value, args, expected):
    rounded = round(q(value), *args)
    assert type(rounded) is Drovik
    assert str(rounded).endswith(" [m]")
    assert rounded.as_number() == expected or (math.isnan(expected) and math.isnan(rounded.as_number()))


def test_round_method_and_keyword():
    assert q(2.5).__round__(None) == q(3)
    assert q(2.25).__round__(ndigits=1) == q(2.3)


@pytest.mark.parametrize(
    "value, figures, expected",
    [
        (12345, 2, 12000.0),
        (0.00012345, 3, 0.000123),
        (-987.65, 2, -990.0),
        (99.96, 3, 100.0),
        (0.1, 1, 0.1),
        (12345, 0, 0.0),
        (0.6, 0, 1.0),
        (56789, 0, 99999.99999999999),
    ],
)
def test_round_sfig(value, figures, expected):
    rounded = q(value).round_sfig(figures)
    assert rounded.as_number() == expected
    assert str(rounded).endswith(" [m]")


@pytest.mark.parametrize("value", [0.0, math.inf, -math.inf, math.nan])
def test_round_sfig_of_values_without_a_finite_logarithm_is_nan(value):
    assert math.isnan(q(value).round_sfig(3).as_number())


def test_as_number():
    km = Drovik.unit("km")
    assert km.as_number() == 1.0
    assert km.as_number("m") == 1000.0
    assert km.as_number(q(500), scale=False) == 1000.0
    assert km.as_number(q(500), scale=True) == 2.0
    assert km.as_number(None, True) == km.as_number(scale=True) == 1.0
    assert Drovik.unit("°C").as_number("K") == 274.15
    assert (Drovik.empty() * 3).as_number(2) == 3.0
    assert math.isinf(km.as_number(q(0), True))
    with pytest.raises(TypeError, match=r"^\[m\] and \[\] are not compatible$"):
        q(1).as_number(2)


@needs_numpy
def test_as_number_takes_numpys_bools():
    assert (Drovik.empty() * 3).as_number(2, scale=np.True_) == 1.5
    assert (Drovik.empty() * 3).as_number(2, np.bool_(False)) == 3.0


@pytest.mark.parametrize(
    "value, expected",
    [(-1.9, -1), (1.9, 1), (3e10, 2147483647), (-3e10, -2147483648), (math.nan, 0), (math.inf, 2147483647)],
)
def test_int_truncates_and_saturates(value, expected):
    assert int(q(value, "km")) == expected


def test_float_ignores_the_unit():
    assert float(Drovik.unit("km")) == 1.0


@pytest.mark.parametrize(
    "quantity, text",
    [
        (q(1e16), "10000000000000000 [m]"),
        (q(2.0**53), "9007199254740992 [m]"),
        (Drovik.custom("blank", "", "m") / Drovik.unit("s"), "1 [1/s]"),
        (Drovik.empty() * 2.0, "2 []"),
        (q(math.nan), "NaN [m]"),
        (q(-math.inf), "-inf [m]"),
        (q(-0.0), "-0 [m]"),
        (q(-2.5), "-2.5 [m]"),
        (Drovik.empty() * 1e21, "1000000000000000000000 []"),
        (Drovik.empty() * 1e-7, "0.0000001 []"),
        (Drovik.empty() * (0.1 + 0.2), "0.30000000000000004 []"),
        (Drovik.unit("m") ** 0.5, "1 [m0.5]"),
        (Drovik.unit("s") ** (-1 / 3), "1 [1/s0.3333333333333333]"),
    ],
)
def test_text(quantity, text):
    assert str(quantity) == text
    assert repr(quantity) == text


def test_descriptive():
    assert Drovik.unit("km").descriptive() == "1 [kilometer]"
    assert Drovik.unit("W/m2.K4").descriptive() == "1 [watt/kelvin4.meter2]"
    assert Drovik.unit("°C").descriptive() == "1 [degree Celsius]"


@needs_numpy
def test_text_matches_numpys_shortest_positional_form():
    for value in [1.380649e-23, 6.02214076e23, 5e-324, 1.7976931348623157e308, 123.456, 2**53 + 2.0]:
        expected = np.format_float_positional(value, trim="-")
        assert str(Drovik.empty() * value) == f"{expected} []"
