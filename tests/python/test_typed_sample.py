"""The typed sample of user code (checked by mypy --strict in the test run)
also runs and prints what it should."""
import importlib.util
from pathlib import Path


def test_the_typed_sample_runs():
    path = Path(__file__).parents[1] / "typing" / "user_code.py"
    spec = importlib.util.spec_from_file_location("user_code", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    assert module.summary() == [
        "2 [hr]", "25.0 [m/s]", "1001 [m]", "9.80665 [meter/second2]", "4.83 [km]", "25 [m/s]",
    ]
    assert module.readings_in_metres([1.5, 2.0]) == ["[1500 2000] [m]", "[3 4] [km]", "km"]
