"""Times the same operations in drovik, pint and astropy.units, beside two
floors: the same-shaped operation on decimal.Decimal (a C-implemented
immutable number that allocates its result, as every library here must), and
_drovik_floor.Floor, the cheapest C type with drovik's call shapes (built for
the benchmarks only).

    ./dev bench [--quick] [--markdown FILE] [--baseline PATH]

Each statement is timed inline (timeit with a statement string, no lambda
call), by the thread's CPU time, with every library timed in turn within
each round, all in one process; a figure is the median over the rounds, in
nanoseconds per operation. --baseline names another build of the drovik
module (its .so file), timed beside this one as "before".
"""
import argparse
import datetime
import decimal
import importlib.util
import itertools
import os
import pickle
import platform
import statistics
import subprocess
import sys
import time
import timeit

import drovik
from drovik import Drovik

try:
    import pint
except ImportError:  # pragma: no cover - reported in the table
    pint = None
try:
    import astropy.units as u
except ImportError:  # pragma: no cover
    u = None
try:
    import _drovik_floor
except ImportError:  # pragma: no cover - built by ./dev bench
    _drovik_floor = None

# What each library's statements refer to.
SETUP = {
    "drovik": """
D = drovik.Drovik
kmh, ms = D.unit("km/hr"), D.unit("m/s")
km, m, s = D.unit("km"), D.unit("m") * 500, D.unit("s") * 3
celsius = D.unit("°C") * 100
xs = itertools.count(1.0, 0.001)
m201 = D.unit("m") * 201.168
fur = D.custom("furlong", "fur", m201)
kg = D.unit("kg")
powers = itertools.cycle([(a, b, c) for a in range(-6, 7) for b in range(-6, 7)
                          for c in range(-6, 7)])
""",
    "floor": """
F = _drovik_floor.Floor
f, f2 = F.unit("km/hr"), F.unit("m/s")
xs = itertools.count(1.0, 0.001)
""",
    "Decimal": """
dec = decimal.Decimal
d1, d2, factor = dec("1.5"), dec("2.25"), dec("0.2777777777777778")
""",
    "pint": """
ureg = pint.UnitRegistry()
Q = ureg.Quantity
p_kmh, p_ms_unit = Q(1, "km/hr"), ureg.Unit("m/s")
p_km, p_m, p_s = Q(1, "km"), Q(500, "m"), Q(3, "s")
p_c, p_degF = Q(100, ureg.degC), ureg.degF
""",
    "astropy": """
from astropy.units import imperial
a_kmh, a_ms = 1 * u.Unit("km/h"), u.m / u.s
a_km, a_m, a_s = 1 * u.km, 500 * u.m, 3 * u.s
a_c = 100 * u.deg_C
temperature = u.temperature()
""",
}

# label: statements for drovik, the floor, Decimal, pint and astropy.
ROWS = {
    '1. unit from "km/hr"': ('D.unit("km/hr")', 'F.unit("km/hr")', 'dec("1.5")',
                             'Q(1, "km/hr")', 'u.Quantity(1, "km/h")'),
    '2a. 1 km/hr to "m/s"': ('kmh.as_unit("m/s")', 'f.as_unit("m/s")', "d1 * factor",
                             'p_kmh.to("m/s")', 'a_kmh.to("m/s")'),
    "2b. 1 km/hr to a m/s quantity": ("kmh.as_unit(ms)", "f.as_unit(f2)", "d1 * factor",
                                      "p_kmh.to(p_ms_unit)", "a_kmh.to(a_ms)"),
    "3a. km + m": ("km + m", "f + f2", "d1 + d2", "p_km + p_m", "a_km + a_m"),
    "3b. km - m": ("km - m", "f - f2", "d1 - d2", "p_km - p_m", "a_km - a_m"),
    "4a. km * s": ("km * s", "f * f2", "d1 * d2", "p_km * p_s", "a_km * a_s"),
    "4b. km / s": ("km / s", "f / f2", "d1 / d2", "p_km / p_s", "a_km / a_s"),
    "5. q ** 2": ("km ** 2", "f ** 2", "d1 ** 2", "p_km ** 2", "a_km ** 2"),
    "6. km < m": ("km < m", "f < f2", "d1 < d2", "p_km < p_m", "a_km < a_m"),
    "7. str(q)": ("str(kmh)", "str(f)", "str(d1)", "str(p_kmh)", "str(a_kmh)"),
    '8. 100 °C to "°F"': ('celsius.as_unit("°F")', 'f.as_unit("°F")', "d1 * factor + d2",
                          "p_c.to(p_degF)",
                          "a_c.to(imperial.deg_F, equivalencies=temperature)"),
}
LIBRARIES = ("drovik", "floor", "Decimal", "pint", "astropy")

