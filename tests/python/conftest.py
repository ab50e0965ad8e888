"""Helpers shared by the test modules (imported as `from conftest import ...`)."""
import pytest

from drovik import Drovik

try:  # the free-threaded interpreter has no numpy here; only numpy cases skip
    import numpy as np
except ImportError:
    np = None

needs_numpy = pytest.mark.skipif(np is None, reason="numpy is not installed")


def q(value, unit="m"):
    """`value` of the unit expression `unit`."""
    return Drovik.unit(unit) * value


class Text(str):
    """A str subclass: coerces like a str."""


class Number(float):
    """A float subclass: coerces like a float."""


class StrRaises:
    """An object whose str() raises an ordinary exception."""

    def __str__(self):
        raise ValueError("no text")
