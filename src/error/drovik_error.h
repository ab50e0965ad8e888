// The library's one error type, returned as a value by every operation that
// can fail. Only the Python binding turns it into an exception.
#ifndef DROVIK_ERROR_DROVIK_ERROR_H_
#define DROVIK_ERROR_DROVIK_ERROR_H_

#include <string>

#include "base/expected.h"

namespace drovik {

class DrovikError {
 public:
  enum class Kind {
    UnitNotFound,          // "Unit {} not found"
    ConstantNotFound,      // "Constant {} not found"
    IncompatibleUnits,     // "{} and {} are not compatible"
    NotCoercibleToUnit,    // "{} cannot be coerced into a unit"
    NotCoercibleToNumber,  // "{} cannot be coerced into a number"
    UnitPieceNotFound,     // "\"{}\" in \"{}\" is not a unit" and a hint, if one is known
    ShapeMismatch,         // "operands could not be broadcast together with shapes {} {}"
    ArrayTooLarge,         // "an array of shape {} does not fit in memory"
    AxisOutOfRange,        // "axis {} is out of bounds for an array of {} dimensions"
    EmptyReduction,        // "{}() of no values"
    BadIndex,              // the index's fault, said in full
    BadShape,              // a requested shape's fault, said in full
  };

  static DrovikError unit_not_found(std::string text) {
    return DrovikError(Kind::UnitNotFound, std::move(text));
  }
  static DrovikError constant_not_found(std::string name) {
    return DrovikError(Kind::ConstantNotFound, std::move(name));
  }
  static DrovikError incompatible_units(std::string first, std::string second) {
    return DrovikError(Kind::IncompatibleUnits, std::move(first), std::move(second));
  }
  static DrovikError not_coercible_to_unit(std::string object_text) {
    return DrovikError(Kind::NotCoercibleToUnit, std::move(object_text));
  }
  static DrovikError not_coercible_to_number(std::string object_text) {
    return DrovikError(Kind::NotCoercibleToNumber, std::move(object_text));
  }

  // `hint`, when not empty, is how the text was probably meant ("m/s2" for
  // "m/s^2"); otherwise the message names the catalogue's spelling of the
  // piece when it knows one.
  static DrovikError unit_piece_not_found(std::string piece, std::string text,
                                          std::string hint = {}) {
    DrovikError error(Kind::UnitPieceNotFound, std::move(piece), std::move(text));
    error.hint_ = std::move(hint);
    return error;
  }
  static DrovikError shape_mismatch(std::string first, std::string second) {
    return DrovikError(Kind::ShapeMismatch, std::move(first), std::move(second));
  }
  static DrovikError axis_out_of_range(std::string axis, std::string ndim) {
    return DrovikError(Kind::AxisOutOfRange, std::move(axis), std::move(ndim));
  }
  static DrovikError empty_reduction(std::string reduction) {
    return DrovikError(Kind::EmptyReduction, std::move(reduction));
  }
  static DrovikError bad_index(std::string message) {
    return DrovikError(Kind::BadIndex, std::move(message));
  }
  static DrovikError bad_shape(std::string message) {
    return DrovikError(Kind::BadShape, std::move(message));
  }
  static DrovikError array_too_large(std::string shape) {
    return DrovikError(Kind::ArrayTooLarge, std::move(shape));
  }

  Kind kind() const { return kind_; }
  const std::string& first() const { return first_; }
  const std::string& second() const { return second_; }

  // The payload texts are inserted as they are: no quoting, no escaping.
  std::string message() const;

 private:
  DrovikError(Kind kind, std::string first, std::string second = {})
      : kind_(kind), first_(std::move(first)), second_(std::move(second)) {}

  Kind kind_;
  std::string first_;
  std::string second_;
  std::string hint_;
};

template <class T>
using Result = Expected<T, DrovikError>;

inline Unexpected<DrovikError> fail(DrovikError error) {
  return Unexpected<DrovikError>(std::move(error));
}

}  // namespace drovik

#endif  // DROVIK_ERROR_DROVIK_ERROR_H_