# Workloads that make a new distinct unit on every call: the interned table
# does not help them, so they show what it costs. drovik only, against a
# baseline build.
NEW_UNITS = {
    "km ** x, a new x each call": "km ** next(xs)",
    'Drovik.custom("furlong", "fur", ...)': 'D.custom("furlong", "fur", m201)',
    "fur * s (a custom unit)": "fur * s",
    "fur.as_unit(m)": "fur.as_unit(m)",
    "m**a * s**b * kg**c, a, b, c in -6..6 in turn": "a, b, c = next(powers); m**a * s**b * kg**c",
}

# A flood of the shared unit table through pickles: 8,192 saved states of
# "m" whose dimensions differ in the last bits, loaded before m is first
# used. A unit text longer than the per-thread memo keeps (one that parses to
# m, its unknown tail dropped) makes every call search the table.
FLOOD_PROGRAM = """
import struct, sys, time, timeit
from drovik import Drovik as D
if sys.argv[1] == "flood":
    for k in range(1, 8193):
        numbers = struct.pack("<10d", 0, 0, 0, 0, 0, 1.0 + k * 2.0**-52, 0, 0, 1.0, 1.0)
        D._restore(bytes(8), (("m",), numbers))
text = "m." + "x" * 60
number = 20000
print(min(timeit.repeat(lambda: D.unit(text), timer=time.thread_time, number=number,
                        repeat=7)) / number * 1e9)
"""


def flood_figures():
    """ns per un-memoised Drovik.unit("m...") without and with the flood, each
    in a child process of its own."""
    return [float(subprocess.run([sys.executable, "-c", FLOOD_PROGRAM, case], check=True,
                                 capture_output=True, text=True).stdout)
            for case in ("quiet", "flood")]


