"""DrovikArray beside numpy (the floor: plain doubles), pint and astropy.

Large rows time 10^6 values (ns per value); small rows time 10 values made
and converted (µs per call). Every cell is the median over interleaved rounds
of a timeit loop of the statement, by the thread's CPU time, all in one
process. Run by `./dev bench` after the scalar tables; without numpy (the
free-threaded interpreter here) only the memory and thread rows run.
"""
import argparse
import gc
import statistics
import subprocess
import sys
import threading
import time

from compare_libraries import interleaved, timer
from drovik import Drovik
from drovik_array import DrovikArray

try:
    import numpy as np
except ImportError:  # pragma: no cover - reported below
    np = None
try:
    import pint
except ImportError:  # pragma: no cover
    pint = None
try:
    import astropy.units as u
except ImportError:  # pragma: no cover
    u = None

SETUP = """
rng = np.random.default_rng(1)
v, w = rng.random(N) * 100, rng.random(N) * 100
small = np.arange(10.0)
factor = Drovik.unit("km/hr").as_number("m/s")
kmh, celsius = DrovikArray(v, "km/hr"), DrovikArray(v, "°C")
km, m = DrovikArray(v, "km"), DrovikArray(w, "m")
if pint is not None:
    ureg = pint.UnitRegistry()
    Q = ureg.Quantity
    p_km, p_m = Q(v, "km"), Q(w, "m")
if u is not None:
    a_km, a_m = v * u.km, w * u.m
    from astropy.units import imperial
    temperature = u.temperature()
"""

# label: (numpy, drovik, pint, astropy, goal as drovik/numpy at most)
LARGE = {
    "km/hr to m/s": ("v * factor", 'kmh.as_number("m/s")', 'Q(v, "km/hr").to("m/s").magnitude',
                     "(v * u.km / u.hour).to(u.m / u.s).value", 1.3),
    "°C to °F": ("v * 1.8 + 32", 'celsius.as_number("°F")', 'Q(v, "degC").to("degF").magnitude',
                 "(v * u.deg_C).to(imperial.deg_F, equivalencies=temperature).value", 1.3),
    "a + b (km + m)": ("v + w", "km + m", "p_km + p_m", "a_km + a_m", 1.3),
    "a * b (km * m)": ("v * w", "km * m", "p_km * p_m", "a_km * a_m", 1.3),
    "sum": ("v.sum()", "km.sum()", "p_km.sum()", "a_km.sum()", 1.5),
    "mean": ("v.mean()", "km.mean()", "p_km.mean()", "a_km.mean()", 1.5),
    "making one from float64": ("v.copy()", 'DrovikArray(v, "km/hr")', 'Q(v.copy(), "km/hr")',
                                "u.Quantity(v, u.km / u.hour)", 1.3),
}
SMALL = ('DrovikArray(small, "km/hr").as_number("m/s")', 'Q(small, "km/hr").to("m/s").magnitude',
         "(small * u.km / u.hour).to(u.m / u.s).value")


