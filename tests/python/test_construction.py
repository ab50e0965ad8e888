"""Making quantities: unit strings, constants, the empty quantity, custom units."""
import pytest

from drovik import Drovik


@pytest.mark.parametrize(
    "text, printed",
    [
        ("km", "1 [km]"),
        ("km/hr", "1 [km/hr]"),
        ("W/m2.K4", "1 [W/K4.m2]"),
        ("kg.m2/s2", "1 [kg.m2/s2]"),
        ("degree Celsius", "1 [°C]"),
        ("deg C/s", "1 [°C/s]"),
        ("/s", "1 [1/s]"),
        ("  m  ", "1 [m]"),
        ("\u2003m\u3000", "1 [m]"),
        ("km/h", "1 [km]"),
        ("micron", "1 [um]"),
        ("dalton", "1 [amu]"),
        ("kWh", "1 [kWh]"),
    ],
)
def test_unit_parses_expressions(text, printed):
    assert str(Drovik.unit(text)) == printed


@pytest.mark.parametrize("text", ["", "1", "foo", "m²", "m / s", "m/m", "m/s/s", "m0", "degC"])
def test_unit_names_the_whole_text_when_nothing_resolves(text):
    with pytest.raises(LookupError) as caught:
        Drovik.unit(text)
    assert str(caught.value) == f"Unit {text} not found"
    assert caught.value.args == (f"Unit {text} not found",)
    assert type(caught.value) is LookupError


@pytest.mark.parametrize(
    "name, printed",
    [
        ("light speed", "299792458 [m/s]"),
        ("c", "299792458 [m/s]"),
        ("speed of light", "299792458 [m/s]"),
        ("boltzmann", "0.00000000000000000000001380649 [J/K]"),
        ("N_A", "602214076000000000000000 [1/mol]"),
        ("gravitational constant", "0.000000000066743 [N.m2/kg2]"),
        ("earth gravity", "9.80665 [m/s2]"),
        ("faraday", "96485.33212331001 [C/mol]"),
        ("stefan boltzmann", "0.00000005670374419 [W/K4.m2]"),
        ("vacuum permeability", "0.00000125663706127 [N/A2]"),
    ],
)
def test_constants(name, printed):
    assert str(Drovik.constant(name)) == printed


@pytest.mark.parametrize("name", ["Planck", "C", " light speed", "no such constant", ""])
def test_unknown_constants(name):
    with pytest.raises(LookupError, match=f"^Constant {name} not found$"):
        Drovik.constant(name)


def test_empty_is_one_unitless():
    assert str(Drovik.empty()) == "1 []"
    assert Drovik.empty() == 1


def test_custom_units_take_their_scale_from_the_definition():
    league = Drovik.custom("league", "lea", Drovik.unit("mi") * 3)
    assert str(league) == "1 [lea]"
    assert league.descriptive() == "1 [league]"
    assert league.as_unit("km").as_number() == 4.828032
    assert str(Drovik.custom("yard3", "y3", Drovik.unit("ft") * 3).as_unit("m")) == "0.9144000000000001 [m]"
    assert Drovik.custom("big", "B", "km").as_unit("m").as_number() == 1000.0
    # An offset in the definition is dropped: one "warm" is one kelvin step.
    warm = Drovik.custom("warm", "w", "°C")
    assert warm.as_unit("K").as_number() == 1.0
    with pytest.raises(LookupError):
        Drovik.unit("lea")


def test_custom_unit_with_catalogue_fields_is_the_catalogue_unit():
    meter = Drovik.custom("meter", "m", 1)  # unitless: a different dimension
    assert str(meter * Drovik.unit("m")) == "1 [m.m]"
    same = Drovik.custom("meter", "m", "m")
    assert str(same * Drovik.unit("m")) == "1 [m2]"
