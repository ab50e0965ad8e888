"""Argument matching and coercion: the exact messages and notes."""
import pytest

from conftest import Number, StrRaises, Text, needs_numpy, np
from drovik import Drovik

M = Drovik.unit("m")


def raised(call):
    with pytest.raises(BaseException) as caught:
        call()
    return caught.value


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: M.as_unit(), "Drovik.as_unit() missing 1 required positional argument: 'other'"),
        (lambda: Drovik.custom(), "Drovik.custom() missing 3 required positional arguments: 'name', 'abbr', and 'definition'"),
        (lambda: Drovik.custom("x"), "Drovik.custom() missing 2 required positional arguments: 'abbr' and 'definition'"),
        (lambda: Drovik.custom(definition=1), "Drovik.custom() missing 2 required positional arguments: 'name' and 'abbr'"),
        (lambda: M.as_unit("m", "s"), "Drovik.as_unit() takes 1 positional arguments but 2 were given"),
        (lambda: M.as_number(1, 2, 3), "Drovik.as_number() takes from 0 to 2 positional arguments but 3 were given"),
        (lambda: M.__round__(1, 2), "Drovik.__round__() takes from 0 to 1 positional arguments but 2 were given"),
        (lambda: M.as_unit(unit="m"), "Drovik.as_unit() got an unexpected keyword argument 'unit'"),
        (lambda: M.as_unit("m", other="s"), "Drovik.as_unit() got multiple values for argument 'other'"),
        (lambda: Drovik.unit(), "Drovik.unit() missing 1 required positional argument: 'unit_name_or_symbol'"),
        (lambda: M.round_sfig(), "Drovik.round_sfig() missing 1 required positional argument: 'n_sig_figs'"),
        (lambda: M.__div__(), "Drovik.__div__() missing 1 required positional argument: 'other'"),
    ],
)
def test_matching_errors(call, message):
    error = raised(call)
    assert type(error) is TypeError
    assert str(error) == message
    assert not getattr(error, "__notes__", None)


def test_no_argument_methods_reject_arguments():
    with pytest.raises(TypeError):
        M.as_unitless(1)
    with pytest.raises(TypeError):
        Drovik.empty(1)


def test_arguments_by_keyword():
    assert Drovik.unit(unit_name_or_symbol="km") == Drovik.unit("km")
    assert Drovik.constant(constant_name="c") == Drovik.constant("c")
    assert str(Drovik.custom(abbr="lea", definition="km", name="league")) == "1 [lea]"
    assert M.as_unit(other="cm") == M
    assert M.round_sfig(n_sig_figs=2) == M
    assert Drovik.unit("km").as_number(scale=False, other="m") == 1000.0


@pytest.mark.parametrize(
    "call, kind, message, parameter",
    [
        (lambda: M.as_unit(2**31), OverflowError, "out of range integral type conversion attempted", "other"),
        (lambda: M.as_unit(-(2**31) - 1), OverflowError, "out of range integral type conversion attempted", "other"),
        (lambda: M.as_unit(2**70), OverflowError, None, "other"),
        (lambda: M.as_unit(b"m"), TypeError, "b'm' cannot be coerced into a unit", "other"),
        (lambda: M.as_unit(None), TypeError, "None cannot be coerced into a unit", "other"),
        (lambda: M.as_unit([1]), TypeError, "[1] cannot be coerced into a unit", "other"),
        pytest.param(lambda: M.as_unit(np.int64(5)), TypeError, "5 cannot be coerced into a unit", "other",
                     marks=needs_numpy),
        (lambda: M.as_unit("nope"), LookupError, "Unit nope not found", "other"),
        (lambda: M.as_unit("\ud800"), UnicodeEncodeError, None, "other"),
        (lambda: M.as_unit(StrRaises()), TypeError, "<unprintable StrRaises object> cannot be coerced into a unit", "other"),
        (lambda: M.round_sfig(2.0), TypeError, None, "n_sig_figs"),
        (lambda: M.round_sfig(2**31), OverflowError, "out of range integral type conversion attempted", "n_sig_figs"),
        (lambda: round(M, 1.5), TypeError, None, "ndigits"),
        (lambda: M.as_number(scale=1), TypeError, "'int' object is not an instance of 'bool'", "scale"),
        (lambda: M.as_number(scale=None), TypeError, "'None' is not an instance of 'bool'", "scale"),
        (lambda: M.as_number(other={}), TypeError, "{} cannot be coerced into a unit", "other"),
        (lambda: Drovik.unit(None), TypeError, "'None' is not an instance of 'str'", "unit_name_or_symbol"),
        (lambda: Drovik.unit(5), TypeError, "'int' object is not an instance of 'str'", "unit_name_or_symbol"),
        (lambda: Drovik.unit("\udc80"), UnicodeEncodeError, None, "unit_name_or_symbol"),
        (lambda: Drovik.constant(b"c"), TypeError, "'bytes' object is not an instance of 'str'", "constant_name"),
        (lambda: Drovik.custom(1, "a", "m"), TypeError, "'int' object is not an instance of 'str'", "name"),
        (lambda: Drovik.custom("a", 1, "m"), TypeError, "'int' object is not an instance of 'str'", "abbr"),
        (lambda: Drovik.custom("a", "b", "zz"), LookupError, "Unit zz not found", "definition"),
        (lambda: M.__rdiv__(object), TypeError, "<class 'object'> cannot be coerced into a unit", "other"),
    ],
)
@pytest.mark.filterwarnings("ignore::pytest.PytestUnraisableExceptionWarning")
def test_coercion_errors_carry_a_note(call, kind, message, parameter):
    error = raised(call)
    assert type(error) is kind
    if message is not None:
        assert str(error) == message
    assert error.__notes__ == [f"while processing '{parameter}'"]


def test_the_first_failing_argument_is_reported():
    error = raised(lambda: Drovik.custom(1, 2, None))
    assert error.__notes__ == ["while processing 'name'"]


def test_lone_surrogates_are_replaced_in_object_texts():
    class Odd:
        def __str__(self):
            return "a\ud800b"

    error = raised(lambda: M.as_unit(Odd()))
    assert str(error) == "a\ufffdb cannot be coerced into a unit"


def test_unprintable_objects_report_through_the_unraisable_hook(monkeypatch):
    seen = []
    monkeypatch.setattr("sys.unraisablehook", seen.append)
    raised(lambda: M.as_unit(StrRaises()))
    assert len(seen) == 1 and isinstance(seen[0].exc_value, ValueError)


@pytest.mark.parametrize(
    "argument, printed",
    [
        (True, "1 []"),
        (False, "0 []"),
        (2**31 - 1, "2147483647 []"),
        (-(2**31), "-2147483648 []"),
        pytest.param(np and np.float64(2.5), "2.5 []", marks=needs_numpy),
        (Number(1.5), "1.5 []"),
        (Text("km"), "1 [km]"),
        (Drovik.unit("ft"), "1 [ft]"),
    ],
)
def test_accepted_kinds(argument, printed):
    assert str(Drovik.empty().as_unit(Drovik.empty()) * argument) == printed
    assert str(Drovik.custom("x", "x", argument) * 1) == "1 [x]"


def test_subclassed_texts_and_floats_elsewhere():
    assert Drovik.unit(Text("km")) == Drovik.unit("km")
    assert Drovik.unit("km").as_unit(Text("m")).as_number() == 1000.0


def test_failed_coercion_leaves_arguments_unchanged():
    other = Drovik.unit("s") * 3
    with pytest.raises(TypeError):
        M.as_unit(other)
    assert str(other) == "3 [s]"
    assert str(M) == "1 [m]"
