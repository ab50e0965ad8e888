"""Times the same operations in drovik, pint and astropy.units, beside a floor
made of the same-shaped operation on decimal.Decimal (a C-implemented immutable
number that allocates its result, as every library here must).

    ./dev bench [--quick] [--markdown FILE]

Each figure is the median over several repeats of a timeit loop, in
nanoseconds per operation, all in one process.
"""
import argparse
import datetime
import decimal
import os
import pickle
import platform
import statistics
import subprocess
import sys
import time
import timeit

from drovik import Drovik

try:
    import pint
except ImportError:  # pragma: no cover - reported in the table
    pint = None
try:
    import astropy.units as u
except ImportError:  # pragma: no cover
    u = None


def cases():
    """Rows: (label, drovik, pint, astropy, decimal), each a zero-argument
    callable, or None where a library is missing."""
    D = Drovik
    kmh, ms = D.unit("km/hr"), D.unit("m/s")
    km, m = D.unit("km"), D.unit("m") * 500
    s = D.unit("s") * 3
    celsius = D.unit("°C") * 100

    dec = decimal.Decimal
    d1, d2, factor = dec("1.5"), dec("2.25"), dec("0.2777777777777778")

    rows = {
        "1. unit from \"km/hr\"": [lambda: D.unit("km/hr")],
        "2a. 1 km/hr to \"m/s\"": [lambda: kmh.as_unit("m/s")],
        "2b. 1 km/hr to a m/s quantity": [lambda: kmh.as_unit(ms)],
        "3a. km + m": [lambda: km + m],
        "3b. km - m": [lambda: km - m],
        "4a. km * s": [lambda: km * s],
        "4b. km / s": [lambda: km / s],
        "5. q ** 2": [lambda: km**2],
        "6. km < m": [lambda: km < m],
        "7. str(q)": [lambda: str(kmh)],
        "8. 100 °C to °F": [lambda: celsius.as_unit("°F")],
    }
    if pint is not None:
        ureg = pint.UnitRegistry()
        Q = ureg.Quantity
        p_kmh, p_ms_unit = Q(1, "km/hr"), ureg.Unit("m/s")
        p_km, p_m, p_s = Q(1, "km"), Q(500, "m"), Q(3, "s")
        p_c, p_degF = Q(100, ureg.degC), ureg.degF
        pint_ops = [
            lambda: Q(1, "km/hr"), lambda: p_kmh.to("m/s"), lambda: p_kmh.to(p_ms_unit),
            lambda: p_km + p_m, lambda: p_km - p_m, lambda: p_km * p_s, lambda: p_km / p_s,
            lambda: p_km**2, lambda: p_km < p_m, lambda: str(p_kmh), lambda: p_c.to(p_degF),
        ]
    else:
        pint_ops = [None] * 11
    if u is not None:
        a_kmh, a_ms = 1 * u.Unit("km/h"), u.m / u.s
        a_km, a_m, a_s = 1 * u.km, 500 * u.m, 3 * u.s
        from astropy.units import imperial

        a_c = 100 * u.deg_C
        temperature = u.temperature()
        astropy_ops = [
            lambda: u.Quantity(1, "km/h"), lambda: a_kmh.to("m/s"), lambda: a_kmh.to(a_ms),
            lambda: a_km + a_m, lambda: a_km - a_m, lambda: a_km * a_s, lambda: a_km / a_s,
            lambda: a_km**2, lambda: a_km < a_m, lambda: str(a_kmh),
            lambda: a_c.to(imperial.deg_F, equivalencies=temperature),
        ]
    else:
        astropy_ops = [None] * 11
    decimal_ops = [
        lambda: dec("1.5"), lambda: d1 * factor, lambda: d1 * factor, lambda: d1 + d2,
        lambda: d1 - d2, lambda: d1 * d2, lambda: d1 / d2, lambda: d1**2, lambda: d1 < d2,
        lambda: str(d1), lambda: d1 * factor + d2,
    ]
    for (label, ops), p, a, dd in zip(rows.items(), pint_ops, astropy_ops, decimal_ops):
        yield label, ops[0], p, a, dd


def time_ns(function, repeats, budget):
    """Median nanoseconds per call over `repeats` timeit runs of ~`budget` s."""
    if function is None:
        return None
    timer = timeit.Timer(function)
    number, _ = timer.autorange()
    number = max(1, int(number * budget / 0.2))
    runs = timer.repeat(repeat=repeats, number=number)
    return statistics.median(runs) / number * 1e9


def rss_per_quantity(make, count):
    """Resident memory added per live object, measured in a child process."""
    code = f"""
import gc, resource, sys
sys.path[:0] = {sys.path!r}
{make}
gc.collect()
def rss():
    with open('/proc/self/statm') as f:
        return int(f.read().split()[1]) * {os.sysconf('SC_PAGE_SIZE')}
before = rss()
keep = [make(i) for i in range({count})]
print((rss() - before) / {count})
"""
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
    return float(out.stdout) if out.returncode == 0 else None


MEMORY = {
    "drovik": "from drovik import Drovik\nkm = Drovik.unit('km')\nmake = lambda i: km * float(i)",
    "pint": "import pint\nureg = pint.UnitRegistry()\nkm = ureg.Quantity(1.0, 'km')\nmake = lambda i: km * float(i)",
    "astropy": "import astropy.units as u\nkm = 1.0 * u.km\nmake = lambda i: km * float(i)",
    "Decimal": "import decimal\nd = decimal.Decimal('1.5')\nmake = lambda i: d * i",
}


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
    parser.add_argument("--quick", action="store_true", help="fewer, shorter repeats")
    parser.add_argument("--markdown", help="also write the table to this file")
    args = parser.parse_args()
    repeats, budget = (3, 0.05) if args.quick else (7, 0.2)

    lines = [
        "| operation | drovik ns | pint ns | astropy ns | Decimal ns | pint/drovik | astropy/drovik | drovik/Decimal |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
    ]
    for label, d, p, a, dd in cases():
        td, tp, ta, tdec = (time_ns(f, repeats, budget) for f in (d, p, a, dd))
        lines.append(
            f"| {label} | {fmt(td)} | {fmt(tp)} | {fmt(ta)} | {fmt(tdec)} | "
            f"{fmt(ratio(tp, td), 0)}× | {fmt(ratio(ta, td), 0)}× | {fmt(ratio(td, tdec), 2)}× |"
        )
        print(lines[-1], flush=True)

    count = 200_000 if args.quick else 1_000_000
    memory = ["", f"Memory per live quantity (RSS growth over {count:,} objects, bytes):", "",
              "| drovik | pint | astropy | Decimal |", "|---:|---:|---:|---:|"]
    memory.append("| " + " | ".join(fmt(rss_per_quantity(MEMORY[k], count)) for k in MEMORY) + " |")
    print("\n".join(memory))

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

    versions = [f"Python {platform.python_version()}"]
    if pint is not None:
        versions.append(f"pint {pint.__version__}")
    if u is not None:
        import astropy
        versions.append(f"astropy {astropy.__version__}")
    header = [
        f"Run on {datetime.date.today().isoformat()}, {platform.machine()}, "
        f"{os.cpu_count()} cores, {', '.join(versions)}.", "",
    ]
    if args.markdown:
        with open(args.markdown, "w", encoding="utf-8") as f:
            f.write("\n".join(header + lines + memory + pickles + cluster) + "\n")


if __name__ == "__main__":
    main()
