"""Comparisons across units, with numbers and with unit strings."""
import operator

import pytest

from drovik import Drovik

OPERATORS = [operator.lt, operator.le, operator.eq, operator.ne, operator.gt, operator.ge]


@pytest.mark.parametrize(
    "left, op, right, expected",
    [
        (Drovik.unit("km"), operator.gt, Drovik.unit("m"), True),
        (Drovik.unit("km"), operator.eq, Drovik.unit("m"), False),
        (Drovik.unit("km"), operator.eq, Drovik.unit("m") * 1000, True),
        (Drovik.unit("m"), operator.eq, "m", True),
        (Drovik.empty(), operator.eq, 1, True),
        (Drovik.empty(), operator.eq, 1.0, True),
        (Drovik.empty(), operator.lt, True, False),
        (Drovik.unit("K"), operator.lt, Drovik.unit("°C"), True),
        (Drovik.unit("°C"), operator.gt, Drovik.unit("K"), True),
        (5, operator.lt, Drovik.empty() * 6, True),
        (Drovik.empty() * 0.0, operator.eq, -0.0, True),
    ],
)
def test_comparisons(left, op, right, expected):
    assert op(left, right) is expected


@pytest.mark.parametrize("op", OPERATORS)
def test_different_dimensions_raise(op):
    with pytest.raises(TypeError, match=r"^\[\] and \[m\] are not compatible$"):
        op(Drovik.unit("m"), 5)
    with pytest.raises(TypeError, match=r"^\[s\] and \[m\] are not compatible$"):
        op(Drovik.unit("m"), Drovik.unit("s"))


def test_values_that_do_not_coerce_fall_back_to_identity():
    q = Drovik.unit("m")
    assert (q == None) is False  # noqa: E711
    assert (q != None) is True  # noqa: E711
    assert (q == "") is False
    assert (q == [1]) is False
    assert (q == 2**40) is False
    assert (q == "\ud800") is False  # no UTF-8 form: declined, no exception left behind
    assert str(q + q) == "2 [m]"
    with pytest.raises(TypeError, match="not supported"):
        q < None


@pytest.mark.parametrize("op", OPERATORS)
def test_nan_compares_false_except_unequal(op):
    nan, one = Drovik.empty() * float("nan"), Drovik.empty()
    for left, right in [(nan, nan), (nan, one), (one, nan), (nan, 1.0), (1.0, nan)]:
        assert op(left, right) is (op is operator.ne), (left, op.__name__, right)


def test_richcompare_declines_directly():
    assert Drovik.unit("m").__lt__(None) is NotImplemented
    assert Drovik.unit("m").__eq__("nope") is NotImplemented


def test_quantities_are_unhashable_so_not_set_members():
    with pytest.raises(TypeError):
        {Drovik.unit("m")}
