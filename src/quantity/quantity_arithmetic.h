// Arithmetic on quantities. No operation here applies unit offsets: "°C"
// adds and multiplies as a plain scaled unit.
#ifndef DROVIK_QUANTITY_QUANTITY_ARITHMETIC_H_
#define DROVIK_QUANTITY_QUANTITY_ARITHMETIC_H_

#include "quantity/drovik.h"
#include "error/drovik_error.h"

namespace drovik {

// a + b in a's unit: v(a) + (s(b) * v(b)) / s(a).
Result<Drovik> add(const Drovik& a, const Drovik& b);
// a - b in a's unit.
Result<Drovik> subtract(const Drovik& a, const Drovik& b);
// b - a in a's unit, for `b - a` where only a is a quantity. The error puts
// a's unit first.
Result<Drovik> reflected_subtract(const Drovik& a, const Drovik& b);
Drovik multiply(const Drovik& a, const Drovik& b);
Drovik divide(const Drovik& a, const Drovik& b);
// b / a.
Drovik reflected_divide(const Drovik& a, const Drovik& b);
// base ** exponent; the exponent must be dimensionless.
Result<Drovik> power(const Drovik& base, const Drovik& exponent);

// The C library's functions of the dimensionless value.
Result<double> exp(const Drovik& a);
Result<double> log(const Drovik& a);
Result<double> log10(const Drovik& a);

Drovik negate(const Drovik& a);
Drovik positive(const Drovik& a);
Drovik absolute(const Drovik& a);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_QUANTITY_ARITHMETIC_H_
