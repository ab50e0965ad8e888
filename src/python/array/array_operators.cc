// The operators of drovik_array.DrovikArray and what numpy's ufuncs and
// functions may do with one.
#include "python/python_api.h"

#include <optional>
#include <string>
#include <string_view>

#include "array/array_comparison.h"
#include "array/array_layout.h"
#include "array/array_functions.h"
#include "array/array_operations.h"
#include "python/array/array_construction.h"
#include "python/array/array_object.h"
#include "python/array/array_slots.h"
#include "python/array/numpy_functions.h"
#include "python/array/plain_values.h"
#include "python/coercion.h"
#include "python/exceptions.h"
#include "python/owned.h"
#include "python/results.h"
#include "quantity/conversion.h"

namespace drovik::python {
namespace {

// The other operand as an array: a DrovikArray (read where it is), a
// Drovik, a float or int, or a buffer of numbers (unitless). Anything else
// is declined (no exception: the operator answers NotImplemented); an
// operand that fails while it is read (its buffer export raised) fails the
// operator with its exception.
class Operand {
 public:
  explicit Operand(PyObject* object) {
    if (is_array(object)) {
      array_.emplace(array_of(object));
    } else if (const Drovik* quantity = readable_quantity(object)) {
      owned_ = single_value(*quantity);
      array_.emplace(*owned_);
    } else if (lent_.read(object)) {
      array_.emplace(lent_.view());
    }
  }
  explicit operator bool() const { return array_.has_value(); }
  const ArrayView& operator*() const { return *array_; }
  // Nothing was read: NotImplemented when declined, else the error.
  static PyObject* unread() {
    if (PyErr_Occurred()) return nullptr;
    Py_RETURN_NOTIMPLEMENTED;
  }

