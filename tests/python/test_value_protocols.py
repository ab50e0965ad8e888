"""A quantity as a Python value: pickle in every protocol, copy, format()."""
import copy
import math
import operator
import pickle
import struct
import subprocess
import sys
from concurrent.futures import ProcessPoolExecutor

import pytest

from conftest import q
from drovik import Drovik

NAN_WITH_PAYLOAD = struct.unpack("<d", struct.pack("<Q", 0xFFF8_0000_DEAD_BEEF))[0]


def bits(value):
    return struct.pack("<d", value)


def quantities():
    league = Drovik.custom("league", "lea", "mi") * 3
    odd = Drovik.custom("odd", "o", float("nan"))
    return [
        q(12.5, "km/hr"), q(21.5, "°C"), q(-40, "°F"), q(1, "W/m2.K4"), Drovik.empty(),
        q(-0.0, "m"), q(math.inf, "s"), q(-math.inf, "kg"), q(NAN_WITH_PAYLOAD, "J"),
        Drovik.constant("speed of light"), league, league * Drovik.unit("km/s"),
        odd * odd * odd, q(3, "m") ** 0, q(2, "kPa").as_base_units(), q(1, "um") ** 0.5,
        Drovik.custom("Ω-ish", "Ω", "ohm"), Drovik.custom("meter", "m", 1),
        Drovik.custom("radian", "rad", Drovik.unit("1/s") ** 0),  # a -0.0 dimension
        q(1, "km.ft.lb"), q(1, "mm/km"), Drovik.unit("hr") ** -1 * Drovik.unit("km"),
        q(2, "min") * Drovik.custom("league", "lea", "mi"), q(1, "km") * "hr" / "hr",
    ]


@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
def test_pickling_restores_every_field_in_every_protocol(protocol):
    for original in quantities():
        loaded = pickle.loads(pickle.dumps(original, protocol))
        assert type(loaded) is Drovik
        # The saved state covers the value, every unit's fields and exponent,
        # and the cached dimensions and scale, all as 64-bit patterns.
        assert loaded.__reduce__() == original.__reduce__()
        assert bits(float(loaded)) == bits(float(original))
        assert str(loaded) == str(original)
        assert loaded.descriptive() == original.descriptive()
        assert str(loaded.as_base_units()) == str(original.as_base_units())


def test_loaded_quantities_compare_and_compute_like_the_originals():
    speed = pickle.loads(pickle.dumps(q(36, "km/hr")))
    assert speed == q(10, "m/s")
    assert str(speed + q(1, "m/s")) == "39.6 [km/hr]"
    league = Drovik.custom("league", "lea", "mi")
    assert pickle.loads(pickle.dumps(league)).as_number("mi") == 1.0
    # Every field of the catalogue's °C but its offset: still a unit of its own.
    celsius_without_offset = Drovik.custom("degree Celsius", "°C", "K") * 10
    assert pickle.loads(pickle.dumps(celsius_without_offset)).as_number("K") == 10.0


# Written by the first version that could pickle; every later version must load it.
SAVED_BY_VERSION_1 = (
    b"\x80\x02c__builtin__\ngetattr\nq\x00cdrovik\nDrovik\nq\x01X\x08\x00\x00\x00_restoreq\x02"
    b"\x86q\x03Rq\x04(K\x01\x8a\x08\x00\x00\x00\x00\x00\x005@(X\x0e\x00\x00\x00degree Celsiusq"
    b"\x05X\x03\x00\x00\x00\xc2\xb0Cq\x06\x8a\x08\x00\x00\x00\x00\x00\x00\xf0?\x8a\tfffff\x12q"
    b"\xc0\x00(K\x00K\x00K\x00\x8a\x08\x00\x00\x00\x00\x00\x00\xf0?K\x00K\x00K\x00K\x00tq\x07"
    b"\x8a\x08\x00\x00\x00\x00\x00\x00\xf0?tq\x08\x85q\t(K\x00K\x00K\x00\x8a\x08\x00\x00\x00"
    b"\x00\x00\x00\xf0?K\x00K\x00K\x00K\x00tq\n\x8a\x08\x00\x00\x00\x00\x00\x00\xf0?tq\x0b\x85q"
    b"\x0cRq\r."
)


def test_pickles_of_the_first_version_still_load():
    loaded = pickle.loads(SAVED_BY_VERSION_1)
    assert str(loaded) == "21 [°C]"
    assert loaded.as_number("K") == 294.15


def test_quantities_travel_to_worker_processes():
    sent = [q(v, "km/hr") for v in (36, 72, 90)]
    with ProcessPoolExecutor(max_workers=2) as pool:
        back = list(pool.map(operator.methodcaller("as_unit", "m/s"), sent, timeout=120))
    assert [str(b) for b in back] == ["10 [m/s]", "20 [m/s]", "25 [m/s]"]


