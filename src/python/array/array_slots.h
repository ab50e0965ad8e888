// The slots and methods of drovik_array.DrovikArray, by the file that
// implements them; array_type_spec.cc gathers them into the class.
#ifndef DROVIK_PYTHON_ARRAY_ARRAY_SLOTS_H_
#define DROVIK_PYTHON_ARRAY_ARRAY_SLOTS_H_

#include "python/python_api.h"

#include <cstddef>
#include <optional>

#include "array/array_operations.h"
#include "quantity/drovik.h"

namespace drovik::python {

// A quantity compared with an array (q < a): each element as q < that
// element would answer, which converts the element into q's unit. Drovik's
// own comparison hands such an operand here, since the interpreter's
// reflection (a > q) would convert the other way.
PyObject* compare_quantity_with_array(const Drovik& quantity, PyObject* array, int op);

// Drovik.__array_ufunc__: numpy's ufuncs with a quantity among their inputs
// (ndarray * q) act as the array's own with the quantity as an array of
// shape (), so numpy hands them to drovik instead of making an array of
// objects; a result of shape () is a quantity.
PyObject* quantity_array_ufunc(PyObject* self, PyObject* args, PyObject* kwargs);
// Drovik.__array_function__: numpy's functions given quantities
// (numpy.linspace(q1, q2, 5), numpy.isclose(q, r)) take them as arrays of
// shape (), as the array's __array_function__ would.
PyObject* quantity_array_function(PyObject* self, PyObject* args, PyObject* kwargs);

// An axis argument (negative counting from the end), or nothing with
// ValueError for an axis the array lacks; and the axes an int, a tuple of
// ints or None (all) names, each once.
std::optional<std::size_t> axis_index(PyObject* item, std::size_t ndim);
std::optional<ReducedAxes> reduced_axes(PyObject* axis, std::size_t ndim);

// numpy's dtype= and out= beside values that stay doubles: true when dtype
// is None or names float64 and out is None (either may be null: not
// given); false with TypeError otherwise (another type would change the
// values, and an array is never written into).
bool keeps_doubles(PyObject* dtype, PyObject* out);
// The same for a keyword dict, whose dtype and out are then taken out of it.
bool take_keeps_doubles(PyObject* kwargs);

// The new array, or a Drovik for a result of shape (), as numpy gives a
// scalar; nullptr with the error raised.
PyObject* array_or_quantity(Result<ValueArray>&& result);

namespace array_slots {

// array_operators.cc: + - * / ** with arrays, quantities, numbers and
// buffers of numbers on either side, unary - + abs, the six comparisons, and
// what numpy's ufuncs and functions may do with an array.
PyObject* add(PyObject* left, PyObject* right);
PyObject* subtract(PyObject* left, PyObject* right);
PyObject* multiply(PyObject* left, PyObject* right);
PyObject* divide(PyObject* left, PyObject* right);
PyObject* power(PyObject* left, PyObject* right, PyObject* modulus);
// a @ b: numpy's matmul, the units multiplied (TypeError without numpy).
PyObject* matrix_multiply(PyObject* left, PyObject* right);
// numpy.NAME(self, *args, **kwargs), for argmin, argmax, argsort, nonzero,
// clip and prod as methods (TypeError without numpy).
PyObject* numpy_method(const char* name, PyObject* self, PyObject* args, PyObject* kwargs);
template <const char* kName>
PyObject* numpy_method(PyObject* self, PyObject* args, PyObject* kwargs) {
  return numpy_method(kName, self, args, kwargs);
}
inline constexpr char kArgmin[] = "argmin", kArgmax[] = "argmax", kArgsort[] = "argsort",
                      kNonzero[] = "nonzero", kClip[] = "clip", kProd[] = "prod";
PyObject* negative(PyObject* self);
PyObject* positive(PyObject* self);
PyObject* absolute(PyObject* self);
PyObject* richcompare(PyObject* self, PyObject* other, int op);
PyObject* round_method(PyObject* self, PyObject* args, PyObject* kwargs);
PyObject* round_sfig_method(PyObject* self, PyObject* n_sig_figs);
PyObject* array_ufunc_method(PyObject* self, PyObject* args, PyObject* kwargs);
PyObject* array_function_method(PyObject* self, PyObject* args, PyObject* kwargs);

// array_text.cc: numpy's summarised layout of the values, then the unit.
PyObject* text(PyObject* self);
PyObject* descriptive_method(PyObject* self, PyObject*);
PyObject* format_method(PyObject* self, PyObject* spec);

// array_access.cc: numpy's basic indexing and iteration over the first axis.
PyObject* subscript(PyObject* self, PyObject* key);
PyObject* item(PyObject* self, Py_ssize_t index);
PyObject* iterate(PyObject* self);

// array_methods.cc: new layouts, running sums, spreads (kKind 0 ptp, 1 var,
// 2 std), the values as Python objects, numpy's dtype.
PyObject* reshape_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs);
PyObject* ravel_method(PyObject* self, PyObject*);
PyObject* flatten_method(PyObject* self, PyObject*);
PyObject* astype_method(PyObject* self, PyObject* args, PyObject* kwargs);
PyObject* transpose_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs);
PyObject* transpose_getter(PyObject* self, void*);
PyObject* swapaxes_method(PyObject* self, PyObject* const* args, Py_ssize_t nargs);
PyObject* squeeze_method(PyObject* self, PyObject* args, PyObject* kwargs);
PyObject* cumsum_method(PyObject* self, PyObject* args, PyObject* kwargs);
template <int kKind>
PyObject* spread_method(PyObject* self, PyObject* args, PyObject* kwargs);
PyObject* tolist_method(PyObject* self, PyObject*);
PyObject* item_method(PyObject* self, PyObject*);
PyObject* dtype_getter(PyObject* self, void*);

// array_protocols.cc: pickle, copy and the object's size.
PyObject* reduce_method(PyObject* self, PyObject*);
PyObject* restore_method(PyObject* type, PyObject* const* args, Py_ssize_t nargs);
PyObject* copy_method(PyObject* self, PyObject*);
PyObject* sizeof_method(PyObject* self, PyObject*);

}  // namespace array_slots
}  // namespace drovik::python

#endif  // DROVIK_PYTHON_ARRAY_ARRAY_SLOTS_H_
