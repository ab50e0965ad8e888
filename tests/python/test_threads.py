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