 private:
  std::optional<ValueArray> owned_;
  OperandValues lent_;
  std::optional<ArrayView> array_;
};

using Operation = Result<ValueArray> (*)(const ArrayView&, const ArrayView&);

// forward(array, other) when the array is on the left, or when a quantity is
// (element by element, that is what a quantity on the left gives);
// reflected(array, other) when a plain number or buffer is on the left.
PyObject* dispatch(PyObject* left, PyObject* right, Operation forward, Operation reflected) {
  return guarded([&]() -> PyObject* {
    bool array_on_left = is_array(left);
    PyObject* array = array_on_left ? left : right;
    PyObject* other_object = array_on_left ? right : left;
    Operand other(other_object);
    if (!other) return Operand::unread();
    bool quantity_on_left = !array_on_left && is_drovik(other_object);
    return in_memory_order(array, &*other, [&](const ArrayView& a, const ArrayView* b) {
      return array_on_left ? forward(a, *b) : quantity_on_left ? forward(*b, a) : reflected(a, *b);
    });
  });
}

// receiver OP other, element by element; `array` is whichever of them is
// the array whose layout leads (the other has its shape, or no axes): when
// both lie in memory alike but not in C order, they are compared as they lie
// and the truths lent in the caller's axes.
PyObject* compared(const ArrayView& receiver, const ArrayView& other, int op,
                   bool receiver_leads = true) {
  auto how = static_cast<CompareOp>(op);
  return in_shared_order(
      receiver_leads ? receiver : other, receiver_leads ? &other : &receiver,
      [&](const ArrayView& lead, const ArrayView* follow,
          const std::vector<std::size_t>& order) -> PyObject* {
        Result<BooleanArray> truths =
            receiver_leads ? compare(lead, *follow, how) : compare(*follow, lead, how);
        if (!truths) return raise_error(truths.error());
        return plain_booleans(std::move(*truths), order);
      });
}

// What numpy's ufuncs may do with an array: the operators the array has,
// by the ufunc's name; the others would drop the unit.
PyObject* refuse_for_numpy(PyObject* name) {
  PyErr_Format(PyExc_TypeError,
               "numpy.%S would drop the unit of a DrovikArray; use numpy.asarray(a) for its "
               "values in a.unit, or a.as_number(unit) for them in another unit",
               name);
  return nullptr;
}

struct UfuncOperator {
  const char* name;
  PyObject* (*binary)(PyObject*, PyObject*);
  PyObject* (*unary)(PyObject*);
  int compare_op;  // -1 unless a comparison
};

PyObject* power_without_modulus(PyObject* left, PyObject* right) {
  return array_slots::power(left, right, Py_None);
}

constexpr UfuncOperator kUfuncOperators[] = {
    {"add", array_slots::add, nullptr, -1},
    {"subtract", array_slots::subtract, nullptr, -1},
    {"multiply", array_slots::multiply, nullptr, -1},
    {"divide", array_slots::divide, nullptr, -1},
    {"true_divide", array_slots::divide, nullptr, -1},
    {"power", power_without_modulus, nullptr, -1},
    {"negative", nullptr, array_slots::negative, -1},
    {"positive", nullptr, array_slots::positive, -1},
    {"absolute", nullptr, array_slots::absolute, -1},
    {"less", nullptr, nullptr, Py_LT},
    {"less_equal", nullptr, nullptr, Py_LE},
    {"equal", nullptr, nullptr, Py_EQ},
    {"not_equal", nullptr, nullptr, Py_NE},
    {"greater", nullptr, nullptr, Py_GT},
    {"greater_equal", nullptr, nullptr, Py_GE},
};

// numpy's element-wise functions the core computes, by the ufunc's name.
template <class Function>
struct NamedFunction {
  const char* name;
  Function function;
};

constexpr NamedFunction<UnaryFunction> kUnaryFunctions[] = {
    {"sqrt", UnaryFunction::kSqrt},       {"cbrt", UnaryFunction::kCbrt},
    {"square", UnaryFunction::kSquare},   {"reciprocal", UnaryFunction::kReciprocal},
    {"fabs", UnaryFunction::kFabs},       {"rint", UnaryFunction::kRint},
    {"floor", UnaryFunction::kFloor},     {"ceil", UnaryFunction::kCeil},
    {"trunc", UnaryFunction::kTrunc},     {"exp", UnaryFunction::kExp},
    {"exp2", UnaryFunction::kExp2},       {"expm1", UnaryFunction::kExpm1},
    {"log", UnaryFunction::kLog},         {"log2", UnaryFunction::kLog2},
    {"log10", UnaryFunction::kLog10},     {"log1p", UnaryFunction::kLog1p},
    {"sin", UnaryFunction::kSin},         {"cos", UnaryFunction::kCos},
    {"tan", UnaryFunction::kTan},         {"sinh", UnaryFunction::kSinh},
    {"cosh", UnaryFunction::kCosh},       {"tanh", UnaryFunction::kTanh},
    {"arcsin", UnaryFunction::kArcsin},   {"arccos", UnaryFunction::kArccos},
    {"arctan", UnaryFunction::kArctan},   {"sign", UnaryFunction::kSign},
};

constexpr NamedFunction<BinaryFunction> kBinaryFunctions[] = {
    {"maximum", BinaryFunction::kMaximum},     {"minimum", BinaryFunction::kMinimum},
    {"fmax", BinaryFunction::kFmax},           {"fmin", BinaryFunction::kFmin},
    {"hypot", BinaryFunction::kHypot},         {"copysign", BinaryFunction::kCopysign},
    {"remainder", BinaryFunction::kRemainder}, {"fmod", BinaryFunction::kFmod},
    {"arctan2", BinaryFunction::kArctan2},
};

constexpr NamedFunction<Predicate> kPredicates[] = {
    {"isnan", Predicate::kIsnan},
    {"isinf", Predicate::kIsinf},
    {"isfinite", Predicate::kIsfinite},
    {"signbit", Predicate::kSignbit},
};

template <class Function, std::size_t N>
const NamedFunction<Function>* find_named(const NamedFunction<Function> (&table)[N],
                                          PyObject* name) {
  for (const NamedFunction<Function>& entry : table) {
    if (PyUnicode_CompareWithASCIIString(name, entry.name) == 0) return &entry;
  }
  return nullptr;
}

// A ufunc the core computes, called on `inputs`; nullptr with no exception
// when `name` is none of them.
PyObject* apply_function(PyObject* name, PyObject* inputs, bool& found) {
  Py_ssize_t count = PyTuple_GET_SIZE(inputs);
  found = true;
  if (const auto* unary = find_named(kUnaryFunctions, name)) {
    if (count != 1 || !is_array(PyTuple_GET_ITEM(inputs, 0))) return refuse_for_numpy(name);
    return in_memory_order(PyTuple_GET_ITEM(inputs, 0), nullptr,
                           [&](const ArrayView& array, const ArrayView*) {
                             return apply(unary->function, array);
                           });
  }
  if (const auto* predicate = find_named(kPredicates, name)) {
    if (count != 1 || !is_array(PyTuple_GET_ITEM(inputs, 0))) return refuse_for_numpy(name);
    return plain_booleans(test(predicate->function, array_of(PyTuple_GET_ITEM(inputs, 0))));
  }
  if (const auto* binary = find_named(kBinaryFunctions, name)) {
    if (count != 2) return refuse_for_numpy(name);
    Operand left(PyTuple_GET_ITEM(inputs, 0)), right(PyTuple_GET_ITEM(inputs, 1));
    if (!left || !right) return PyErr_Occurred() ? nullptr : refuse_for_numpy(name);
    if (!is_array(PyTuple_GET_ITEM(inputs, 0))) {
      return to_python(apply(binary->function, *left, *right));
    }
    return in_memory_order(PyTuple_GET_ITEM(inputs, 0), &*right,
                           [&](const ArrayView& a, const ArrayView* b) {
                             return apply(binary->function, a, *b);
                           });
  }
  found = false;
  return nullptr;
}

// np.add.reduce(a, axis=0), np.maximum.reduce and np.minimum.reduce as the
// array's sum, max and min; np.add.accumulate as running sums. Other
// methods, and arguments beyond axis and keepdims, are refused.
PyObject* apply_method(PyObject* name, PyObject* method, PyObject* inputs, PyObject* kwargs) {
  bool reducing = PyUnicode_CompareWithASCIIString(method, "reduce") == 0;
  bool accumulating = PyUnicode_CompareWithASCIIString(method, "accumulate") == 0;
  bool add = PyUnicode_CompareWithASCIIString(name, "add") == 0;
  bool maximum = PyUnicode_CompareWithASCIIString(name, "maximum") == 0;
  bool minimum = PyUnicode_CompareWithASCIIString(name, "minimum") == 0;
  if (!(reducing && (add || maximum || minimum)) && !(accumulating && add)) {
    return refuse_for_numpy(name);
  }
  if (PyTuple_GET_SIZE(inputs) != 1 || !is_array(PyTuple_GET_ITEM(inputs, 0))) {
    return refuse_for_numpy(name);
  }
  ArrayView array = array_of(PyTuple_GET_ITEM(inputs, 0));
  PyObject* axis_object = kwargs ? PyDict_GetItemString(kwargs, "axis") : nullptr;
  PyObject* keepdims = kwargs ? PyDict_GetItemString(kwargs, "keepdims") : nullptr;
  Py_ssize_t known = (axis_object != nullptr) + (keepdims != nullptr);
  if (kwargs != nullptr && PyDict_GET_SIZE(kwargs) > known) return refuse_for_numpy(name);
  std::size_t ndim = array.shape.ndim();
  if (ndim == 0) return refuse_for_numpy(name);
  // Along axis 0 unless told; None reduces every axis (and accumulates along 0).
  std::size_t k = 0;
  if (axis_object != nullptr && axis_object != Py_None) {
    std::optional<std::size_t> given = axis_index(axis_object, ndim);
    if (!given) return nullptr;
    k = *given;
  }
  if (accumulating) return to_python(cumulative_sum(array, k));
  ReducedAxes axes = axis_object == Py_None ? ReducedAxes::all(ndim) : ReducedAxes{};
  if (axis_object != Py_None) axes.along[k] = true;
  int keep = keepdims != nullptr ? PyObject_IsTrue(keepdims) : 0;
  if (keep < 0) return nullptr;
  Reduction reduction = add ? Reduction::kSum : maximum ? Reduction::kMax : Reduction::kMin;
  return array_or_quantity(reduce(array, reduction, axes, keep != 0));
}

// numpy's functions that are an array's own methods or attributes
// (numpy.sum(a, axis=1) is a.sum(axis=1)), by the function's name.
struct AsMethod {
  const char* function;
  const char* method;
  bool attribute;
};

constexpr AsMethod kFunctionsAsMethods[] = {
    {"sum", "sum", false},          {"mean", "mean", false},
    {"min", "min", false},          {"max", "max", false},
    {"amin", "min", false},         {"amax", "max", false},
    {"ptp", "ptp", false},          {"var", "var", false},
    {"std", "std", false},          {"cumsum", "cumsum", false},
    {"reshape", "reshape", false},  {"ravel", "ravel", false},
    {"transpose", "transpose", false}, {"swapaxes", "swapaxes", false},
    {"squeeze", "squeeze", false},  {"copy", "copy", false},
    {"round", "__round__", false},  {"around", "__round__", false},
    {"shape", "shape", true},       {"ndim", "ndim", true},
    {"size", "size", true},
};

// numpy.NAME(a, *rest, **kwargs) as a.METHOD(*rest, **kwargs) when a is an
// array; numpy's round names its digits `decimals`, the array's ndigits.
PyObject* as_method(PyObject* name, PyObject* args, PyObject* kwargs) {
  for (const AsMethod& entry : kFunctionsAsMethods) {
    if (PyUnicode_CompareWithASCIIString(name, entry.function) != 0) continue;
    if (PyTuple_GET_SIZE(args) < 1 || !is_array(PyTuple_GET_ITEM(args, 0))) break;
    PyObject* array = PyTuple_GET_ITEM(args, 0);
    Owned bound(PyObject_GetAttrString(array, entry.method));
    if (!bound || entry.attribute) return bound.release();
    Owned rest(PyTuple_GetSlice(args, 1, PyTuple_GET_SIZE(args)));
    if (!rest) return nullptr;
    Owned named(PyDict_Copy(kwargs));
    if (!named || !take_keeps_doubles(named.get())) return nullptr;
    // numpy's keyword spellings of what the methods take by position.
    PyObject* by_keyword = nullptr;
    for (const char* keyword : {"axes", "shape", "newshape"}) {
      PyObject* given = PyDict_GetItemString(named.get(), keyword);
      if (given == nullptr || by_keyword != nullptr) continue;
      by_keyword = Py_NewRef(given);
      if (PyDict_DelItemString(named.get(), keyword) < 0) return nullptr;
    }
    if (by_keyword != nullptr) {
      Owned positional(PyTuple_Pack(1, by_keyword));
      Py_DECREF(by_keyword);
      if (!positional) return nullptr;
      Owned all(PySequence_Concat(rest.get(), positional.get()));
      if (!all) return nullptr;
      return PyObject_Call(bound.get(), all.get(), named.get());
    }
    if (std::string_view(entry.method) == "__round__") {
      PyObject* decimals = PyDict_GetItemString(named.get(), "decimals");
      if (decimals != nullptr) {
        if (PyDict_SetItemString(named.get(), "ndigits", decimals) < 0 ||
            PyDict_DelItemString(named.get(), "decimals") < 0) {
          return nullptr;
        }
      }
    }
    return PyObject_Call(bound.get(), rest.get(), named.get());
  }
  return refuse_for_numpy(name);
}

// left OP right where one of them is an array, as the interpreter would
// answer it had numpy declined.
PyObject* compare_either_way(PyObject* left, PyObject* right, int op) {
  if (is_array(left)) return array_slots::richcompare(left, right, op);
  if (const Drovik* quantity = readable_quantity(left)) {
    return compare_quantity_with_array(*quantity, right, op);
  }
  return array_slots::richcompare(right, left,
                                  static_cast<int>(swapped(static_cast<CompareOp>(op))));
}

PyObject* apply_ufunc(const UfuncOperator& ufunc, PyObject* inputs, PyObject* name) {
  Py_ssize_t count = PyTuple_GET_SIZE(inputs);
  // numpy asks only when an input is an array; a direct call may not be.
  bool first_is_array = count > 0 && is_array(PyTuple_GET_ITEM(inputs, 0));
  if (!first_is_array && !(count == 2 && is_array(PyTuple_GET_ITEM(inputs, 1)))) {
    return refuse_for_numpy(name);
  }
  PyObject* result = nullptr;
  if (ufunc.unary != nullptr && count == 1) {
    result = ufunc.unary(PyTuple_GET_ITEM(inputs, 0));
  } else if (ufunc.unary == nullptr && count == 2) {
    PyObject* left = PyTuple_GET_ITEM(inputs, 0);
    PyObject* right = PyTuple_GET_ITEM(inputs, 1);
    result = ufunc.binary != nullptr ? ufunc.binary(left, right)
                                     : compare_either_way(left, right, ufunc.compare_op);
  } else {
    return refuse_for_numpy(name);
  }
  if (result == Py_NotImplemented) {
    Py_DECREF(result);
    return refuse_for_numpy(name);
  }
  return result;
}

}  // namespace

PyObject* compare_quantity_with_array(const Drovik& quantity, PyObject* array, int op) {
  return guarded([&] { return compared(single_value(quantity), array_of(array), op, false); });
}

// `item` as an array of shape () when it is a quantity, else itself (a new
// reference); nullptr with an exception.
PyObject* quantity_as_array(PyObject* item) {
  if (!is_drovik(item)) return Py_NewRef(item);
  const Drovik* quantity = readable_quantity(item);
  if (quantity == nullptr) return borrow_silent(item).refused();
  return wrap_array(single_value(*quantity));
}

// `items` with each quantity from position `from` on as an array of shape
// (); nullptr with an exception.
PyObject* quantities_as_arrays(PyObject* items, Py_ssize_t from) {
  Py_ssize_t count = PyTuple_GET_SIZE(items);
  Owned arguments(PyTuple_New(count));
  if (!arguments) return nullptr;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* item = PyTuple_GET_ITEM(items, i);
    PyObject* argument = i >= from ? quantity_as_array(item) : Py_NewRef(item);
    if (argument == nullptr) return nullptr;
    PyTuple_SET_ITEM(arguments.get(), i, argument);
  }
  return arguments.release();
}

