"""Many threads on the same quantities. Only the two documented borrow errors
may appear, and every successful result is correct."""
import importlib.util
import sys
import threading

import drovik
from drovik import Drovik

BORROW_ERRORS = {"Already borrowed", "Already mutably borrowed"}


def run_threads(targets):
    threads = [threading.Thread(target=t) for t in targets]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def test_readers_and_round_sfig_on_shared_quantities():
    speed = Drovik.unit("km/hr") * 12.5
    temperature = Drovik.unit("°C") * 21.5
    unexpected = []
    borrow_errors = []
    done = {"reader": 0, "rounder": 0}
    previous = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)

    def reader():
        for _ in range(2000):
            try:
                assert str(speed.as_unit("m/s")) == "3.4722222222222223 [m/s]"
                assert temperature.as_unit("K").as_number() == 294.65
                assert str(temperature) == "21.5 [°C]"
                assert speed > Drovik.unit("m/s")
                assert (speed + speed).as_number() == 25.0
                done["reader"] += 1
            except RuntimeError as error:
                (borrow_errors if str(error) in BORROW_ERRORS else unexpected).append(error)
            except TypeError as error:  # an operator slot declined while claimed
                (borrow_errors if "unsupported operand" in str(error) else unexpected).append(error)
            except Exception as error:  # noqa: BLE001 - collected and reported below
                unexpected.append(error)

    def rounder():
        for _ in range(2000):
            try:
                assert speed.round_sfig(2).as_number() == 13.0
                assert temperature.round_sfig(1).as_number() == 20.0
                done["rounder"] += 1
            except RuntimeError as error:
                (borrow_errors if str(error) in BORROW_ERRORS else unexpected).append(error)
            except Exception as error:  # noqa: BLE001
                unexpected.append(error)

    try:
        run_threads([reader] * 6 + [rounder] * 2)
    finally:
        sys.setswitchinterval(previous)
    assert unexpected == []
    # Refusals may happen, but every kind of call also got through.
    assert done["reader"] > 0 and done["rounder"] > 0
    assert str(speed) == "12.5 [km/hr]"


def test_modules_created_in_parallel_share_one_class():
    spec = importlib.util.find_spec("drovik")
    classes = []

    def create():
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        classes.append((module.Drovik, module.__all__))

    run_threads([create] * 8)
    assert len(classes) == 8
    assert all(cls is drovik.Drovik and names == ["Drovik"] for cls, names in classes)


# A seeded random program of products, quotients, powers and conversions over
# catalogue, prefixed, custom, NaN-scaled and -0.0-exponent units. Its results
# (text, names, saved bytes, or the error) do not depend on what the process
# remembered before: the same in a fresh process, in this one, and in
# threads running it together.
DIFFERENTIAL_PROGRAM = """
import pickle, random
from drovik import Drovik as D

def results(seed):
    rng = random.Random(seed)
    m = D.unit("m")
    pool = [D.unit(t) for t in ("km", "hr", "kg.m/s2", "°C", "mmHg", "ms", "Mm")] + [
        D.empty(), D.custom("league", "lea", m * 4828.032),
        D.custom("odd", "odd", m * float("nan")), D.unit("ft") ** -0.0]
    out = []
    for _ in range(1500):
        a, b, op = rng.choice(pool), rng.choice(pool), rng.randrange(4)
        try:
            if op == 0:
                q = a * b
            elif op == 1:
                q = a / b
            elif op == 2:
                q = a ** rng.choice([2, -1, 0.5, 0.0, -0.0, 3, float("nan")])
            else:
                q = a.as_unit(b) if rng.random() < 0.5 else a.as_unit(str(b).split(" ", 1)[1][1:-1])
        except Exception as error:
            out.append((str(a), op, str(b), type(error).__name__, str(error)))
            continue
        out.append((str(a), op, str(b), str(q), q.descriptive(), pickle.dumps(q)))
        if len(pool) < 40:
            pool.append(q)
    return out
"""


def test_remembered_units_give_the_results_of_a_fresh_process():
    import pickle
    import subprocess

    code = DIFFERENTIAL_PROGRAM + "import sys\nsys.stdout.buffer.write(pickle.dumps(results(7)))"
    child = subprocess.run([sys.executable, "-c", code], capture_output=True, timeout=120)
    assert child.returncode == 0, child.stderr.decode()
    fresh = pickle.loads(child.stdout)
    program = {}
    exec(DIFFERENTIAL_PROGRAM, program)
    assert_same_results(program["results"](7), fresh)
    outcomes = []
    run_threads([lambda: outcomes.append(program["results"](7)) for _ in range(3)])
    assert len(outcomes) == 3
    for outcome in outcomes:
        assert_same_results(outcome, fresh)


def assert_same_results(got, fresh):
    """Names the first step whose result differs, with its operands."""
    for step, (mine, theirs) in enumerate(zip(got, fresh)):
        assert mine == theirs, (
            f"step {step}: {mine[:3]} gave {mine[3:]}, a fresh process {theirs[3:]}")
    assert len(got) == len(fresh)
