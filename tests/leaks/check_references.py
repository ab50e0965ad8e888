"""Runs every method, slot, error path and NotImplemented path of drovik many
times and checks that nothing keeps growing:

- the reference counts of the class (each live instance holds one) and of
  every argument object the calls use;
- the number of objects the garbage collector knows;
- the memory tracemalloc traces (every Python object, exceptions included);
- the C heap in use (malloc's own count), which covers the C++ core.

The interpreter's total reference count (sys.gettotalrefcount, debug builds) is
printed too, for information only: this interpreter counts reference changes
made inside its own code but not those an extension makes, so every object the
interpreter creates and the module later releases shows there as +1 although
nothing leaks, and a reference the module forgot to release would not show.

    python3.14d tests/leaks/check_references.py [rounds]
"""
import array
import ctypes
import fractions
import gc
import numbers
import pickle
import struct
import sys
import tracemalloc

from drovik import Drovik
from drovik_array import DrovikArray

try:
    import numpy as np
except ImportError:
    np = None


class Unprintable:
    def __str__(self):
        raise ValueError("no text")


class Text(str):
    pass


class FailingExport:
    def __buffer__(self, flags):
        raise KeyboardInterrupt


def expect(kind, call, *args, **kwargs):
    try:
        call(*args, **kwargs)
    except kind:
        return
    raise AssertionError(f"{call} did not raise {kind.__name__}")


KEEP = {"plain": np.ones((2, 2)) if np is not None else None, "text": Text("planck"), "big": 2**80, "surrogate": "\ud800", "bytes": b"m",
        "quantity": Drovik.unit("m") * 500, "list": [1], "unprintable": Unprintable(),
        "numbers": array.array("d", [1.0, 2.0]), "fraction": fractions.Fraction(1, 3),
        "failing export": FailingExport(), "ctypes": (ctypes.c_double * 2)(1.0, 2.0),
        "mask": memoryview(bytes([1, 0])).cast("?")}