// numpy gives a scalar for inputs without axes: a quantity here.
PyObject* scalar_as_quantity(PyObject* result) {
  if (result == nullptr || !is_array(result) || array_of(result).shape.ndim() > 0) return result;
  Owned scalar(result);
  ArrayView value = array_of(result);
  return wrap(Drovik{value.data[0], value.unit});
}

PyObject* quantity_array_ufunc(PyObject*, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    // (ufunc, method, *inputs): only inputs are quantities to turn.
    Owned arguments(quantities_as_arrays(args, 2));
    if (!arguments) return nullptr;
    return scalar_as_quantity(array_slots::array_ufunc_method(nullptr, arguments.get(), kwargs));
  });
}

PyObject* quantity_array_function(PyObject*, PyObject* args, PyObject*) {
  return guarded([&]() -> PyObject* {
    // (func, types, args, kwargs): the call's own arguments and keywords.
    if (PyTuple_GET_SIZE(args) != 4 || !PyTuple_Check(PyTuple_GET_ITEM(args, 2)) ||
        !PyDict_Check(PyTuple_GET_ITEM(args, 3))) {
      return array_slots::array_function_method(nullptr, args, nullptr);
    }
    Owned call_args(quantities_as_arrays(PyTuple_GET_ITEM(args, 2), 0));
    Owned call_kwargs(PyDict_Copy(PyTuple_GET_ITEM(args, 3)));
    if (!call_args || !call_kwargs) return nullptr;
    PyObject *key, *value;
    Py_ssize_t at = 0;
    while (PyDict_Next(PyTuple_GET_ITEM(args, 3), &at, &key, &value)) {
      if (!is_drovik(value)) continue;
      Owned as_array(quantity_as_array(value));
      if (!as_array || PyDict_SetItem(call_kwargs.get(), key, as_array.get()) < 0) return nullptr;
    }
    Owned arguments(PyTuple_Pack(4, PyTuple_GET_ITEM(args, 0), PyTuple_GET_ITEM(args, 1),
                                 call_args.get(), call_kwargs.get()));
    if (!arguments) return nullptr;
    return scalar_as_quantity(
        array_slots::array_function_method(nullptr, arguments.get(), nullptr));
  });
}