def test_quantities_travel_through_a_dask_cluster():
    # Tried in a child first: a compiled dependency built for another
    # interpreter (psutil, borrowed by a free-threaded one) may crash on import.
    probe = subprocess.run([sys.executable, "-c", "import dask.bag, dask.distributed"],
                           capture_output=True)
    if probe.returncode != 0:
        pytest.skip("Dask distributed is not installed for this interpreter")
    import dask.bag as bag
    import dask.distributed as distributed

    sent = quantities()
    saved = lambda qs: [x.__reduce__()[1] for x in qs]  # every bit of every field
    to_base, doubled = operator.methodcaller("as_base_units"), [2.5] * len(sent)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        mapped = bag.from_sequence(sent, npartitions=2).map(to_base).compute()
        multiplied = client.gather(client.map(operator.mul, sent, doubled))
    assert saved(mapped) == saved(map(to_base, sent))
    assert saved(multiplied) == saved(map(operator.mul, sent, doubled))


GOOD_UNIT = ("meter", "m", 0x3FF0000000000000, 0, (0,) * 5 + (0x3FF0000000000000,) + (0, 0),
             0x3FF0000000000000)
GOOD_DIMENSIONS = GOOD_UNIT[4]
ONE = 0x3FF0000000000000


def state(*, version=1, value=ONE, units=(GOOD_UNIT,), dimensions=GOOD_DIMENSIONS, scale=ONE):
    return (version, value, units, dimensions, scale)


def test_a_hand_written_state_loads():
    assert str(Drovik._restore(state())) == "1 [m]"


@pytest.mark.parametrize(
    "bad, error",
    [
        (None, TypeError),
        ([1, ONE, (), GOOD_DIMENSIONS, ONE], TypeError),
        ((), ValueError),
        (state()[:4], ValueError),
        (state() + (0,), ValueError),
        (state(version=2), ValueError),
        (state(version=10**30), ValueError),
        (state(version="1"), TypeError),
        (state(version=True), TypeError),
        (state(value=1.0), TypeError),
        (state(value=-1), ValueError),
        (state(value=2**64), ValueError),
        (state(units=[GOOD_UNIT]), TypeError),
        (state(units=(GOOD_UNIT[:5],)), ValueError),
        (state(units=((b"meter",) + GOOD_UNIT[1:],)), TypeError),
        (state(units=(("meter", "\ud800") + GOOD_UNIT[2:],)), ValueError),
        (state(units=(GOOD_UNIT[:4] + ((0,) * 7,) + GOOD_UNIT[5:],)), ValueError),
        (state(units=(GOOD_UNIT[:4] + (list(GOOD_DIMENSIONS),) + GOOD_UNIT[5:],)), TypeError),
        (state(units=(GOOD_UNIT, GOOD_UNIT)), ValueError),
        (state(dimensions=GOOD_DIMENSIONS + (0,)), ValueError),
        (state(scale=None), TypeError),
    ],
)
def test_malformed_states_are_refused_cleanly(bad, error):
    with pytest.raises(error, match="^Drovik state: |surrogates not allowed"):
        Drovik._restore(bad)


def compact(unit, value=b"\0" * 8):
    return (value, unit)


def numbers(*doubles):
    return struct.pack("<%dd" % len(doubles), *doubles)


METRE = (0, 0, 0, 0, 0, 1.0, 0, 0)


@pytest.mark.parametrize(
    "args, error",
    [
        ((), TypeError),
        ((b"\0" * 8, "m", 1), TypeError),
        (compact("m", value=1.0), TypeError),
        (compact("m", value=b"\0" * 9), ValueError),
        (compact(None), TypeError),
        (compact("nothing here"), ValueError),
        (compact("\ud800"), ValueError),
        (compact((("m",),)), ValueError),
        (compact((["m"], numbers(*METRE, 1.0, 1.0))), TypeError),
        (compact((("m",), numbers(*METRE, 1.0))), ValueError),
        (compact((("nothing",), numbers(*METRE, 1.0, 1.0))), ValueError),
        (compact(((("meter", "m", b"\0"),), numbers(*METRE, 1.0, 1.0))), ValueError),
        (compact((("m", "m"), numbers(*METRE, 1.0, 1.0, 1.0))), ValueError),
        # caches that contradict the units
        (compact((("km",), numbers(*METRE, 5.0, 1.0))), ValueError),
        (compact((("km",), numbers(0, 0, 0, 0, 0, 2.0, 0, 0, 1000.0, 1.0))), ValueError),
        ((state(scale=struct.unpack("<Q", numbers(5.0))[0]),), ValueError),
        ((state(dimensions=(0,) * 8),), ValueError),
    ],
)
def test_malformed_compact_states_are_refused_cleanly(args, error):
    with pytest.raises(error):
        Drovik._restore(*args)