def exercise():
    km = Drovik.unit("km")
    m = KEEP["quantity"]
    c = Drovik.unit("°C") * 100
    one = Drovik.empty()
    league = Drovik.custom("league", "lea", Drovik.unit("mi") * 3)
    # Constructors and conversions.
    Drovik.constant("c"), Drovik.constant(KEEP["text"])
    km.as_unit("m"), km.as_unit(m), km.as_unit(league), c.as_unit("°F")
    km.as_base_units(), (Drovik.unit("rad") * 2).as_unitless()
    km.as_number(), km.as_number("m"), km.as_number(m, True), km.as_number(other=m, scale=False)
    # Operators in both orders, and unary slots.
    km + m, m - km, km * m, km / m, km**2, 2**one, pow(km, 2, 5)
    5 + one, 5 - one, 5 * km, 5 / km, "km" - m, "m" * km, -km, +km, abs(-km)
    int(km), float(km), str(km), repr(league), km.descriptive()
    km < m, km <= m, km == m, km != m, km > m, km >= m, km == "m", one == 1
    round(km), round(km, 2), km.__round__(None), km.round_sfig(2), km.__div__(m), km.__rdiv__(1)
    one.exp(), one.log(), one.log10(), one.__exp__(), one.__log__(), one.__log10__()
    # Error paths of the library.
    expect(LookupError, Drovik.unit, "no such unit")
    expect(LookupError, Drovik.constant, "no such constant")
    expect(TypeError, km.as_unit, "s")
    expect(TypeError, km.as_unitless)
    expect(TypeError, lambda: km + 5)
    expect(TypeError, lambda: km < 5)
    expect(TypeError, lambda: km ** km)
    # Argument errors, with and without notes.
    expect(TypeError, km.as_unit)
    expect(TypeError, km.as_unit, "m", "s")
    expect(TypeError, km.as_unit, unit="m")
    expect(TypeError, km.as_unit, "m", other="s")
    expect(TypeError, Drovik.custom)
    expect(TypeError, km.as_unit, None)
    expect(TypeError, km.as_unit, KEEP["unprintable"])
    expect(TypeError, km.as_unit, KEEP["bytes"])
    expect(OverflowError, km.as_unit, 2**31)
    expect(OverflowError, km.as_unit, KEEP["big"])
    expect(UnicodeEncodeError, km.as_unit, KEEP["surrogate"])
    expect(TypeError, km.as_number, scale=1)
    expect(TypeError, km.round_sfig, 2.0)
    expect(TypeError, Drovik.unit, None)
    expect(TypeError, Drovik.custom, "a", 1, "m")
    # NotImplemented paths.
    km.__add__(KEEP["list"]), km.__sub__("nope"), km.__mul__(2**40), km.__pow__(2, "x"), km.__lt__(None)
    expect(TypeError, lambda: km + None)
    expect(TypeError, lambda: [1] * km)
    km == None, km != "nope"  # noqa: E711
    # Arrays: making, reading, converting, computing, and their errors.
    a = DrovikArray([[1.0, 2.0], [3.0, 4.0]], "km")
    DrovikArray(KEEP["numbers"], m), DrovikArray([km, m]), DrovikArray(km), DrovikArray(a, "m")
    a.shape, a.ndim, a.size, len(a), a.unit, str(a), memoryview(a).tolist()
    a.as_unit("m"), a.as_unit(m), a.as_base_units(), a.as_number(), a.as_number(unit="m")
    a + a, a - km, km * a, a / 2, 2 / a, km - a, KEEP["numbers"] * DrovikArray(KEEP["numbers"], "s")
    -a, +a, abs(a), a.sum(), a.sum(axis=0), a.mean(1), a.min(), a.max(axis=-1)
    expect(ValueError, a.sum, axis=5)
    a < km, km < a, a == a, a != km, 2 < a / a, a ** 2, round(a, 1), a.round_sfig(2)
    a.descriptive()
    a[0], a[1, 1], a[..., None, ::-1], list(a), format(a, ".1f"), pickle.loads(pickle.dumps(a))
    expect(IndexError, lambda: a[5])
    expect(TypeError, lambda: a == Drovik.unit("s"))
    expect(TypeError, lambda: 2 ** a)
    expect(ValueError, DrovikArray._restore, (3,), b"", "m")
    expect(ValueError, DrovikArray([], "m").min)
    expect(LookupError, DrovikArray, [1.0], "km/h")
    expect(TypeError, DrovikArray, [1.0, "x"])
    expect(ValueError, DrovikArray, [[1.0], []])
    expect(ValueError, lambda: a + DrovikArray([1.0, 2.0, 3.0], "m"))
    expect(TypeError, lambda: a + Drovik.unit("s"))
    expect(TypeError, lambda: a + None)
    # Complex refused, operands' own failures passed on, exporters without strides.
    expect(TypeError, DrovikArray, [1.0, 1j])
    expect(TypeError, DrovikArray, [1.0, KEEP["fraction"], 1j])
    expect(KeyboardInterrupt, lambda: a + KEEP["failing export"])
    expect(KeyboardInterrupt, lambda: a == KEEP["failing export"])
    DrovikArray(KEEP["ctypes"], "m") * KEEP["ctypes"]
    expect(IndexError, lambda: a[(None,) * 70])
    str(DrovikArray._restore((5, 0), b"", "m")), a[::2**62]
    # Layouts, spreads, index arrays, truths, writes refused, hints.
    a.reshape(4), a.reshape((1, -1)), a.T, a.transpose(1, 0), a.swapaxes(0, 1), a.ravel()
    a[:1].squeeze(), a.cumsum(), a.cumsum(axis=1), a.ptp(), a.var(axis=0), a.std(ddof=1)
    a.tolist(), a[0, :1].item(), a.sum(axis=(0, 1), keepdims=True), a.max(axis=(), keepdims=True)
    a[[1, 0]], a[[True, False]], a[:, [0]], a[0, [1]], a[KEEP["mask"]], bool(a[0, :1])
    expect(ValueError, bool, a)
    expect(IndexError, lambda: a[[5]])
    expect(IndexError, lambda: a[[1.5]])
    expect(TypeError, a.__setitem__, 0, 1.0)
    expect(ValueError, a.reshape, 3)
    expect(LookupError, DrovikArray, [1.0], "m s-1")
    expect(LookupError, DrovikArray, [1.0], "knots")
    # Views, views of views, their copies, pickles and buffers; operands read in place.
    v = a.T[::-1, None]
    v.copy(), v[0].T, pickle.loads(pickle.dumps(v)), memoryview(v).tolist(), v + a.T[:, None]
    expect(BufferError, struct.unpack_from, "d", a.T)
    if np is not None:
        np.flip(a), np.broadcast_to(a, (3, 2, 2)), a * KEEP["plain"][:, ::-1], KEEP["plain"] * km
        np.concatenate([a, a]), np.sort(a), a @ a, np.linspace(km, m, 3), np.isclose(km, m), a.argmax()
        a[[0, 1], [1, 0]], a.astype("f4"), a.sum(dtype=float), np.trapezoid(a, dx=m)


