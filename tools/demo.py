"""A short tour of drovik: conversions, arithmetic with units, temperatures,
printing in symbols and in names, and an array of many values."""
from drovik import Drovik
from drovik_array import DrovikArray

speed = Drovik.unit("km/hr") * 90
print(f"{speed} is {speed.as_unit('m/s')}, or {speed.as_unit('mi/hr')}")

boiling = Drovik.unit("°C") * 100
print(f"water boils at {boiling} = {boiling.as_unit('K')} = {boiling.as_unit('°F')}")
print("  (212.004, not 212: the catalogue's °F offset is -255.37 K, the exact one -255.3722 K;"
      " docs/guide.md lists where the catalogue departs from SI and NIST)")

g = Drovik.constant("earth gravity")
fall = g * Drovik.unit("s") ** 2 * 0.5
print(f"in one second a stone falls {fall.as_base_units()}")

energy = Drovik.unit("kWh") * 1.5
print(f"{energy} = {energy.as_unit('J')}; descriptive: {energy.descriptive()}")

c = Drovik.constant("c")
print(f"light: {c} = {c.as_unit('ly/y').round_sfig(3)}")

try:
    Drovik.unit("m").as_unit("s")
except TypeError as error:
    print(f"1 [m] in s: TypeError, as expected: {error}")

readings = DrovikArray(  # many values in one unit
    [[36.0, 72.0, 90.0], [108.0, 18.0, 54.0]], "km/hr")
print(f"readings in m/s:\n{readings.as_unit('m/s')}")
print(f"fastest per column: {readings.max(axis=0)}; over 20 m/s: "
      f"{(readings > Drovik.unit('m/s') * 20).tolist()}")
