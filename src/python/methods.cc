// The methods of drovik.Drovik. Each runs the same frame: match the arguments,
// claim the receiver, coerce the arguments in order, run the operation, and
// turn its result or error into Python.
#include "python/methods.h"

#include "python/argument_matching.h"
#include "python/array/array_slots.h"
#include "python/coercion.h"
#include "python/receiver_call.h"
#include "python/results.h"
#include "python/value_protocols.h"
#include "quantity/construction.h"
#include "quantity/conversion.h"
#include "quantity/quantity_arithmetic.h"
#include "quantity/quantity_rounding.h"
#include "quantity/quantity_text.h"
#include "unit/unit_memo.h"

namespace drovik::python {
namespace {

using Vector = PyObject* const*;

constexpr Parameters kUnit{"Drovik.unit()", {"unit_name_or_symbol"}, 1, 1};
constexpr Parameters kConstant{"Drovik.constant()", {"constant_name"}, 1, 1};
constexpr Parameters kCustom{"Drovik.custom()", {"name", "abbr", "definition"}, 3, 3};
constexpr Parameters kAsUnit{"Drovik.as_unit()", {"other"}, 1, 1};
constexpr Parameters kAsNumber{"Drovik.as_number()", {"other", "scale"}, 2, 0};
constexpr Parameters kRoundSfig{"Drovik.round_sfig()", {"n_sig_figs"}, 1, 1};
constexpr Parameters kDiv{"Drovik.__div__()", {"other"}, 1, 1};
constexpr Parameters kRdiv{"Drovik.__rdiv__()", {"other"}, 1, 1};
constexpr Parameters kRound{"Drovik.__round__()", {"ndigits"}, 1, 0};

// A class method of one text argument.
template <const Parameters& Signature, Result<Drovik> (*Operation)(std::string_view)>
PyObject* from_text(Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* argv[1];
    if (!match_arguments(Signature, args, nargs, kwnames, argv)) return nullptr;
    auto text = argument(coerce_text(argv[0]), Signature.names[0]);
    if (!text) return nullptr;
    return to_python(Operation(*text));
  });
}

PyObject* unit_method(PyObject*, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return from_text<kUnit, unit>(args, nargs, kwnames);
}

PyObject* constant_method(PyObject*, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return from_text<kConstant, constant>(args, nargs, kwnames);
}

PyObject* empty_method(PyObject*, PyObject*) {
  return guarded([&] { return to_python(empty()); });
}

PyObject* custom_method(PyObject*, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* argv[3];
    if (!match_arguments(kCustom, args, nargs, kwnames, argv)) return nullptr;
    auto name = argument(coerce_text(argv[0]), "name");
    if (!name) return nullptr;
    auto abbr = argument(coerce_text(argv[1]), "abbr");
    if (!abbr) return nullptr;
    auto definition = argument(coerce_unit(argv[2]), "definition");
    if (!definition) return nullptr;
    return to_python(custom(*name, *abbr, definition->value));
  });
}

// The claim a method takes on its receiver and on quantity arguments: silent
// when coercing every argument runs no Python code (see Borrow), shared
// otherwise, so that code run by an argument's str() or __index__ meets the
// claim.
Borrow::Mode claim_for(bool quiet_arguments) {
  return quiet_arguments ? Borrow::Mode::kSilent : Borrow::Mode::kShared;
}

bool absent(PyObject* argument) { return argument == nullptr || argument == Py_None; }

// An instance method of one UnitCoercible argument `other`.
template <const Parameters& Signature, class Operation>
PyObject* with_other(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames,
                     Operation operation) {
  return guarded([&]() -> PyObject* {
    PyObject* argv[1];
    if (!match_arguments(Signature, args, nargs, kwnames, argv)) return nullptr;
    Borrow::Mode mode = claim_for(is_quiet_unit_operand(argv[0]));
    Borrow receiver(self, mode);
    if (!receiver) return receiver.refused();
    auto other = argument(coerce_unit(argv[0], Failure::kRaise, mode), "other");
    if (!other) return nullptr;
    return to_python(operation(receiver.quantity(), other->value));
  });
}