# Layouts and reductions beyond flat arrays: label, numpy, drovik, goal.
LAYOUT_SETUP = """
rng = np.random.default_rng(2)
def pair(sa, sb):
    x, y = rng.random(sa) * 100, rng.random(sb) * 100
    return x, y, DrovikArray(x, "km"), DrovikArray(y, "m")
x1, y1, a1, b1 = pair((300000, 3), (300000, 3))
x2, y2, a2, b2 = pair((500000, 2), (500000, 2))
x3, y3, a3, b3 = pair((3, 300000), (3, 300000))
x4, y4, a4, b4 = pair((300000, 3), (3,))
x5, y5, a5, b5 = pair((1000, 1), (1, 1000))
s1, s2 = rng.random((3, 300000)), rng.random((2000, 2000))
s3 = rng.random((300000, 3))
d1, d2, d3 = DrovikArray(s1, "m"), DrovikArray(s2, "m"), DrovikArray(s3, "m")
x6, y6, a6, b6 = pair((1000, 1000), (1000, 1000))
x7, y7, a7, b7 = pair(2 * 10**6, 10**6)
q_half = Drovik.unit("m") * 0.5
big = rng.random(10**7)
d_big = DrovikArray(big, "m")
"""
LAYOUTS = {
    "a + b, (300000, 3)": ("x1 + y1", "a1 + b1", 1.3),
    "a + b, (500000, 2)": ("x2 + y2", "a2 + b2", 1.3),
    "a + b, (3, 300000)": ("x3 + y3", "a3 + b3", 1.3),
    "a + b, (300000, 3) with (3,)": ("x4 + y4", "a4 + b4", 1.3),
    "a + b, (1000, 1) with (1, 1000)": ("x5 + y5", "a5 + b5", 1.3),
    "sum(axis=0), (3, 300000)": ("s1.sum(axis=0)", "d1.sum(axis=0)", 1.5),
    "sum(axis=1), (3, 300000)": ("s1.sum(axis=1)", "d1.sum(axis=1)", 1.5),
    "sum(axis=0), (2000, 2000)": ("s2.sum(axis=0)", "d2.sum(axis=0)", 1.5),
    "sum(axis=1), (2000, 2000)": ("s2.sum(axis=1)", "d2.sum(axis=1)", 1.5),
    "sum(axis=0), (300000, 3)": ("s3.sum(axis=0)", "d3.sum(axis=0)", 1.5),
    "sum(axis=1), (300000, 3)": ("s3.sum(axis=1)", "d3.sum(axis=1)", 1.5),
    "max(axis=0), (2000, 2000)": ("s2.max(axis=0)", "d2.max(axis=0)", 1.5),
    "a + b, a transposed (1000, 1000)": ("x6.T + y6", "a6.T + b6", 1.3),
    "a + b, a = v[::2] of 2·10^6": ("x7[::2] + y7", "a7[::2] + b7", 1.3),
    "a.T + b.T, (1000, 1000)": ("x6.T + y6.T", "a6.T + b6.T", 1.3),
    "sum(axis=0), transposed (2000, 2000)": ("s2.T.sum(axis=0)", "d2.T.sum(axis=0)", 1.5),
    "v[::2] of 10^7 (a view)": ("big[::2]", "d_big[::2]", "2 µs"),
    "v[10:-10] of 10^7": ("big[10:-10]", "d_big[10:-10]", "2 µs"),
    "v.reshape(1000, -1) of 10^7": ("big.reshape(1000, -1)", "d_big.reshape(1000, -1)", "2 µs"),
    "v.reshape(1000, -1).T of 10^7": ("big.reshape(1000, -1).T", "d_big.reshape(1000, -1).T",
                                     "2 µs"),
    "ndarray * q, 10^6": ("y7 * 0.5", "y7 * q_half", 1.3),
    "numpy.concatenate([a, a]), 10^6 each": ("np.concatenate([y7, y7])",
                                             "np.concatenate([b7, b7])", 1.3),
    "numpy.median(a), 10^6": ("np.median(y7)", "np.median(b7)", 1.3),
    "numpy.flip(a), 10^6 (a view)": ("np.flip(y7)", "np.flip(b7)", "2 µs"),
}

# The same chain of operations on a million values, each in a fresh process:
# CPU ms and minor page faults of the chain alone.
PIPELINE = {
    "numpy": ("", "((v * (1000 / 3600)) * 2.0 + w * 0.001).sum()"),
    "drovik": ('a, b = DrovikArray(v, "km/hr"), DrovikArray(w, "mm/s")',
               '(a.as_unit("m/s") * 2.0 + b).sum()'),
}
PIPELINE_CODE = """
import resource, sys, time
sys.path[:0] = {path!r}
import numpy as np
from drovik_array import DrovikArray
v = np.random.default_rng(1).random(10**6) * 100
w = v.copy()
{setup}
faults = resource.getrusage(resource.RUSAGE_SELF).ru_minflt
began = time.thread_time()
{chain}
spent = time.thread_time() - began
print(spent * 1e3, resource.getrusage(resource.RUSAGE_SELF).ru_minflt - faults)
"""


