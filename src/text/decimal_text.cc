#include "text/decimal_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace drovik {
namespace {

// Below 2^53 every integer is a double, and the shortest digits of an
// integral double are its own digits.
constexpr double kExactIntegers = 9007199254740992.0;

void append_integer(TextBuffer& out, double value) {
  char digits[24];
  auto magnitude = static_cast<std::uint64_t>(std::fabs(value));
  auto end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
  if (std::signbit(value)) out.push_back('-');
  out.append(std::string_view(digits, static_cast<std::size_t>(end - digits)));
}

}  // namespace

void append_decimal_text(TextBuffer& out, double value) {
  if (std::isnan(value)) {
    out.append("NaN");
    return;
  }
  if (std::isinf(value)) {
    out.append(value < 0 ? "-inf" : "inf");
    return;
  }
  if (std::fabs(value) < kExactIntegers && value == std::trunc(value)) {
    append_integer(out, value);
    return;
  }
  // Shortest round-trip digits in scientific form, "-d.ddde+XX", then moved
  // into positional form.
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
  if (text.front() == '-') {
    out.push_back('-');
    text.remove_prefix(1);
  }
  std::size_t e = text.find('e');
  std::string_view exponent_text = text.substr(e + 1);
  if (exponent_text.front() == '+') exponent_text.remove_prefix(1);
  int exponent = 0;
  std::from_chars(exponent_text.data(), exponent_text.data() + exponent_text.size(), exponent);
  char digits[24];
  std::size_t count = 0;
  for (char c : text.substr(0, e)) {
    if (c != '.') digits[count++] = c;
  }
  std::string_view all(digits, count);
  // The decimal point goes after `point` digits.
  long point = static_cast<long>(exponent) + 1;
  if (point >= static_cast<long>(count)) {
    out.append(all);
    out.append(static_cast<std::size_t>(point) - count, '0');
  } else if (point <= 0) {
    out.append("0.");
    out.append(static_cast<std::size_t>(-point), '0');
    out.append(all);
  } else {
    out.append(all.substr(0, static_cast<std::size_t>(point)));
    out.push_back('.');
    out.append(all.substr(static_cast<std::size_t>(point)));
  }
}

std::string decimal_text(double value) {
  TextBuffer out;
  append_decimal_text(out, value);
  return out.str();
}

}  // namespace drovik
