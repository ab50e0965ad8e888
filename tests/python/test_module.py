"""The module and the class as Python sees them."""
import weakref

import pytest

import drovik
from drovik import Drovik

METHODS = {
    "unit": "($cls, unit_name_or_symbol)",
    "constant": "($cls, constant_name)",
    "empty": "($cls)",
    "custom": "($cls, name, abbr, definition)",
    "as_unit": "($self, other)",
    "as_number": "($self, other=None, scale=False)",
    "as_unitless": "($self)",
    "as_base_units": "($self)",
    "round_sfig": "($self, n_sig_figs)",
    "__div__": "($self, other)",
    "__rdiv__": "($self, other)",
    "__round__": "($self, ndigits=None)",
    "__exp__": "($self)",
    "exp": "($self)",
    "__log__": "($self)",
    "log": "($self)",
    "__log10__": "($self)",
    "log10": "($self)",
    "descriptive": "($self)",
}


def test_module_exports_only_the_class():
    assert drovik.__all__ == ["Drovik"]
    assert Drovik.__module__ == "drovik"
    assert Drovik.__name__ == Drovik.__qualname__ == "Drovik"
    assert Drovik.__doc__ == "Unit! yippee"


@pytest.mark.parametrize("name, signature", METHODS.items())
def test_every_method_documents_only_its_signature(name, signature):
    method = getattr(Drovik, name)
    assert method.__doc__ is None
    assert method.__text_signature__ == signature


def test_the_class_cannot_be_instantiated_or_subclassed():
    with pytest.raises(TypeError):
        Drovik()
    with pytest.raises(TypeError):
        type("Sub", (Drovik,), {})


def test_instances_take_no_attributes_hash_or_weak_references():
    q = Drovik.unit("m")
    with pytest.raises(TypeError):
        hash(q)
    with pytest.raises(AttributeError):
        q.anything = 1
    with pytest.raises(TypeError):
        weakref.ref(q)
    assert Drovik.__hash__ is None
    assert not hasattr(q, "__dict__")


def test_truth_follows_the_default():
    assert bool(Drovik.empty() * 0)


@pytest.mark.parametrize("name", ["exp", "log", "log10", "__exp__", "__log__", "__log10__"])
def test_transcendental_methods_return_floats(name):
    assert type(getattr(Drovik.empty(), name)()) is float


def test_exports_return_plain_types():
    q = Drovik.unit("rad") * 2.5
    assert type(q.as_unitless()) is float
    assert type(q.as_number()) is float
    assert type(int(q)) is int
    assert type(float(q)) is float
    assert type(q.descriptive()) is str


@pytest.mark.parametrize(
    "call, kind, message",
    [
        (lambda: Drovik.unit("m").as_unit("s"), TypeError, "[m] and [s] are not compatible"),
        (lambda: Drovik.unit("nope"), LookupError, "Unit nope not found"),
        (lambda: Drovik.constant("nope"), LookupError, "Constant nope not found"),
    ],
)
def test_library_errors_are_ordinary_exceptions(call, kind, message):
    # (PanicException, which is not an Exception, is tested from C++:
    # tests/binding/call_frame_test.cc.)
    with pytest.raises(Exception) as caught:
        call()
    assert type(caught.value) is kind and caught.value.args == (message,)
    assert not isinstance(caught.value, (KeyError, ValueError))


def test_sub_interpreters_are_refused():
    interpreters = pytest.importorskip("concurrent.interpreters")
    interpreter = interpreters.create()
    try:
        with pytest.raises(interpreters.ExecutionFailed, match="ImportError"):
            interpreter.exec("import drovik")
    finally:
        interpreter.close()