@pytest.mark.parametrize(
    "args, message",
    [
        (compact("m", value=b"\0" * 9), "the value must be 8 bytes, not 9"),
        (compact((("m",), numbers(*METRE, 1.0))), "the unit's numbers must be 80 bytes, not 72"),
        (compact((("m",),)), "the unit must have 2 items, not 1"),
        ((state(units=(GOOD_UNIT[:5],)),), "a unit must have 6 items, not 5"),
    ],
)
def test_size_errors_name_the_expected_size_then_the_given_one(args, message):
    with pytest.raises(ValueError) as caught:
        Drovik._restore(*args)
    assert str(caught.value) == "Drovik state: " + message


def test_a_list_of_quantities_in_one_unit_carries_the_unit_once():
    for unit in (Drovik.unit("km/hr"), Drovik.unit("kg.m/s2"),
                 Drovik.custom("league", "lea", "mi") / "s"):
        one = len(pickle.dumps([unit * 0.5], 5))
        many = len(pickle.dumps([unit * (i + 0.5) for i in range(1000)], 5))
        assert many - one <= 20 * 999, unit


def test_crafted_states_cost_memory_linear_in_their_size():
    # Run in a child, so that its peak memory is this load's alone.
    code = """
import pickle, resource, struct, time
from drovik import Drovik
def peak():
    return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss * 1024
ZERO, ONE = 0, 0x3FF0000000000000
DIMS = (0,) * 8
before = peak()
try:
    Drovik._restore((1, ONE, (None,) * 10**6, DIMS, ONE))
except TypeError:
    pass
else:
    raise SystemExit("a state of None units loaded")
name = "n" * 2**20
units = tuple((name, "s", ONE, i, DIMS, ONE) for i in range(200))
assert str(Drovik._restore((1, ONE, units, DIMS, ONE))).startswith("1 [s")
same = tuple((name, "s", ONE, ZERO, DIMS, ONE) for i in range(128))
try:
    Drovik._restore((1, ONE, same, DIMS, ONE))
except ValueError:
    pass
else:
    raise SystemExit("a unit listed twice loaded")
# One long symbol shared by 16,000 units: looked up in no catalogue.
start = time.process_time()
units = tuple(("n", name, struct.pack("<10d", 1, i, *DIMS)) for i in range(16000))
loaded = Drovik._restore(bytes(8), (units, bytes(64) + struct.pack("<d", 1.0) * 16001))
assert float(loaded) == 0.0
print(round(time.process_time() - start, 3))
# A long name shared by the units of 300 quantities, loaded and saved again:
# one copy in memory and in the new pickle.
league = Drovik.custom(name, "lea", "mi")
saved = pickle.dumps([league * i for i in range(300)])
again = pickle.dumps(pickle.loads(saved))
assert len(again) < 2 * len(saved) < 3 * len(name), (len(saved), len(again))
print((peak() - before) // 2**20)
"""
    child = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                           timeout=120)
    assert child.returncode == 0, child.stderr
    seconds, megabytes = child.stdout.split()
    assert float(seconds) < 5, f"16,000 units sharing a long symbol took {seconds} s to load"
    assert int(megabytes) <= 64, f"crafted states grew the peak by {megabytes} MB"


def test_copies_are_the_quantity_itself():
    speed = q(3, "m/s")
    assert copy.copy(speed) is speed
    assert copy.deepcopy(speed) is speed
    nested = copy.deepcopy({"v": [speed]})
    assert nested["v"][0] is speed


SPEED = q(12.3456, "km/hr")


@pytest.mark.parametrize(
    "spec, text",
    [
        ("", "12.3456 [km/hr]"),
        (".2f", "12.35 [km/hr]"),
        (".3e", "1.235e+01 [km/hr]"),
        ("10.1f", "      12.3 [km/hr]"),
        ("+g", "+12.3456 [km/hr]"),
        (".0%", "1235% [km/hr]"),
    ],
)
def test_format_applies_a_float_spec_to_the_value(spec, text):
    assert format(SPEED, spec) == text


def test_an_empty_spec_is_str():
    for quantity in quantities():
        assert f"{quantity}" == format(quantity, "") == str(quantity)
    assert f"{q(0.1, 'm') * 3:.1f}" == "0.3 [m]"


@pytest.mark.parametrize("spec", ["s", "d", "x", ".2q", ",_"])
def test_specs_a_float_rejects_raise_the_floats_error(spec):
    with pytest.raises(ValueError) as expected:
        format(12.3456, spec)
    with pytest.raises(ValueError) as caught:
        format(SPEED, spec)
    assert str(caught.value) == str(expected.value)


def test_format_takes_only_text_specs():
    with pytest.raises(TypeError, match="^__format__\\(\\) argument must be str, not int$"):
        SPEED.__format__(5)