namespace array_slots {

PyObject* add(PyObject* l, PyObject* r) { return dispatch(l, r, drovik::add, drovik::add); }
PyObject* subtract(PyObject* l, PyObject* r) {
  return dispatch(l, r, drovik::subtract, reflected_subtract);
}
PyObject* multiply(PyObject* l, PyObject* r) {
  return dispatch(l, r, drovik::multiply, drovik::multiply);
}
PyObject* divide(PyObject* l, PyObject* r) {
  return dispatch(l, r, drovik::divide, reflected_divide);
}

PyObject* power(PyObject* left, PyObject* right, PyObject* modulus) {
  return guarded([&]() -> PyObject* {
    if (modulus != Py_None) Py_RETURN_NOTIMPLEMENTED;
    if (!is_array(left) || is_array(right) || PyObject_CheckBuffer(right)) {
      PyErr_SetString(PyExc_TypeError,
                      "a DrovikArray can be raised to a single number only; it cannot be an "
                      "exponent");
      return nullptr;
    }
    // The exponent as a quantity's power would coerce it.
    std::optional<CoercedUnit> exponent = coerce_unit(right, Failure::kSilent);
    if (!exponent) Py_RETURN_NOTIMPLEMENTED;
    Result<double> k = as_unitless(exponent->value.quantity());
    if (!k) return raise_error(k.error());
    return wrap_array(drovik::power(array_of(left), *k));
  });
}

PyObject* negative(PyObject* self) {
  return guarded([&] {
    return in_memory_order(self, nullptr, [](const ArrayView& a, const ArrayView*) {
      return Result<ValueArray>(negate(a));
    });
  });
}
PyObject* positive(PyObject* self) {
  return guarded([&] { return wrap_array(compact_copy(array_of(self))); });
}
PyObject* absolute(PyObject* self) {
  return guarded([&] {
    return in_memory_order(self, nullptr, [](const ArrayView& a, const ArrayView*) {
      return Result<ValueArray>(drovik::absolute(a));
    });
  });
}

PyObject* richcompare(PyObject* self, PyObject* other, int op) {
  return guarded([&]() -> PyObject* {
    Operand operand(other);
    if (!operand) return Operand::unread();
    return compared(array_of(self), *operand, op);
  });
}

PyObject* round_method(PyObject* self, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    static const char* names[] = {"ndigits", nullptr};
    PyObject* digits = Py_None;
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "|O:__round__", const_cast<char**>(names),
                                     &digits)) {
      return nullptr;
    }
    std::optional<std::int32_t> ndigits;
    if (digits != Py_None) {
      ndigits = argument(coerce_int32(digits), "ndigits");
      if (!ndigits) return nullptr;
    }
    return wrap_array(round_digits(array_of(self), ndigits));
  });
}

