// The decimal text of a double, shared by quantity values and unit exponents:
// the shortest digits that read back as the same double, written in plain
// positional notation with no exponent part ("2", "0.5", "-0",
// "1000000000000000000000", "0.0000001"), or "NaN", "inf", "-inf".
#ifndef DROVIK_TEXT_DECIMAL_TEXT_H_
#define DROVIK_TEXT_DECIMAL_TEXT_H_

#include <string>

#include "text/text_buffer.h"

namespace drovik {

void append_decimal_text(TextBuffer& out, double value);
std::string decimal_text(double value);

}  // namespace drovik

#endif  // DROVIK_TEXT_DECIMAL_TEXT_H_
