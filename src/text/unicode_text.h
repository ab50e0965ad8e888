// The little Unicode the unit parser needs: walking UTF-8 text by code point
// and two character properties.
#ifndef DROVIK_TEXT_UNICODE_TEXT_H_
#define DROVIK_TEXT_UNICODE_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace drovik {

// General category Nd, Nl or No.
bool is_unicode_numeric(char32_t code_point);
// The White_Space property.
bool is_unicode_white_space(char32_t code_point);

// Decodes the code point starting at text[i] and stores the byte length of
// its encoding in `length`. A byte that starts no valid sequence decodes to
// U+FFFD with length 1, so any byte string can be walked.
char32_t decode_utf8(std::string_view text, std::size_t i, std::size_t& length);

// Appends the UTF-8 encoding of `cp`; a surrogate, which UTF-8 cannot carry,
// is written as U+FFFD.
void append_utf8(std::string& out, char32_t cp);

// `text` without leading and trailing White_Space characters.
std::string_view trim_unicode_white_space(std::string_view text);

// Byte offset of the start of the last numeric character of `text`, or npos.
std::size_t find_last_unicode_numeric(std::string_view text);

}  // namespace drovik

#endif  // DROVIK_TEXT_UNICODE_TEXT_H_
