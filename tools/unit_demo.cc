// A short demonstration of the C++ core: parses unit expressions, renders
// them and converts a few quantities.
#include <cstdio>
#include <string>

#include "quantity/construction.h"
#include "quantity/conversion.h"
#include "quantity/quantity_text.h"
#include "unit/unit_parser.h"
#include "unit/unit_text.h"

namespace {

void show_expression(const char* text) {
  auto units = drovik::from_unit_name(text);
  if (!units) {
    std::printf("%-16s -> (no unit)\n", text);
    return;
  }
  std::printf("%-16s -> %-14s %-28s scale %.17g\n", text, drovik::as_string(*units).c_str(),
              drovik::as_descriptive_string(*units).c_str(), units->scale());
}

void show_conversion(double value, const char* from, const char* to) {
  auto source = drovik::unit(from);
  auto target = drovik::unit(to);
  if (!source || !target) return;
  source->value = value;
  auto converted = drovik::as_unit_internal(*source, target->unit);
  std::printf(
      "%s = %s\n", drovik::to_text(*source).c_str(),
      converted ? drovik::to_text(*converted).c_str() : converted.error().message().c_str());
}

}  // namespace

int main() {
  for (const char* text :
       {"km/hr", "m/s2", "W/m2.K4", "J/K.mol", "degree Celsius", "kWh", "micron", "m/m"}) {
    show_expression(text);
  }
  std::printf("\n");
  show_conversion(1, "km/hr", "m/s");
  show_conversion(100, "°C", "°F");
  show_conversion(1, "mi", "km");
  show_conversion(1, "m", "s");
  return 0;
}
