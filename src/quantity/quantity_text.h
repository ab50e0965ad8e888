// Text forms of a quantity: "1 [km]" and "1 [kilometer]".
#ifndef DROVIK_QUANTITY_QUANTITY_TEXT_H_
#define DROVIK_QUANTITY_QUANTITY_TEXT_H_

#include <string>

#include "quantity/drovik.h"
#include "text/text_buffer.h"

namespace drovik {

// The value's decimal text, a space, the unit in symbols.
void append_text(TextBuffer& out, const Drovik& q);
// The same with the unit in full names.
void append_descriptive(TextBuffer& out, const Drovik& q);

std::string to_text(const Drovik& q);
std::string descriptive(const Drovik& q);

}  // namespace drovik

#endif  // DROVIK_QUANTITY_QUANTITY_TEXT_H_
