"""The borrow rules, pinned without threads: code that an argument runs while
a call holds its claim meets exactly the errors the claim implies. round_sfig
holds the quantity exclusively while it reads its argument; every other method
holds it shared while it reads its arguments."""
import pytest

from drovik import Drovik


def quantity():
    return Drovik.unit("km/hr") * 12.5


class Index:
    """An integer whose __index__ first runs `inner` and records what it raised."""

    def __init__(self, inner, value=2):
        self.inner, self.value, self.raised = inner, value, []

    def __index__(self):
        try:
            self.inner()
        except (RuntimeError, TypeError) as error:
            self.raised.append((type(error), str(error)))
        return self.value


class Printed:
    """An object that is no unit; its str() first runs `inner` and records what it raised."""

    def __init__(self, inner):
        self.inner, self.raised = inner, []

    def __str__(self):
        try:
            self.inner()
        except (RuntimeError, TypeError) as error:
            self.raised.append((type(error), str(error)))
        return "thing"


MUTABLY = (RuntimeError, "Already mutably borrowed")
BORROWED = (RuntimeError, "Already borrowed")
UNSUPPORTED = TypeError


@pytest.mark.parametrize(
    "inner, expected",
    [
        (lambda q: q.as_number(), MUTABLY),
        (lambda q: q.as_unit("m/s"), MUTABLY),
        (lambda q: q.as_unitless(), MUTABLY),
        (lambda q: q.descriptive(), MUTABLY),
        (lambda q: str(q), MUTABLY),
        (lambda q: float(q), MUTABLY),
        (lambda q: -q, MUTABLY),
        (lambda q: q < Drovik.unit("m/s"), MUTABLY),
        (lambda q: Drovik.unit("m/s").as_unit(q), MUTABLY),  # q as an argument
        (lambda q: q.round_sfig(1), BORROWED),
    ],
)
def test_round_sfig_holds_its_quantity_exclusively_while_reading_its_argument(inner, expected):
    q = quantity()
    figures = Index(lambda: inner(q))
    assert str(q.round_sfig(figures)) == "13 [km/hr]"
    assert figures.raised == [expected]
    assert str(q.round_sfig(1)) == "10 [km/hr]"  # released afterwards


@pytest.mark.parametrize("inner", [lambda q: q + 1, lambda q: 2 * q, lambda q: q ** 2])
def test_operators_decline_a_quantity_held_exclusively(inner):
    q = Drovik.empty() * 3
    figures = Index(lambda: inner(q))
    q.round_sfig(figures)
    assert len(figures.raised) == 1 and figures.raised[0][0] is UNSUPPORTED
    assert "unsupported operand" in figures.raised[0][1]


def test_an_error_raised_inside_the_argument_carries_the_note():
    q = quantity()
    with pytest.raises(RuntimeError) as caught:
        q.round_sfig(type("Reader", (), {"__index__": lambda self: int(q.as_number())})())
    assert caught.value.args == ("Already mutably borrowed",)
    assert caught.value.__notes__ == ["while processing 'n_sig_figs'"]


@pytest.mark.parametrize(
    "call",
    [
        lambda q, arg: q.as_unit(arg),
        lambda q, arg: q.as_number(arg),
        lambda q, arg: q.__div__(arg),
        lambda q, arg: q.__rdiv__(arg),
    ],
)
def test_methods_hold_their_quantity_shared_while_reading_an_argument(call):
    q = quantity()
    argument = Printed(lambda: q.round_sfig(1))
    with pytest.raises(TypeError) as caught:
        call(q, argument)
    assert caught.value.args == ("thing cannot be coerced into a unit",)
    assert caught.value.__notes__ == ["while processing 'other'"]
    assert argument.raised == [BORROWED]
    # Readers may share: a shared call inside a shared call succeeds.
    reader = Printed(lambda: q.as_number())
    with pytest.raises(TypeError):
        call(q, reader)
    assert reader.raised == []


def test_round_holds_its_quantity_shared_while_reading_ndigits():
    q = quantity()
    digits = Index(lambda: q.round_sfig(1), value=0)
    assert str(round(q, digits)) == "13 [km/hr]"
    assert digits.raised == [BORROWED]


def test_a_quantity_argument_is_held_shared_while_later_arguments_are_read():
    q, target = quantity(), Drovik.unit("m/s")

    class Scale:  # numpy's bool is the only non-bool that reaches its truth test
        __module__ = "numpy"

        def __bool__(self):
            try:
                target.round_sfig(1)
            except RuntimeError as error:
                seen.append(str(error))
            return True

    Scale.__name__ = "bool_"
    seen = []
    assert q.as_number(target, Scale()) == q.as_number(target, True)
    assert seen == ["Already borrowed"]
