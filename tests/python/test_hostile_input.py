"""What a hostile or careless caller can pass: nothing crashes, nothing is half
built, declined operands stay silent, and interrupts reach the caller."""
import subprocess
import sys
import textwrap

import pytest

from drovik import Drovik

KMH = Drovik.unit("km/hr")


@pytest.mark.parametrize("module_name", [12345, b"numpy", None, ["numpy"], 3.5])
def test_a_type_whose_module_is_not_text_is_not_numpy(module_name):
    class Impostor:
        pass

    Impostor.__module__ = module_name
    with pytest.raises(TypeError) as caught:
        KMH.as_number(scale=Impostor())
    assert str(caught.value) == "'test_a_type_whose_module_is_not_text_is_not_numpy.<locals>.Impostor' object is not an instance of 'bool'"
    assert caught.value.__notes__ == ["while processing 'scale'"]


def test_a_type_named_like_numpys_bool_outside_numpy_is_refused():
    Fake = type("bool_", (), {"__module__": "numpy", "__bool__": lambda self: True})
    # numpy's module name with a type that has no number slots: refused, no crash.
    Bare = type("bool_", (), {"__module__": "numpy"})
    assert KMH.as_number(scale=Fake()) == KMH.as_number(scale=True)
    with pytest.raises(TypeError):
        KMH.as_number(scale=Bare())


# Every method and slot, each given an instance whose record was never built.
UNBUILT_PROGRAM = textwrap.dedent(
    """
    import gc
    from drovik import Drovik
    Drovik.__new__ = lambda cls: object.__new__(cls)
    z = Drovik()
    assert type(z) is Drovik
    m = Drovik.unit("m")
    calls = {
        "str": lambda: str(z), "repr": lambda: repr(z), "pos": lambda: +z, "neg": lambda: -z,
        "abs": lambda: abs(z), "int": lambda: int(z), "float": lambda: float(z),
        "add": lambda: z + 1, "radd": lambda: 1 + z, "add_quantity": lambda: m + z,
        "sub": lambda: z - m, "mul": lambda: 2 * z, "div": lambda: z / 2, "pow": lambda: z ** 2,
        "rpow": lambda: 2 ** z, "eq": lambda: z == 1, "lt_quantity": lambda: m < z,
        "as_unit": lambda: z.as_unit("m"), "as_unit_arg": lambda: m.as_unit(z),
        "as_number": lambda: z.as_number(), "as_unitless": lambda: z.as_unitless(),
        "as_base_units": lambda: z.as_base_units(), "round_sfig": lambda: z.round_sfig(2),
        "round": lambda: round(z, 1), "div_method": lambda: z.__div__(1),
        "rdiv_method": lambda: m.__rdiv__(z), "exp": lambda: z.exp(), "log": lambda: z.log(),
        "log10": lambda: z.log10(), "descriptive": lambda: z.descriptive(),
        "custom": lambda: Drovik.custom("a", "b", z),
        "eq_method": lambda: m.__eq__(z), "lt_method": lambda: m.__lt__(z),
    }
    for name, call in calls.items():
        try:
            call()
        except TypeError as error:
            assert "never built" in str(error), (name, error)
        else:
            raise AssertionError(name + " accepted an unbuilt instance")
    del z
    gc.collect()
    print("refused", len(calls))
    """
)


@pytest.mark.skipif(hasattr(sys, "gettotalrefcount"),
                    reason="the debug interpreter asserts that a class made without __new__ "
                           "is never given one, before drovik is reached")
def test_instances_made_behind_the_class_are_refused_everywhere():
    done = subprocess.run([sys.executable, "-c", UNBUILT_PROGRAM], capture_output=True, text=True,
                          timeout=120)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip() == "refused 33"


class Loud:
    """An operand that records every str() and repr() made of it."""

    def __init__(self):
        self.texts = 0

    def __str__(self):
        self.texts += 1
        raise ValueError("str() must not be called on a declined operand")

    __repr__ = __str__


@pytest.mark.parametrize(
    "operation",
    [
        lambda q, x: q + x, lambda q, x: x + q, lambda q, x: q - x, lambda q, x: x - q,
        lambda q, x: q * x, lambda q, x: x * q, lambda q, x: q / x, lambda q, x: x / q,
        lambda q, x: q ** x, lambda q, x: x ** q, lambda q, x: pow(q, 2, x),
        lambda q, x: q < x, lambda q, x: q <= x, lambda q, x: q > x, lambda q, x: q >= x,
    ],
)
def test_declined_operands_are_never_turned_into_text(operation):
    loud = Loud()
    with pytest.raises(TypeError) as caught:
        operation(KMH, loud)
    assert "not supported" in str(caught.value) or "unsupported" in str(caught.value)
    assert loud.texts == 0


def test_equality_with_a_declined_operand_falls_back_silently():
    loud = Loud()
    assert (KMH == loud) is False and (KMH != loud) is True
    assert loud.texts == 0


@pytest.mark.parametrize("interrupt", [KeyboardInterrupt, SystemExit, GeneratorExit])
def test_interrupts_raised_by_str_reach_the_caller_unchanged(interrupt, monkeypatch):
    hooked = []
    monkeypatch.setattr(sys, "unraisablehook", hooked.append)

    class Slow:
        def __str__(self):
            raise interrupt("stop")

    with pytest.raises(interrupt) as caught:
        KMH.as_unit(Slow())
    assert str(caught.value) == "stop"
    assert not getattr(caught.value, "__notes__", None)
    assert hooked == []


def test_ordinary_exceptions_raised_by_str_still_go_to_the_hook(monkeypatch):
    hooked = []
    monkeypatch.setattr(sys, "unraisablehook", hooked.append)

    class Broken:
        def __str__(self):
            raise ValueError("no text")

    with pytest.raises(TypeError, match="^<unprintable Broken object> cannot be coerced"):
        KMH.as_unit(Broken())
    assert [type(h.exc_value) for h in hooked] == [ValueError]


@pytest.mark.parametrize("interrupt", [KeyboardInterrupt, SystemExit])
def test_an_interrupt_raised_while_adding_the_note_replaces_the_error(interrupt):
    class Refusal(ValueError):
        def add_note(self, note):
            raise interrupt("stop")

    class Index:
        def __index__(self):
            raise Refusal("not a number")

    with pytest.raises(interrupt, match="^stop$"):
        round(KMH, Index())
