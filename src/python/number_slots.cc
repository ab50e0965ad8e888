// Operator slots. A two-operand slot first tries the left operand as the
// quantity and then the right one; an operand that does not coerce, or a
// quantity claimed exclusively elsewhere, makes the slot decline with
// NotImplemented so that the interpreter reports unsupported operands. Errors
// of the operation itself are raised.
#include "python/number_slots.h"

#include <cstdint>
#include <optional>

#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/coercion.h"
#include "python/receiver_call.h"
#include "python/results.h"
#include "quantity/quantity_arithmetic.h"
#include "quantity/quantity_comparison.h"
#include "quantity/quantity_rounding.h"
#include "quantity/quantity_text.h"

namespace drovik::python {
namespace {

// An operand that does not coerce makes the slot decline; nothing is raised,
// no text is built and no Python code runs.
std::optional<CoercedUnit> quiet_unit(PyObject* object) {
  return coerce_unit(object, Failure::kSilent);
}

bool quiet_modulus(PyObject* modulus) { return modulus == Py_None || is_number_operand(modulus); }

// An instance whose record was never built is refused outright, whichever
// side it is on.
bool has_unbuilt_operand(PyObject* left, PyObject* right) {
  return (is_drovik(left) && is_unbuilt(left)) || (is_drovik(right) && is_unbuilt(right));
}

// A float, or an int that fits 32 bits, as the unitless quantity coercion
// makes of it; nothing for anything else. Reads exact types only, calls
// nothing.
std::optional<Drovik> quick_number(PyObject* object) {
  if (PyFloat_CheckExact(object)) return Drovik{PyFloat_AS_DOUBLE(object), UnitRef()};
  if (PyLong_CheckExact(object)) {
    auto* integer = reinterpret_cast<PyLongObject*>(object);
    if (!PyUnstable_Long_IsCompact(integer)) return std::nullopt;
    Py_ssize_t value = PyUnstable_Long_CompactValue(integer);
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return Drovik{static_cast<double>(value), UnitRef()};
  }
  return std::nullopt;
}

// Forward(quantity, other) when the left operand is the quantity,
// Reflected(quantity, other) when only the right one is. Both claims are
// silent: from the claim to the result, no Python code runs.
template <class Forward, class Reflected>
PyObject* dispatch(PyObject* left, PyObject* right, PyObject* modulus, Forward forward,
                   Reflected reflected) {
  return guarded([&]() -> PyObject* {
    // The usual cases, two quantities or a quantity and a plain number:
    // nothing to coerce.
    if (modulus == Py_None) {
      if (const Drovik* a = readable_quantity(left)) {
        if (const Drovik* b = readable_quantity(right)) return to_python(forward(*a, *b));
        if (std::optional<Drovik> b = quick_number(right)) return to_python(forward(*a, *b));
      } else if (const Drovik* b = readable_quantity(right)) {
        if (std::optional<Drovik> a = quick_number(left)) return to_python(reflected(*b, *a));
      }
    }
    if (has_unbuilt_operand(left, right)) return refuse_unbuilt();
    if (is_drovik(left)) {
      if (Borrow quantity = borrow_silent(left)) {
        std::optional<CoercedUnit> other = quiet_unit(right);
        if (other && quiet_modulus(modulus)) {
          return to_python(forward(quantity.quantity(), other->value.quantity()));
        }
      }
    }
    if (is_drovik(right)) {
      if (Borrow quantity = borrow_silent(right)) {
        std::optional<CoercedUnit> other = quiet_unit(left);
        if (other && quiet_modulus(modulus)) {
          return to_python(reflected(quantity.quantity(), other->value.quantity()));
        }
      }
    }
    Py_RETURN_NOTIMPLEMENTED;
  });
}

}  // namespace

PyObject* text_slot(PyObject* self) {
  return on_receiver(self, [](const Drovik& q) { return rendered(q, append_text); });
}

PyObject* positive_slot(PyObject* self) {
  return on_receiver(self, [](const Drovik& q) { return to_python(positive(q)); });
}

PyObject* negative_slot(PyObject* self) {
  return on_receiver(self, [](const Drovik& q) { return to_python(negate(q)); });
}

PyObject* absolute_slot(PyObject* self) {
  return on_receiver(self, [](const Drovik& q) { return to_python(absolute(q)); });
}

PyObject* int_slot(PyObject* self) {
  return on_receiver(self, [](const Drovik& q) { return PyLong_FromLong(to_int32(q)); });
}

PyObject* float_slot(PyObject* self) {
  return on_receiver(self, [](const Drovik& q) { return PyFloat_FromDouble(q.value); });
}

PyObject* add_slot(PyObject* left, PyObject* right) {
  auto forward = [](const Drovik& q, const Drovik& other) { return add(q, other); };
  return dispatch(left, right, Py_None, forward, forward);
}

PyObject* subtract_slot(PyObject* left, PyObject* right) {
  return dispatch(
      left, right, Py_None, [](const Drovik& q, const Drovik& other) { return subtract(q, other); },
      [](const Drovik& q, const Drovik& other) { return reflected_subtract(q, other); });
}

PyObject* multiply_slot(PyObject* left, PyObject* right) {
  auto forward = [](const Drovik& q, const Drovik& other) { return multiply(q, other); };
  return dispatch(left, right, Py_None, forward, forward);
}

PyObject* true_divide_slot(PyObject* left, PyObject* right) {
  return dispatch(
      left, right, Py_None, [](const Drovik& q, const Drovik& other) { return divide(q, other); },
      [](const Drovik& q, const Drovik& other) { return reflected_divide(q, other); });
}

PyObject* power_slot(PyObject* left, PyObject* right, PyObject* modulus) {
  // The base is the left operand in both orders; the modulus is checked but
  // not used.
  return dispatch(
      left, right, modulus,
      [](const Drovik& base, const Drovik& exponent) { return power(base, exponent); },
      [](const Drovik& exponent, const Drovik& base) { return power(base, exponent); });
}

PyObject* richcompare_slot(PyObject* self, PyObject* other, int op) {
  return guarded([&]() -> PyObject* {
    if (op < Py_LT || op > Py_GE) return raise_panic("invalid compareop");
    if (const Drovik* a = readable_quantity(self)) {
      if (const Drovik* b = readable_quantity(other)) {
        return to_python(compare(*a, *b, static_cast<CompareOp>(op)));
      }
    }
    Borrow receiver = borrow_silent(self);
    if (!receiver) return receiver.refused();
    if (is_array(other)) return compare_quantity_with_array(receiver.quantity(), other, op);
    if (is_drovik(other) && is_unbuilt(other)) return refuse_unbuilt();
    std::optional<CoercedUnit> operand = quiet_unit(other);
    if (!operand) Py_RETURN_NOTIMPLEMENTED;
    return to_python(
        compare(receiver.quantity(), operand->value.quantity(), static_cast<CompareOp>(op)));
  });
}

}  // namespace drovik::python
