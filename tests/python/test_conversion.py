"""Conversions between units, temperature offsets included."""
import math

import pytest

from conftest import q
from drovik import Drovik


@pytest.mark.parametrize(
    "value, source, target, expected",
    [
        (1, "km/hr", "m/s", 0.2777777777777778),
        (1, "°C", "K", 274.15),
        (100, "°C", "°F", 212.00399999999993),
        (32, "°F", "°C", -0.0022222222222012533),
        (1, "K", "°C", -272.15),
        (2, "°C/s", "K/s", 2.0),
        (1, "km", "m", 1000.0),
        (180, "°", "rad", 3.141592653589793),
        (1, "mmHg", "Pa", 133.322387415),
        (1, "kWh", "J", 3600000.0),
        (1, "lightyear", "pc", 9460730472580800.0 / 3.085677581491367e16),
    ],
)
def test_as_unit_gives_exact_doubles(value, source, target, expected):
    converted = q(value, source).as_unit(target)
    assert converted.as_number() == expected
    assert str(converted).endswith(str(Drovik.unit(target)).split(" ", 1)[1])


def test_worked_example_prints():
    assert str(Drovik.unit("km/hr").as_unit("m/s")) == "0.2777777777777778 [m/s]"


def test_target_value_is_ignored_and_its_unit_kept():
    km = Drovik.unit("km")
    assert km.as_unit(q(5, "m")).as_number() == 1000.0
    assert km.as_number(q(500, "m")) == 1000.0
    assert str(q(2, "rad").as_unit(5)) == "2 []"
    league = Drovik.custom("league", "lea", q(3, "mi"))
    assert str(q(4.828032, "km").as_unit(league)) == "1 [lea]"


@pytest.mark.parametrize(
    "source, target, message",
    [
        ("m", "s", "[m] and [s] are not compatible"),
        ("s", "m", "[s] and [m] are not compatible"),
        ("psi", "Pa", "[psi] and [Pa] are not compatible"),
        ("m", 5, "[m] and [] are not compatible"),
    ],
)
def test_incompatible_units(source, target, message):
    with pytest.raises(TypeError) as caught:
        Drovik.unit(source).as_unit(target)
    assert str(caught.value) == message
    assert not isinstance(caught.value, (KeyError, ValueError))


def test_as_unitless():
    assert q(180, "°").as_unitless() == 3.141592653589793
    assert q(3, "dB").as_unitless() == 3.0
    with pytest.raises(TypeError, match=r"^\[m\] and \[\] are not compatible$"):
        Drovik.unit("m").as_unitless()


def test_as_base_units_applies_no_offset():
    assert str(Drovik.unit("°C").as_base_units()) == "1 [K]"
    assert str(Drovik.unit("°C").as_unit("K")) == "274.15 [K]"
    assert str(q(36, "km/hr").as_base_units()) == "10 [m/s]"
    assert str(Drovik.unit("N").as_base_units()) == "1 [kg.m/s2]"
    assert Drovik.unit("N").as_base_units().descriptive() == "1 [kilogram.meter/second2]"


def test_round_trip_between_compatible_units():
    for source, target in [("km/hr", "mi/hr"), ("lbf", "N"), ("gal", "L"), ("BTU", "kWh")]:
        there = q(7.25, source).as_unit(target)
        back = there.as_unit(source).as_number()
        assert math.isclose(back, 7.25, rel_tol=1e-15)


TEMPERATURES = ["°C", "°F", "K"]


def scale_and_offset(unit):
    """The unit's scale and offset, read back through conversions to kelvin."""
    return Drovik.unit(unit).as_base_units().as_number(), -(q(0.0, unit).as_number("K"))


@pytest.mark.parametrize("source", TEMPERATURES)
@pytest.mark.parametrize("target", TEMPERATURES)
def test_offset_conversions_keep_their_order_of_operations(source, target):
    # (O + (v*s - o)) / S, in that order: another association changes the
    # last digits of some results (0.1 °C to °F).
    (s, o), (big_s, big_o) = scale_and_offset(source), scale_and_offset(target)
    for v in [0.1, -40.0, 21.5, 100.0, 1e-7, 451.0, -273.15, 98.6, 1e300, 5e-324, 37.7, 0.3]:
        assert q(v, source).as_number(target) == (big_o + (v * s - o)) / big_s, (v, source, target)