PyObject* round_sfig_method(PyObject* self, PyObject* n_sig_figs) {
  return guarded([&]() -> PyObject* {
    std::optional<std::int32_t> figures = argument(coerce_int32(n_sig_figs), "n_sig_figs");
    if (!figures) return nullptr;
    return wrap_array(round_sfig(array_of(self), *figures));
  });
}

PyObject* array_ufunc_method(PyObject*, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    // (ufunc, method, *inputs); numpy passes out= and the like as keywords.
    if (PyTuple_GET_SIZE(args) < 2) {
      PyErr_SetString(PyExc_TypeError, "__array_ufunc__(ufunc, method, *inputs, **kwargs)");
      return nullptr;
    }
    Owned name(PyObject_GetAttrString(PyTuple_GET_ITEM(args, 0), "__name__"));
    if (!name) return nullptr;
    PyObject* method = PyTuple_GET_ITEM(args, 1);
    if (!PyUnicode_Check(method) || !PyUnicode_Check(name.get())) {
      return refuse_for_numpy(name.get());
    }
    if (kwargs != nullptr && PyDict_GetItemString(kwargs, "out") != nullptr) {
      PyErr_Format(PyExc_TypeError,
                   "a DrovikArray never changes: numpy.%S cannot write into out=; use the "
                   "array numpy.%S returns",
                   name.get(), name.get());
      return nullptr;
    }
    Owned inputs(PyTuple_GetSlice(args, 2, PyTuple_GET_SIZE(args)));
    if (!inputs) return nullptr;
    if (PyUnicode_CompareWithASCIIString(method, "__call__") != 0) {
      return apply_method(name.get(), method, inputs.get(), kwargs);
    }
    // dtype=float64 changes nothing (Dask passes it); anything else is refused.
    Owned named(kwargs != nullptr ? PyDict_Copy(kwargs) : PyDict_New());
    if (!named || !take_keeps_doubles(named.get())) return nullptr;
    if (PyDict_GET_SIZE(named.get()) != 0) return refuse_for_numpy(name.get());
    for (const UfuncOperator& ufunc : kUfuncOperators) {
      if (PyUnicode_CompareWithASCIIString(name.get(), ufunc.name) != 0) continue;
      return apply_ufunc(ufunc, inputs.get(), name.get());
    }
    bool found = false;
    PyObject* result = apply_function(name.get(), inputs.get(), found);
    if (found) return result;
    // matmul multiplies the units, as numpy's dot does.
    if (PyUnicode_CompareWithASCIIString(name.get(), "matmul") == 0) {
      bool known = false;
      result = call_numpy_function(PyTuple_GET_ITEM(args, 0), name.get(), inputs.get(),
                                   named.get(), known);
      if (known) return result;
    }
    return refuse_for_numpy(name.get());
  });
}