// The usual argument of as_unit and as_number, given by position: a built
// quantity, or a str that parses. Reading either runs no Python code, so the
// receiver's claim is silent. Anything else, a failure included, takes the
// general path, which reports it.
template <class Operation>
PyObject* with_quick_other(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames,
                           Operation operation) {
  if (kwnames != nullptr || nargs != 1) return nullptr;
  const Drovik* q = readable_quantity(self);
  if (q == nullptr) return nullptr;
  if (const Drovik* other = readable_quantity(args[0])) {
    return to_python(operation(*q, UnitCoercible::from_quantity_ref(*other)));
  }
  if (!PyUnicode_CheckExact(args[0])) return nullptr;
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(args[0], &size);
  if (utf8 == nullptr) {
    PyErr_Clear();
    return nullptr;
  }
  std::optional<UnitRef> unit = parse_unit(std::string_view(utf8, static_cast<std::size_t>(size)));
  if (!unit) return nullptr;
  return to_python(operation(*q, UnitCoercible::from_quantity(Drovik{1.0, std::move(*unit)})));
}

PyObject* as_unit_method(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* quick = guarded([&] {
    return with_quick_other(self, args, nargs, kwnames, [](const Drovik& q, UnitCoercible other) {
      return as_unit(q, std::move(other));
    });
  });
  if (quick != nullptr || PyErr_Occurred()) return quick;
  return with_other<kAsUnit>(self, args, nargs, kwnames, [](const Drovik& q, UnitCoercible& other) {
    return as_unit(q, std::move(other));
  });
}

PyObject* div_method(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return with_other<kDiv>(self, args, nargs, kwnames, [](const Drovik& q, UnitCoercible& other) {
    return divide(q, other.quantity());
  });
}

PyObject* rdiv_method(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return with_other<kRdiv>(self, args, nargs, kwnames, [](const Drovik& q, UnitCoercible& other) {
    return reflected_divide(q, other.quantity());
  });
}

PyObject* as_number_method(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* quick = guarded([&] {
    return with_quick_other(self, args, nargs, kwnames, [](const Drovik& q, UnitCoercible other) {
      return as_number(q, &other, false);
    });
  });
  if (quick != nullptr || PyErr_Occurred()) return quick;
  return guarded([&]() -> PyObject* {
    PyObject* argv[2];
    if (!match_arguments(kAsNumber, args, nargs, kwnames, argv)) return nullptr;
    Borrow::Mode mode = claim_for((absent(argv[0]) || is_quiet_unit_operand(argv[0])) &&
                                  (argv[1] == nullptr || PyBool_Check(argv[1])));
    Borrow receiver(self, mode);
    if (!receiver) return receiver.refused();
    std::optional<CoercedUnit> other;
    if (!absent(argv[0])) {
      other = argument(coerce_unit(argv[0], Failure::kRaise, mode), "other");
      if (!other) return nullptr;
    }
    bool scale = false;
    if (argv[1] != nullptr) {
      auto given = argument(coerce_bool(argv[1]), "scale");
      if (!given) return nullptr;
      scale = *given;
    }
    return to_python(as_number(receiver.quantity(), other ? &other->value : nullptr, scale));
  });
}

PyObject* round_sfig_method(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* argv[1];
    if (!match_arguments(kRoundSfig, args, nargs, kwnames, argv)) return nullptr;
    // Exclusive although it changes nothing: while it runs, other calls on
    // the same object are refused.
    Borrow receiver(self, Borrow::Mode::kExclusive);
    if (!receiver) return receiver.refused();
    auto figures = argument(coerce_int32(argv[0]), "n_sig_figs");
    if (!figures) return nullptr;
    return to_python(round_sfig(receiver.quantity(), *figures));
  });
}

PyObject* round_method(PyObject* self, Vector args, Py_ssize_t nargs, PyObject* kwnames) {
  return guarded([&]() -> PyObject* {
    PyObject* argv[1];
    if (!match_arguments(kRound, args, nargs, kwnames, argv)) return nullptr;
    // Reading an int calls no __index__; anything else may.
    Borrow receiver(self, claim_for(absent(argv[0]) || PyLong_Check(argv[0])));
    if (!receiver) return receiver.refused();
    std::optional<std::int32_t> ndigits;
    if (!absent(argv[0])) {
      ndigits = argument(coerce_int32(argv[0]), "ndigits");
      if (!ndigits) return nullptr;
    }
    return to_python(round_digits(receiver.quantity(), ndigits));
  });
}

PyObject* as_unitless_method(PyObject* self, PyObject*) {
  return on_receiver(self, [](const Drovik& q) { return to_python(as_unitless(q)); });
}

PyObject* as_base_units_method(PyObject* self, PyObject*) {
  return on_receiver(self, [](const Drovik& q) { return to_python(as_base_units(q)); });
}

