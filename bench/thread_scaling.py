"""Throughput with 1, 2 and 4 threads, as a ratio of the 1-thread figure.

Each row runs the same loop body in every thread for a fixed number of
iterations; throughput is all iterations over the wall time, best of a few
rounds. On an interpreter with the GIL the ratios stay near 1; on the
free-threaded build a row that scales reaches about the number of cores. The
last column, CPU time per operation with 2 threads over that with 1, shows
contention alone (1.00x: none), whatever else the machine is doing.

    ./dev scaling                       # the interpreter ./dev picks
    DROVIK_PYTHON=python3.14t ./dev scaling
    ./dev scaling --baseline PATH       # also another build of the module, interleaved
"""
import argparse
import decimal
import importlib.util
import itertools
import sys
import threading
import time

from drovik import Drovik

try:
    import _drovik_floor
except ImportError:  # pragma: no cover - built by ./dev scaling
    _drovik_floor = None


def private_quantities():
    kmh, ms = Drovik.unit("km/hr") * 12.5, Drovik.unit("m/s")
    km, m = Drovik.unit("km"), Drovik.unit("m")

    def body():
        kmh.as_unit(ms)
        km + m
        str(kmh)

    return body


SHARED = {}  # per build of the module: the same four quantities for every thread


def shared_quantities():
    if Drovik not in SHARED:
        SHARED[Drovik] = (Drovik.unit("km/hr") * 12.5, Drovik.unit("m/s"), Drovik.unit("km"),
                          Drovik.unit("m"))
    kmh, ms, km, m = SHARED[Drovik]

    def body():
        kmh.as_unit(ms)
        km + m
        str(kmh)

    return body


SHARED_DECIMALS = (decimal.Decimal("12.5"), decimal.Decimal("3.6"), decimal.Decimal("1000"),
                   decimal.Decimal("1"))


def shared_decimals():
    kmh, ms, km, m = SHARED_DECIMALS

    def body():
        kmh / ms
        km + m
        str(kmh)

    return body


def parse_and_convert():
    def body():
        Drovik.unit("km/hr").as_unit("m/s")

    return body


def parse_and_convert_bound():
    unit = Drovik.unit  # bound once: saves binding the class method per call

    def body():
        unit("km/hr").as_unit("m/s")

    return body


def new_unit_each_call():
    km, xs = Drovik.unit("km"), itertools.count(1.0, 1e-6)

    def body():
        km ** next(xs)

    return body


def custom_unit_each_call():
    m = Drovik.unit("m") * 201.168
    s = Drovik.unit("s")
    custom = Drovik.custom  # bound once, as in the row above

    def body():
        custom("furlong", "fur", m) / s

    return body


SHARED_FLOOR = []


def floor_shared_objects():
    if not SHARED_FLOOR:
        SHARED_FLOOR.extend([_drovik_floor.Floor.unit("km/hr"), _drovik_floor.Floor.unit("m/s")])
    f, f2 = SHARED_FLOOR

    def body():
        f.as_unit(f2)
        f + f2
        str(f)

    return body


def floor_class_method():
    floor = _drovik_floor.Floor

    def body():
        floor.unit("km/hr")

    return body


def pure_python():
    def body():
        total = 0
        for i in range(8):
            total += i * i

    return body


def float_operations():
    kmh, ms, km, m = 12.5, 1.0, 1000.0, 1.0

    def body():
        kmh / ms
        km + m
        str(kmh)

    return body


ROWS = [
    ("private quantities: as_unit, +, str", private_quantities),
    ("shared quantities: as_unit, +, str", shared_quantities),
    ('Drovik.unit("km/hr").as_unit("m/s")', parse_and_convert),
    ("the same, Drovik.unit bound to a local", parse_and_convert_bound),
    ("a new unit each call: km ** x", new_unit_each_call),
    ("a new custom unit each call, divided by s", custom_unit_each_call),
    ("reference: class method of a minimal C type", floor_class_method),
    ("reference: shared objects of a minimal C type, same calls", floor_shared_objects),
    ("reference: pure-Python loop", pure_python),
    ("reference: float /, +, str", float_operations),
    ("reference: shared Decimals /, +, str", shared_decimals),
]


def measure(make_body, threads, iterations):
    """(operations per wall-clock second, CPU seconds per operation)."""
    bodies = [make_body() for _ in range(threads)]
    start = threading.Barrier(threads + 1)
    cpu = [0.0] * threads

    def run(index, body):
        start.wait()
        began = time.thread_time()
        for _ in range(iterations):
            body()
        cpu[index] = time.thread_time() - began

    workers = [threading.Thread(target=run, args=(i, b)) for i, b in enumerate(bodies)]
    for w in workers:
        w.start()
    start.wait()
    began = time.perf_counter()
    for w in workers:
        w.join()
    operations = threads * iterations
    return operations / (time.perf_counter() - began), sum(cpu) / operations


def load_build(path):
    """The Drovik class of another build of the module, loaded from its file."""
    spec = importlib.util.spec_from_file_location("drovik", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module.Drovik


def main():
    global Drovik
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--iterations", type=int, default=100_000)
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--markdown", action="store_true", help="print a Markdown table")
    parser.add_argument("--only", default="", help="run only the rows whose name holds this text")
    parser.add_argument("--baseline", help="another build of the drovik module (.so) to run too")
    args = parser.parse_args()
    gil = getattr(sys, "_is_gil_enabled", lambda: True)()
    print(f"Python {sys.version.split()[0]}, GIL {'enabled' if gil else 'disabled'}, "
          f"{args.iterations} iterations per thread, best of {args.rounds}")
    builds = {"": Drovik}
    if args.baseline:
        builds["before: "] = load_build(args.baseline)
    counts = (1, 2, 4)
    if args.markdown:
        print("\n| workload, per iteration | 1 thread (ops/s) | 2 threads | 4 threads "
              "| CPU per op, 2 threads |")
        print("|---|---:|---:|---:|---:|")
    for name, make_body in ROWS:
        if args.only not in name or ("minimal C type" in name and _drovik_floor is None):
            continue
        uses_drovik = "reference" not in name
        runs = builds if uses_drovik else {"": Drovik}
        # Rounds interleave the thread counts and the builds, so that a slow
        # spell of the machine does not fall on one of them only; the best of
        # each is kept. CPU time per operation does not count time the
        # machine took away, so its ratio shows contention alone: 1.00x is
        # none.
        rate = {(b, n): 0.0 for b in runs for n in counts}
        cost = {(b, n): float("inf") for b in runs for n in counts}
        for _ in range(args.rounds):
            for build, cls in runs.items():
                Drovik = cls
                for n in counts:
                    r, c = measure(make_body, n, args.iterations)
                    rate[build, n] = max(rate[build, n], r)
                    cost[build, n] = min(cost[build, n], c)
        Drovik = builds[""]
        for build in runs:
            ratios = [rate[build, n] / rate[build, 1] for n in counts[1:]]
            contention = cost[build, 2] / cost[build, 1]
            label = build + name
            if args.markdown:
                print(f"| {label} | {rate[build, 1]:,.0f} | {ratios[0]:.2f}x | {ratios[1]:.2f}x "
                      f"| {contention:.2f}x |")
            else:
                print(f"{label:50s} {rate[build, 1]:>12,.0f}/s   2 threads {ratios[0]:.2f}x   "
                      f"4 threads {ratios[1]:.2f}x   CPU/op at 2 threads {contention:.2f}x")


if __name__ == "__main__":
    main()