def load_build(path):
    """Another build of the drovik module, loaded from its file."""
    spec = importlib.util.spec_from_file_location("drovik", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


# The module each library's setup needs; decimal is always there.
SETUP_NEEDS = {"drovik": "drovik", "floor": "_drovik_floor", "pint": "pint", "astropy": "u",
               "Decimal": "decimal"}


def namespace(library, module=None):
    """The globals a library's statements run in, or None if it is missing."""
    names = {"drovik": module or drovik, "_drovik_floor": _drovik_floor, "pint": pint, "u": u,
             "decimal": decimal, "itertools": itertools}
    if names[SETUP_NEEDS[library]] is None:
        return None
    exec(SETUP[library], names)
    return names


def timer(statement, names, budget):
    """A calibrated (timer, number) for the statement, by thread CPU time, or
    None when its library is missing."""
    if names is None:
        return None
    calibrated = timeit.Timer(statement, timer=time.thread_time, globals=names)
    number, _ = calibrated.autorange()
    return calibrated, max(1, int(number * budget / 0.2))


def interleaved(cells, rounds):
    """Median ns per operation of each cell, timing every cell once per round."""
    samples = [[] for _ in cells]
    for _ in range(rounds):
        for cell, sample in zip(cells, samples):
            if cell is not None:
                timer, number = cell
                sample.append(timer.timeit(number) / number * 1e9)
    return [statistics.median(s) if s else None for s in samples]


def rss_per_quantity(make, count):
    """Resident memory added per live object, measured in a child process. The
    list that keeps them is allocated first, so its slots are not counted."""
    code = f"""
import gc, resource, sys
sys.path[:0] = {sys.path!r}
{make}
gc.collect()
def rss():
    with open('/proc/self/statm') as f:
        return int(f.read().split()[1]) * {os.sysconf('SC_PAGE_SIZE')}
keep = [None] * {count}
before = rss()
for i in range({count}):
    keep[i] = make(i)
print((rss() - before) / {count})
"""
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
    return float(out.stdout) if out.returncode == 0 else None


def memory_cases(baseline):
    """Label: (code defining make(i), for each of drovik, its baseline, pint,
    astropy and Decimal; None where it does not apply)."""
    now = "import drovik\n"
    before = (f"import importlib.util\nspec = importlib.util.spec_from_file_location("
              f"'drovik', {baseline!r})\ndrovik = importlib.util.module_from_spec(spec)\n"
              "spec.loader.exec_module(drovik)\n") if baseline else None
    pint_make = "import pint\nureg = pint.UnitRegistry()\nq = ureg.Quantity(1.0, {!r})\n"
    pint_make += "make = lambda i: q * float(i)"
    astropy_make = "import astropy.units as u\nq = 1.0 * u.Unit({!r})\nmake = lambda i: q * float(i)"
    cases = {}
    for label, unit, pint_unit in (("km", "km", "km"), ("kg.m/s2", "kg.m/s2", "kg*m/s**2")):
        make = f"q = drovik.Drovik.unit({unit!r})\nmake = lambda i: q * float(i)"
        cases[label] = (now + make, before and before + make, pint_make.format(pint_unit),
                        astropy_make.format(pint_unit.replace("**", "")),
                        "import decimal\nd = decimal.Decimal('1.5')\nmake = lambda i: d * i")
    make = ("D = drovik.Drovik\nq = D.custom('furlong', 'fur', D.unit('m') * 201.168)\n"
            "make = lambda i: q * float(i)")
    cases["a custom unit"] = (now + make, before and before + make, None, None, None)
    return cases


def pickle_figures():
    """Pickle size (protocol 5) of a list of 10,000 quantities in one unit, and
    CPU seconds of dumps and loads of 100,000 such quantities, drovik and pint
    (whose unit texts write "s2" as "s**2")."""
    rows = []
    Q = pint.get_application_registry().Quantity if pint is not None else None
    for unit in ("km/hr", "kg.m/s2"):
        made = {"drovik": lambda n, unit=unit: [Drovik.unit(unit) * float(i) for i in range(n)]}
        if Q is not None:
            made["pint"] = lambda n, unit=unit.replace("s2", "s**2"): [Q(float(i), unit)
                                                                       for i in range(n)]
        sizes = {name: len(pickle.dumps(make(10_000), 5)) for name, make in made.items()}
        seconds = {}
        for name, make in made.items():
            quantities = make(100_000)
            start = time.process_time()
            pickle.loads(pickle.dumps(quantities, 5))
            seconds[name] = time.process_time() - start
        rows.append((unit, sizes.get("drovik"), sizes.get("pint"), seconds.get("drovik"),
                     seconds.get("pint")))
    return rows


def cluster_seconds(count):
    """Wall seconds for `count` conversions of km/hr quantities to m/s on a
    local Dask cluster of two worker processes, drovik and pint: the
    quantities are made here, sent to the workers in eight pickled batches,
    converted there and sent back the same way. (Handing Dask the lists
    themselves costs 20 times more, in Dask's own handling of each element.)
    None for a library, or Dask, that is missing."""
    # A compiled dependency built for another interpreter may crash on import.
    probe = subprocess.run([sys.executable, "-c", "import dask.distributed"], capture_output=True)
    if probe.returncode != 0:
        return None, None
    from dask.distributed import Client, LocalCluster

    made = {"drovik": lambda: [Drovik.unit("km/hr") * float(i) for i in range(count)]}
    if pint is not None:
        Q = pint.get_application_registry().Quantity
        made["pint"] = lambda: [Q(float(i), "km/hr") for i in range(count)]
    convert = {"drovik": lambda qs: [q.as_unit("m/s") for q in qs],
               "pint": lambda qs: [q.to("m/s") for q in qs]}
    times = {}
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as client:
        for name, make in made.items():
            quantities, work = make(), convert[name]
            start = timeit.default_timer()
            batches = [pickle.dumps(quantities[i::8], 5) for i in range(8)]
            sent = client.scatter(batches, hash=False)
            done = client.map(lambda b: pickle.dumps(work(pickle.loads(b)), 5), sent, pure=False)
            back = [pickle.loads(b) for b in client.gather(done)]
            times[name] = timeit.default_timer() - start
            assert sum(map(len, back)) == count
    return times.get("drovik"), times.get("pint")


def fmt(x, digits=0):
    return "—" if x is None else f"{x:,.{digits}f}"


def ratio(a, b):
    return None if a is None or b is None else a / b


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true", help="fewer, shorter rounds")
    parser.add_argument("--markdown", help="also write the tables to this file")
    parser.add_argument("--baseline", help="another build of the drovik module to time beside")
    args = parser.parse_args()
    rounds, budget = (3, 0.02) if args.quick else (9, 0.1)
    baseline = load_build(args.baseline) if args.baseline else None

    names = {library: namespace(library) for library in LIBRARIES}
    before = namespace("drovik", baseline) if baseline else None
    cells = []
    for drovik_statement, *others in ROWS.values():
        cells.append(timer(drovik_statement, names["drovik"], budget))
        cells.append(timer(drovik_statement, before, budget))
        cells += [timer(s, names[library], budget) for library, s in zip(LIBRARIES[1:], others)]
    flat = interleaved(cells, rounds)
    width = len(LIBRARIES) + 1  # the baseline beside drovik
    results = [flat[i:i + width] for i in range(0, len(flat), width)]

    lines = [
        "| operation | drovik ns | before ns | floor ns | Decimal ns | pint ns | astropy ns "
        "| drovik/floor | drovik/Decimal | pint/drovik | astropy/drovik |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for label, (td, tb, tf, tdec, tp, ta) in zip(ROWS, results):
        lines.append(
            f"| {label} | {fmt(td)} | {fmt(tb)} | {fmt(tf)} | {fmt(tdec)} | {fmt(tp)} | "
            f"{fmt(ta)} | {fmt(ratio(td, tf), 2)}× | {fmt(ratio(td, tdec), 2)}× | "
            f"{fmt(ratio(tp, td), 0)}× | {fmt(ratio(ta, td), 0)}× |")
    print("\n".join(lines), flush=True)

    new_cells = []
    for statement in NEW_UNITS.values():
        new_cells += [timer(statement, names["drovik"], budget), timer(statement, before, budget)]
    flat = interleaved(new_cells, rounds)
    fresh = ["", "Workloads that make a new distinct unit on every call (ns):", "",
             "| workload | drovik ns | before ns | drovik/before |", "|---|---:|---:|---:|"]
    for label, now_ns, before_ns in zip(NEW_UNITS, flat[0::2], flat[1::2]):
        fresh.append(f"| {label} | {fmt(now_ns)} | {fmt(before_ns)} | "
                     f"{fmt(ratio(now_ns, before_ns), 2)}× |")
    before_flood, after_flood = flood_figures()
    fresh += ["", "The shared table flooded by 8,192 crafted pickles of m (ns per un-memoised "
              "unit lookup of m):", "", "| before the flood | after | after/before |",
              "|---:|---:|---:|",
              f"| {fmt(before_flood)} | {fmt(after_flood)} | "
              f"{fmt(ratio(after_flood, before_flood), 2)}× |"]
    print("\n".join(fresh), flush=True)

    count = 200_000 if args.quick else 1_000_000
    memory = ["", f"Memory per live quantity (RSS growth over {count:,} objects, bytes):", "",
              "| unit | drovik | before | pint | astropy | Decimal |",
              "|---|---:|---:|---:|---:|---:|"]
    for label, codes in memory_cases(args.baseline).items():
        figures = [rss_per_quantity(code, count) if code else None for code in codes]
        memory.append(f"| {label} | " + " | ".join(fmt(x) for x in figures) + " |")
    print("\n".join(memory), flush=True)

    pickles = ["", "Pickle (protocol 5): bytes for a list of 10,000 quantities; CPU seconds for "
               "dumps and loads of 100,000:", "",
               "| unit | drovik bytes | pint bytes | drovik s | pint s |",
               "|---|---:|---:|---:|---:|"]
    for unit, d_bytes, p_bytes, d_s, p_s in pickle_figures():
        pickles.append(f"| {unit} | {fmt(d_bytes)} | {fmt(p_bytes)} | {fmt(d_s, 3)} | "
                       f"{fmt(p_s, 3)} |")
    print("\n".join(pickles))

    conversions = 100_000 if args.quick else 1_000_000
    drovik_s, pint_s = cluster_seconds(conversions)
    cluster = ["", f"{conversions:,} conversions on a local Dask cluster of two worker processes "
               "(seconds, wall time, pickled batches sent both ways):", "",
               "| drovik s | pint s | pint/drovik |", "|---:|---:|---:|",
               f"| {fmt(drovik_s, 2)} | {fmt(pint_s, 2)} | {fmt(ratio(pint_s, drovik_s), 1)}× |"]
    print("\n".join(cluster))

    gil = getattr(sys, "_is_gil_enabled", lambda: True)()
    versions = [f"Python {platform.python_version()} (GIL {'enabled' if gil else 'disabled'})"]
    if pint is not None:
        versions.append(f"pint {pint.__version__}")
    if u is not None:
        import astropy
        versions.append(f"astropy {astropy.__version__}")
    header = [
        f"Run on {datetime.date.today().isoformat()}, {platform.machine()}, "
        f"{os.cpu_count()} cores, {', '.join(versions)}; median of {rounds} interleaved rounds.",
        "",
    ]
    if args.markdown:
        with open(args.markdown, "w", encoding="utf-8") as f:
            f.write("\n".join(header + lines + fresh + memory + pickles + cluster) + "\n")


if __name__ == "__main__":
    main()
