// A short demonstration of the C++ core: parses unit expressions, renders
// them and converts a few quantities.
#include <cstdio>
#include <string>

#include "quantity/construction.h"
#include "quantity/conversion.h"
#include "quantity/quantity_text.h"
#include "text/decimal_text.h"
#include "unit/unit_parser.h"
#include "unit/unit_text.h"

namespace {

// `text` padded with spaces to `width` characters, counting each UTF-8
// character once (printf's widths count bytes, so "°C" would fall short).
std::string padded(const std::string& text, std::size_t width) {
  std::size_t characters = 0;
  for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
  return characters >= width ? text : text + std::string(width - characters, ' ');
}

void show_expression(const char* text) {
  auto units = drovik::from_unit_name(text);
  if (!units) {
    std::printf("%-16s -> (no unit)\n", text);
    return;
  }
  std::printf("%s -> %s %s scale %s\n", padded(text, 16).c_str(),
              padded(drovik::as_string(*units), 14).c_str(),
              padded(drovik::as_descriptive_string(*units), 28).c_str(),
              drovik::decimal_text(units->scale()).c_str());
}

void show_conversion(double value, const char* from, const char* to) {
  auto source = drovik::unit(from);
  auto target = drovik::unit(to);
  if (!source || !target) return;
  source->value = value;
  auto converted = drovik::as_unit_internal(*source, target->unit);
  if (converted) {
    std::printf("%s = %s\n", drovik::to_text(*source).c_str(), drovik::to_text(*converted).c_str());
  } else {
    std::printf("%s in %s: error: %s\n", drovik::to_text(*source).c_str(), to,
                converted.error().message().c_str());
  }
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
