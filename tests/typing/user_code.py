"""Typed code as a user writes it; checked with mypy --strict against the stub
(tools/check_typing.sh) and run by the Python tests."""
import copy
import pickle
from typing import assert_type

from drovik import Drovik
from drovik_array import DrovikArray


def travel_time(distance_km: float, speed: Drovik) -> Drovik:
    return (Drovik.unit("km") * distance_km / speed).as_unit("hr")


def summary() -> list[str]:
    speed = Drovik.unit("km/hr") * 90
    assert_type(speed, Drovik)
    assert_type(speed.as_number("m/s"), float)
    assert_type(speed > "m/s", bool)
    assert_type(int(speed), int)
    assert_type(round(speed, 1), Drovik)
    assert_type(2 ** (Drovik.empty() * 3), Drovik)
    total = sum([Drovik.unit("m"), Drovik.unit("km")], Drovik.unit("m") * 0)
    saved: bytes = pickle.dumps(speed)
    loaded = pickle.loads(saved)
    assert isinstance(loaded, Drovik)
    gravity = Drovik.constant("earth gravity")
    league = Drovik.custom("league", "lea", "mi") * 3
    return [
        str(travel_time(180, speed)),
        f"{speed.as_unit('m/s'):.1f}",
        str(total),
        gravity.descriptive(),
        str(copy.deepcopy(league).as_unit("km").round_sfig(3)),
        str(speed.as_base_units()),
    ]



def readings_in_metres(readings_km: list[float]) -> list[str]:
    readings = DrovikArray(readings_km, "km")
    assert_type(readings.as_unit("m"), DrovikArray)
    assert_type(readings + Drovik.unit("m"), DrovikArray)
    assert_type(readings.shape, tuple[int, ...])
    assert_type(readings.sum(), Drovik)
    # A Drovik when no axis is left (a 1-d array along axis 0), as numpy gives a scalar.
    assert_type(readings.max(axis=0, keepdims=True), DrovikArray | Drovik)
    assert_type(readings.mean(keepdims=False), Drovik)
    assert_type(readings ** 2, DrovikArray)
    assert_type(round(readings, 1), DrovikArray)
    assert_type(readings.round_sfig(2), DrovikArray)
    return [str(readings.as_unit("m")), str(2.0 * readings), readings.unit]


if __name__ == "__main__":
    print("\n".join(summary()))