def heap_in_use():
    libc = ctypes.CDLL(None)

    class MallInfo2(ctypes.Structure):
        _fields_ = [(name, ctypes.c_size_t) for name in (
            "arena", "ordblks", "smblks", "hblks", "hblkhd", "usmblks", "fsmblks",
            "uordblks", "fordblks", "keepcost")]

    libc.mallinfo2.restype = MallInfo2
    return lambda: libc.mallinfo2().uordblks


def cached_objects():
    """Objects the modules fetch once and keep, or fetch on every call: a
    reference taken and never given back moves no memory, only their counts."""
    holder = (DrovikArray([1.0]) < 2).obj if np is None else (DrovikArray([1.0]) < 2).base.obj
    return [Drovik._restore, DrovikArray._restore, numbers.Complex, numbers.Real, type(holder),
            type(DrovikArray([1.0]).as_number().base.obj if np else None)]


def snapshot(heap):
    gc.collect()
    return {
        "class references": sys.getrefcount(Drovik) + sys.getrefcount(DrovikArray),
        "argument references": sum(sys.getrefcount(v) for v in KEEP.values()),
        "cached references": sum(sys.getrefcount(v) for v in cached_objects()),
        "objects": len(gc.get_objects()),
        "traced bytes": tracemalloc.get_traced_memory()[0],
        "heap bytes": heap(),
        "total references": sys.gettotalrefcount() if hasattr(sys, "gettotalrefcount") else 0,
    }


# References must not grow at all over the whole run. Memory is measured over
# WINDOWS equal runs of rounds and judged by the window that grew least: a
# leak grows every window by as much (one allocation per round is thousands
# of bytes a window), while the growth of the allocator's and the
# interpreter's caches, which fill up and stop, fades after the first ones.
EXACT = {"class references": 0, "argument references": 0, "cached references": 0}
# A leaked object or allocation per round is at least 32 bytes, 25,600 a window; the
# interpreter's own tables (tracemalloc's traces among them) grow by up to about half that in
# a window long after the start, so the limits sit between the two.
PER_WINDOW = {"objects": 2, "traced bytes": 12_000, "heap bytes": 24_000}  # least window
WINDOWS = 5


def main():
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 4000
    sys.unraisablehook = lambda unraisable: None  # Unprintable's str() raises on purpose
    heap = heap_in_use()
    for _ in range(600):  # the interpreter's and the modules' caches fill up first
        exercise()
    tracemalloc.start()
    snapshots = [snapshot(heap)]
    for _ in range(WINDOWS):
        for _ in range(rounds // WINDOWS):
            exercise()
        snapshots.append(snapshot(heap))
    tracemalloc.stop()
    print(f"Growth over {rounds} rounds of every call, in {WINDOWS} windows:")
    failed = []
    for key in snapshots[0]:
        windows = [b[key] - a[key] for a, b in zip(snapshots, snapshots[1:])]
        total, least = snapshots[-1][key] - snapshots[0][key], min(windows)
        if key in EXACT:
            judged, limit = total, f"whole run {EXACT[key]:+d}"
            leaked = total > EXACT[key]
        elif key in PER_WINDOW:
            judged, limit = least, f"least window {PER_WINDOW[key]:+d}"
            leaked = least > PER_WINDOW[key]
        else:
            print(f"  {key:<20} {total:+10d}   not limited: the interpreter's own caches "
                  "count here")
            continue
        print(f"  {key:<20} {judged:+10.0f}   limit {limit}   windows {windows}   "
              f"{'LEAK' if leaked else 'ok'}")
        if leaked:
            failed.append(key)
    if failed:
        sys.exit("verdict: a leak: " + ", ".join(failed) + " grew past the limit")
    print("verdict: no leak: every measure within its limit")
    print("1 passed, 0 failed")


if __name__ == "__main__":
    main()
