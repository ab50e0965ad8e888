#include "quantity/quantity_text.h"

#include "text/decimal_text.h"
#include "unit/unit_text.h"

namespace drovik {
namespace {

// An interned collection keeps its text; others are rendered each time.
void append_unit_symbols(TextBuffer& out, const UnitRef& unit) {
  if (const InternedUnit* shared = unit.interned()) {
    out.append(shared->symbol_text());
  } else {
    append_unit_text(out, *unit);
  }
}

}  // namespace

void append_text(TextBuffer& out, const Drovik& q) {
  append_decimal_text(out, q.value);
  out.push_back(' ');
  append_unit_symbols(out, q.unit);
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
