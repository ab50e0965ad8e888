"""Throughput with 1, 2 and 4 threads, as a ratio of the 1-thread figure.

Each row runs the same loop body in every thread for a fixed number of
iterations; throughput is all iterations over the wall time, best of a few
rounds. On an interpreter with the GIL the ratios stay near 1; on the
free-threaded build a row that scales reaches about the number of cores. The
last column, CPU time per operation with 2 threads over that with 1, shows
contention alone (1.00x: none), whatever else the machine is doing.

    ./dev scaling                       # the interpreter ./dev picks
    DROVIK_PYTHON=python3.14t ./dev scaling
"""
import argparse
import decimal
import sys
import threading
import time

from drovik import Drovik


def private_quantities():
    kmh, ms = Drovik.unit("km/hr") * 12.5, Drovik.unit("m/s")
    km, m = Drovik.unit("km"), Drovik.unit("m")

    def body():
        kmh.as_unit(ms)
        km + m
        str(kmh)

    return body


SHARED = (Drovik.unit("km/hr") * 12.5, Drovik.unit("m/s"), Drovik.unit("km"), Drovik.unit("m"))


def shared_quantities():
    kmh, ms, km, m = SHARED

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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--iterations", type=int, default=100_000)
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--markdown", action="store_true", help="print a Markdown table")
    parser.add_argument("--only", default="", help="run only the rows whose name holds this text")
    args = parser.parse_args()
    gil = getattr(sys, "_is_gil_enabled", lambda: True)()
    print(f"Python {sys.version.split()[0]}, GIL {'enabled' if gil else 'disabled'}, "
          f"{args.iterations} iterations per thread, best of {args.rounds}")
    counts = (1, 2, 4)
    if args.markdown:
        print("\n| workload, per iteration | 1 thread (ops/s) | 2 threads | 4 threads "
              "| CPU per op, 2 threads |")
        print("|---|---:|---:|---:|---:|")
    for name, make_body in ROWS:
        if args.only not in name:
            continue
        # Rounds interleave the thread counts, so that a slow spell of the
        # machine does not fall on one count only; the best of each is kept.
        # CPU time per operation does not count time the machine took away,
        # so its ratio shows contention alone: 1.00x is none.
        rate = dict.fromkeys(counts, 0.0)
        cost = dict.fromkeys(counts, float("inf"))
        for _ in range(args.rounds):
            for n in counts:
                r, c = measure(make_body, n, args.iterations)
                rate[n], cost[n] = max(rate[n], r), min(cost[n], c)
        ratios = [rate[n] / rate[1] for n in counts[1:]]
        contention = cost[2] / cost[1]
        if args.markdown:
            print(f"| {name} | {rate[1]:,.0f} | {ratios[0]:.2f}x | {ratios[1]:.2f}x "
                  f"| {contention:.2f}x |")
        else:
            print(f"{name:42s} {rate[1]:>12,.0f}/s   2 threads {ratios[0]:.2f}x   "
                  f"4 threads {ratios[1]:.2f}x   CPU/op at 2 threads {contention:.2f}x")

if __name__ == "__main__":
    main()
