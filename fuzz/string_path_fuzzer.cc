// Fuzzes the whole string path: two unit expressions (split at the first NUL
// byte) become quantities that are converted, combined, rounded and rendered.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "quantity/construction.h"
#include "quantity/conversion.h"
#include "quantity/quantity_arithmetic.h"
#include "quantity/quantity_comparison.h"
#include "quantity/quantity_rounding.h"
#include "quantity/quantity_text.h"

namespace {

void exercise(const drovik::Drovik& a, const drovik::Drovik& b) {
  using namespace drovik;
  (void)to_text(a);
  (void)descriptive(a);
  Result<Drovik> converted = as_unit_internal(a, b.unit);
  if (converted) {
    (void)to_text(*converted);
    // Converting to one's own unit changes nothing when no offset applies.
    Result<Drovik> same = as_unit_internal(*converted, converted->unit);
    if (!same) std::abort();
  } else if (converted.error().kind() != DrovikError::Kind::IncompatibleUnits) {
    std::abort();
  }
  (void)to_text(multiply(a, b));
  (void)to_text(divide(a, b));
  (void)add(a, b);
  (void)reflected_subtract(a, b);
  (void)power(a, b);
  (void)compare(a, b, CompareOp::Less);
  (void)as_base_units(a);
  (void)to_text(round_sfig(a, 3));
  (void)to_text(round_digits(b, -2));
  (void)to_int32(b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\0');
  std::string_view first = input.substr(0, split);
  std::string_view second = split == std::string_view::npos ? first : input.substr(split + 1);
  drovik::Result<drovik::Drovik> a = drovik::unit(first);
  drovik::Result<drovik::Drovik> b = drovik::unit(second);
  if (!a || !b) return 0;
  // A value taken from the input makes NaN, infinities and zeros reachable.
  double value = 1.0;
  if (size >= 8) std::memcpy(&value, data + size - 8, 8);
  a->value = value;
  exercise(*a, *b);
  exercise(*b, *a);
  return 0;
}
