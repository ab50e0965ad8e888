#include "quantity/quantity_text.h"

#include "text/decimal_text.h"
#include "unit/unit_text.h"

namespace drovik {

void append_text(TextBuffer& out, const Drovik& q) {
  append_decimal_text(out, q.value);
  out.push_back(' ');
  append_unit_text(out, q.unit);
}

void append_descriptive(TextBuffer& out, const Drovik& q) {
  append_decimal_text(out, q.value);
  out.push_back(' ');
  append_descriptive_unit_text(out, *q.unit);
}

std::string to_text(const Drovik& q) {
  TextBuffer out;
  append_text(out, q);
  return out.str();
}

std::string descriptive(const Drovik& q) {
  TextBuffer out;
  append_descriptive(out, q);
  return out.str();
}

}  // namespace drovik
