#include "quantity/quantity_text.h"

#include "text/decimal_text.h"
#include "unit/unit_text.h"

namespace drovik {

std::string to_text(const Drovik& q) {
  std::string out;
  out.reserve(32);
  append_decimal_text(out, q.value);
  out.push_back(' ');
  append_unit_text(out, q.unit);
  return out;
}

std::string descriptive(const Drovik& q) {
  std::string out;
  append_decimal_text(out, q.value);
  out.push_back(' ');
  append_descriptive_unit_text(out, q.unit);
  return out;
}

}  // namespace drovik