def layout_table(rounds, budget):
    names = {"np": np, "DrovikArray": DrovikArray, "Drovik": Drovik}
    exec(LAYOUT_SETUP, names)
    cells = [timer(s, names, budget) for row in LAYOUTS.values() for s in row[:2]]
    flat = interleaved(cells, rounds)
    lines = ["", "Layouts and reductions, µs per call (km + m for drovik, plain + for numpy):", "",
             "| operation | numpy | drovik | drovik/numpy | goal |", "|---|---:|---:|---:|---|"]
    for k, (label, row) in enumerate(LAYOUTS.items()):
        n, d = flat[2 * k] / 1e3, flat[2 * k + 1] / 1e3
        # A goal is a ratio to numpy, or a time of its own ("2 µs").
        within = d <= float(row[2].split()[0]) if isinstance(row[2], str) else d / n <= row[2]
        goal = row[2] if isinstance(row[2], str) else f"{row[2]}×"
        lines.append(f"| {label} | {fmt(n, 2)} | {fmt(d, 2)} | {d / n:.2f}× | ≤ {goal} "
                     f"{'met' if within else 'MISSED'} |")
    return lines


def pipeline_table(rounds):
    # A fresh process now and then waits for the kernel (huge pages): take 7 at least.
    rounds = max(rounds, 7)
    samples = {name: [] for name in PIPELINE}
    for _ in range(rounds):
        for name, (setup, chain) in PIPELINE.items():
            code = PIPELINE_CODE.format(path=sys.path, setup=setup, chain=chain)
            done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                                  check=True)
            spent, faults = done.stdout.split()
            samples[name].append((float(spent), int(faults)))
    (n, nf), (d, df) = ((statistics.median(x[0] for x in samples[k]),
                         statistics.median(x[1] for x in samples[k])) for k in PIPELINE)
    return ["", "Convert, scale, add and sum a million values in a fresh process (median of "
            f"{rounds} processes):", "",
            "| numpy ms | drovik ms | drovik/numpy | numpy faults | drovik faults | goal |",
            "|---:|---:|---:|---:|---:|---|",
            f"| {n:.2f} | {d:.2f} | {d / n:.2f}× | {nf:,.0f} | {df:,.0f} | ≤ 1.3× "
            f"{'met' if d / n <= 1.3 else 'MISSED'} |"]


def fmt(x, digits=2):
    return "—" if x is None else f"{x:,.{digits}f}"


def speed_tables(rounds, budget, n):
    names = {"np": np, "pint": pint, "u": u, "Drovik": Drovik, "DrovikArray": DrovikArray, "N": n}
    exec(SETUP, names)
    available = (True, True, pint is not None, u is not None)
    cells = [timer(s, names, budget) if ok else None
             for row in LARGE.values() for s, ok in zip(row[:4], available)]
    cells += [timer(s, names, budget) if ok else None for s, ok in zip(SMALL, available[1:])]
    flat = interleaved(cells, rounds)  # ns per call
    lines = [f"{n:,} values, ns per value:", "",
             "| operation | numpy | drovik | pint | astropy | drovik/numpy | goal "
             "| pint/drovik | astropy/drovik |", "|---|---:|---:|---:|---:|---:|---:|---:|---:|"]
    for k, (label, row) in enumerate(LARGE.items()):
        t = [None if x is None else x / n for x in flat[4 * k:4 * k + 4]]
        ratio = t[1] / t[0]
        lines.append(f"| {label} | {fmt(t[0])} | {fmt(t[1])} | {fmt(t[2])} | {fmt(t[3])} | "
                     f"{ratio:.2f}× | ≤ {row[4]}× {'met' if ratio <= row[4] else 'MISSED'} | "
                     f"{fmt(t[2] and t[2] / t[1], 1)}× | {fmt(t[3] and t[3] / t[1], 1)}× |")
    d, p, a = (None if x is None else x / 1e3 for x in flat[-3:])
    lines += ["", "10 values made and converted (km/hr to m/s), µs per call:", "",
              "| drovik | pint | astropy | pint/drovik | astropy/drovik | goal |",
              "|---:|---:|---:|---:|---:|---|",
              f"| {fmt(d)} | {fmt(p)} | {fmt(a)} | {fmt(p and p / d, 1)}× | "
              f"{fmt(a and a / d, 1)}× | ≥ 20× both |"]
    return lines