PyObject* matrix_multiply(PyObject* left, PyObject* right) {
  return guarded([&]() -> PyObject* {
    Owned numpy(PyImport_ImportModule("numpy"));
    if (!numpy) {
      PyErr_Clear();
      PyErr_SetString(PyExc_TypeError, "the @ of DrovikArrays is numpy's matmul: it needs numpy");
      return nullptr;
    }
    Owned matmul(PyObject_GetAttrString(numpy.get(), "matmul"));
    if (!matmul) return nullptr;
    return PyObject_CallFunctionObjArgs(matmul.get(), left, right, nullptr);
  });
}

// numpy.NAME(self, *args, **kwargs), for the methods numpy users call whose
// values numpy's own function computes (the unit kept by that function's
// rule, through __array_function__).
PyObject* numpy_method(const char* name, PyObject* self, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    Owned numpy(PyImport_ImportModule("numpy"));
    if (!numpy) {
      PyErr_Clear();
      PyErr_Format(PyExc_TypeError, "DrovikArray.%s() is numpy's %s: it needs numpy", name, name);
      return nullptr;
    }
    Owned function(PyObject_GetAttrString(numpy.get(), name));
    Owned self_first(PyTuple_Pack(1, self));
    if (!function || !self_first) return nullptr;
    Owned all(PySequence_Concat(self_first.get(), args));
    if (!all) return nullptr;
    return PyObject_Call(function.get(), all.get(), kwargs);
  });
}

PyObject* array_function_method(PyObject*, PyObject* args, PyObject*) {
  return guarded([&]() -> PyObject* {
    // (func, types, args, kwargs)
    PyObject* function = PyTuple_GET_SIZE(args) > 0 ? PyTuple_GET_ITEM(args, 0) : Py_None;
    Owned name(PyObject_GetAttrString(function, "__name__"));
    if (!name) return nullptr;
    if (PyTuple_GET_SIZE(args) != 4 || !PyUnicode_Check(name.get()) ||
        !PyTuple_Check(PyTuple_GET_ITEM(args, 2)) || !PyDict_Check(PyTuple_GET_ITEM(args, 3))) {
      return refuse_for_numpy(name.get());
    }
    bool known = false;
    PyObject* result = call_numpy_function(function, name.get(), PyTuple_GET_ITEM(args, 2),
                                           PyTuple_GET_ITEM(args, 3), known);
    if (known) return result;
    return as_method(name.get(), PyTuple_GET_ITEM(args, 2), PyTuple_GET_ITEM(args, 3));
  });
}

}  // namespace array_slots
}  // namespace drovik::python