PyObject* exp_method(PyObject* self, PyObject*) {
  return on_receiver(self, [](const Drovik& q) { return to_python(exp(q)); });
}

PyObject* log_method(PyObject* self, PyObject*) {
  return on_receiver(self, [](const Drovik& q) { return to_python(log(q)); });
}

PyObject* log10_method(PyObject* self, PyObject*) {
  return on_receiver(self, [](const Drovik& q) { return to_python(log10(q)); });
}

PyObject* descriptive_method(PyObject* self, PyObject*) {
  return on_receiver(self, [](const Drovik& q) { return rendered(q, append_descriptive); });
}

template <PyObject* (*Method)(PyObject*, Vector, Py_ssize_t, PyObject*)>
PyCFunction vector() {
  return reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(Method));
}

constexpr int kVector = METH_FASTCALL | METH_KEYWORDS;

}  // namespace

PyMethodDef kDrovikMethods[] = {
    {"unit", vector<unit_method>(), kVector | METH_CLASS,
     "unit($cls, unit_name_or_symbol)\n--\n\n"},
    {"constant", vector<constant_method>(), kVector | METH_CLASS,
     "constant($cls, constant_name)\n--\n\n"},
    {"empty", empty_method, METH_NOARGS | METH_CLASS, "empty($cls)\n--\n\n"},
    {"custom", vector<custom_method>(), kVector | METH_CLASS,
     "custom($cls, name, abbr, definition)\n--\n\n"},
    {"as_unit", vector<as_unit_method>(), kVector, "as_unit($self, other)\n--\n\n"},
    {"as_number", vector<as_number_method>(), kVector,
     "as_number($self, other=None, scale=False)\n--\n\n"},
    {"as_unitless", as_unitless_method, METH_NOARGS, "as_unitless($self)\n--\n\n"},
    {"as_base_units", as_base_units_method, METH_NOARGS, "as_base_units($self)\n--\n\n"},
    {"round_sfig", vector<round_sfig_method>(), kVector, "round_sfig($self, n_sig_figs)\n--\n\n"},
    {"__div__", vector<div_method>(), kVector, "__div__($self, other)\n--\n\n"},
    {"__rdiv__", vector<rdiv_method>(), kVector, "__rdiv__($self, other)\n--\n\n"},
    {"__round__", vector<round_method>(), kVector, "__round__($self, ndigits=None)\n--\n\n"},
    {"__exp__", exp_method, METH_NOARGS, "__exp__($self)\n--\n\n"},
    {"exp", exp_method, METH_NOARGS, "exp($self)\n--\n\n"},
    {"__log__", log_method, METH_NOARGS, "__log__($self)\n--\n\n"},
    {"log", log_method, METH_NOARGS, "log($self)\n--\n\n"},
    {"__log10__", log10_method, METH_NOARGS, "__log10__($self)\n--\n\n"},
    {"log10", log10_method, METH_NOARGS, "log10($self)\n--\n\n"},
    {"descriptive", descriptive_method, METH_NOARGS, "descriptive($self)\n--\n\n"},
    // The value protocols that the interpreter and the standard library call.
    {"__reduce__", reduce_method, METH_NOARGS, "__reduce__($self)\n--\n\n"},
    {"_restore", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(restore_method)),
     METH_FASTCALL | METH_STATIC, "_restore(*state)\n--\n\n"},
    {"__copy__", copy_method, METH_NOARGS, "__copy__($self)\n--\n\n"},
    {"__deepcopy__", deepcopy_method, METH_O, "__deepcopy__($self, memo, /)\n--\n\n"},
    {"__format__", format_method, METH_O, "__format__($self, format_spec, /)\n--\n\n"},
    // numpy's: ndarray * q is an array in q's unit, not an array of objects.
    {"__array_ufunc__",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(quantity_array_ufunc)),
     METH_VARARGS | METH_KEYWORDS,
     "__array_ufunc__($self, ufunc, method, /, *inputs, **kwargs)\n--\n\n"},
    {"__array_function__",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(quantity_array_function)),
     METH_VARARGS | METH_KEYWORDS,
     "__array_function__($self, func, types, args, kwargs, /)\n--\n\nnumpy's functions given "
     "quantities (numpy.linspace(q1, q2, 5)) take them as arrays of shape (); functions that "
     "would drop the unit raise TypeError."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace drovik::python