def memory_table(count=100_000, values=16):
    """Bytes per array beyond 8 per value: RSS growth over many live arrays,
    and what sys.getsizeof reports."""
    def rss():
        with open("/proc/self/statm") as f:
            return int(f.read().split()[1]) * 4096

    row = [float(i) for i in range(values)]
    keep = [None] * count
    gc.collect()
    before = rss()
    for i in range(count):
        keep[i] = DrovikArray(row, "km/hr")
    grown = (rss() - before) / count - 8 * values
    reported = sys.getsizeof(keep[0]) - 8 * values
    return ["", f"Memory beyond 8 bytes per value, {count:,} live arrays of {values} values "
            "(bytes per array):", "", "| RSS growth | sys.getsizeof | goal |", "|---:|---:|---|",
            f"| {grown:,.0f} | {reported:,.0f} | ≤ 256 |"]


def thread_table(rounds, iterations=2_000, values=10_000):
    """CPU per converted value with two threads over that with one: each thread
    converting its own array (in cache), and each converting views (every other
    value, made anew each time) of one array both share."""
    def cost(threads, shared):
        arrays = [DrovikArray([float(i) for i in range(values)], "km/hr") for _ in range(threads)]
        one_array = DrovikArray([float(i) for i in range(2 * values)], "km/hr")
        cpu = [0.0] * threads
        barrier = threading.Barrier(threads)

        def run(k):
            barrier.wait()
            began = time.thread_time()
            if shared:
                for _ in range(iterations):
                    one_array[k::2].as_unit("m/s")
            else:
                for _ in range(iterations):
                    arrays[k].as_unit("m/s")
            cpu[k] = time.thread_time() - began

        workers = [threading.Thread(target=run, args=(k,)) for k in range(threads)]
        for t in workers:
            t.start()
        for t in workers:
            t.join()
        return sum(cpu) / (threads * iterations * values)

    gil = getattr(sys, "_is_gil_enabled", lambda: True)()
    lines = ["", f"Threads converting {values:,} values at a time (GIL "
             f"{'enabled' if gil else 'disabled'}), CPU ns per value:", "",
             "| work | 1 thread | 2 threads | 2/1 | goal (free-threaded) |",
             "|---|---:|---:|---:|---|"]
    for label, shared in [("each its own array", False), ("views of one shared array", True)]:
        one, two = float("inf"), float("inf")
        for _ in range(rounds):
            one, two = min(one, cost(1, shared)), min(two, cost(2, shared))
        lines.append(f"| {label} | {one * 1e9:.3f} | {two * 1e9:.3f} | {two / one:.2f}× | "
                     "≤ 1.05× |")
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="fewer, shorter rounds")
    parser.add_argument("--markdown", help="also append the tables to this file")
    args, _ = parser.parse_known_args()
    rounds, budget = (3, 0.05) if args.quick else (9, 0.2)
    # Memory first, before the large rows leave freed pages behind to reuse.
    memory = memory_table()
    lines = ["", "## Arrays: DrovikArray beside numpy, pint and astropy", ""]
    if np is None:
        lines.append("numpy is not installed for this interpreter: no speed rows.")
    else:
        lines += speed_tables(rounds, budget, 10**6)
        lines += layout_table(rounds, budget) + pipeline_table(rounds)
    lines += memory + thread_table(rounds)
    print("\n".join(lines), flush=True)
    if args.markdown:
        with open(args.markdown, "a", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
